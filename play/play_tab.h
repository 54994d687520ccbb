// The PLAY tab: opens one recorded video or audio file, steps and plays its
// records (pictures in a display window, sound through the board's audio
// playback with a scope), saves the shown picture as a bitmap, and sets the
// board's playback volume and audio monitor.
#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "capt_thread.h"
#include "dc_window_slot.h"
#include "playback.h"
#include "scope_pane.h"
#include "tab_dialog.h"

class CPlayTab : public CTabDialog {
  Q_OBJECT
 public:
  using State = nuvix::Playback::State;
  static constexpr State kNoFile = nuvix::Playback::kNoFile, kStopped = nuvix::Playback::kStopped,
                         kPlayingForward = nuvix::Playback::kPlayingForward,
                         kPlayingBackward = nuvix::Playback::kPlayingBackward;
  static constexpr uint32_t kMaxVolume = 127;
  static constexpr int32_t kPlayChannel = 32, kAudioChannel = 16;
  static constexpr uint32_t kStopSettleMs = 100;
  // The longest the dialog thread decodes at a time on its way to a picture.
  static constexpr std::chrono::milliseconds kDecodeStretch{30};

  CPlayTab();
  ~CPlayTab() override;

  // The button handlers.
  void OnLoad();
  void OnClose();
  void OnPrevious();
  void OnNext();
  void OnPlayForward();
  void OnPlayBackward();
  void OnStop();
  void OnSaveBitmap();
  // The slider handlers.
  void OnPositionSlider(int position);
  void OnVolume(int value);
  void OnMonitorEnable(bool on);
  void OnMonitorChannel(int channel);

  // Read-outs for the tour and the tests.
  uint32_t PlayState() const { return playback_ ? playback_->state() : kNoFile; }
  bool IsVideo() const { return playback_ && playback_->isVideo(); }
  uint32_t Cursor() const { return playback_ ? playback_->cursor() : 0; }
  uint32_t Count() const { return playback_ ? playback_->count() : 0; }
  uint32_t Parameter() const { return playback_ ? playback_->parameter() : 1; }
  uint32_t Volume() const { return volume_; }
  nuvix::CDcWindowSlot& Window() { return window_; }
  nuvix::ScopePane& Scope() { return scope_; }
  // Records that could not be read or decoded since the file was loaded.
  uint32_t FailedRecords() const { return playback_ ? playback_->failedRecords() : 0; }
  // True while a picture the dialog asked for is still being decoded.
  bool ShowPending() const { return pendingPicture_ != nuvix::Playback::kNoRecord; }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void EnableButtons();
  void ShowRange(uint32_t n, uint32_t position);
  // Shows record i: a picture is decoded in stretches between window events.
  void ShowRecord(uint32_t i);
  void ContinuePicture();
  // Moves the cursor and shows that record (dialog thread).
  void Step(int direction);
  // Starts timed stepping forward or backward (the state to play in).
  void StartPlayWorker(State state);
  void StopPlaying(bool settle);
  void ApplyMonitor();
  // The model's sinks: pictures to the window, blocks to the scope, lines to the log.
  nuvix::Playback::Sinks Sinks();
  // Hands the information line and the position to the dialog thread.
  void PublishInfo(const QString& text, uint32_t position);
  void ApplyInfo();
  void SetPositions(uint32_t position);

  static void PlayTickCallback(void* tab, int32_t channel, uintptr_t address);
  static void AudioRefillCallback(void* tab, int32_t channel, uintptr_t address);

  // Board identity.
  uint32_t board_ = 0;
  int32_t boardModel_ = 0;
  bool aplayOpen_ = false;

  // The latest information line, handed to the dialog thread.
  std::mutex infoLock_;
  QString infoText_;
  uint32_t infoPosition_ = 0;
  std::atomic<bool> infoQueued_{false};
  bool settingPositions_ = false;

  // Dialog thread only.
  uint32_t volume_ = 0;
  uint32_t monitorEnable_ = 0;
  uint32_t monitorChannel_ = 0;
  uint32_t pendingPicture_ = nuvix::Playback::kNoRecord;  // the picture still being decoded
  bool pictureQueued_ = false;
  nuvix::CDcWindowSlot window_;
  nuvix::ScopePane scope_;
  std::unique_ptr<nuvix::Playback> playback_;  // made with the window, once the board is known

  // Last, so that they are destroyed (stopped) first.
  CCaptThread playWorker_;
  CCaptThread audioWorker_;
};
