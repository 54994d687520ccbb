// The PLAY tab: opens one recorded video or audio file, steps and plays its
// records (pictures in a display window, sound through the board's audio
// playback with a scope), saves the shown picture as a bitmap, and sets the
// board's playback volume and audio monitor.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "capt_thread.h"
#include "dc_window_slot.h"
#include "h263_context.h"
#include "mjpg_context.h"
#include "recorded_file.h"
#include "scope_pane.h"
#include "tab_dialog.h"

class CPlayTab : public CTabDialog {
  Q_OBJECT
 public:
  enum State : uint32_t { kNoFile = 0, kStopped = 1, kPlayingForward = 2, kPlayingBackward = 3 };

  static constexpr uint32_t kDataBytes = 524288;
  static constexpr int32_t kMaxWidth = 720, kMaxHeight = 576;
  static constexpr uint32_t kRgbBytes = kMaxWidth * kMaxHeight * 4;
  static constexpr uint32_t kMaxVolume = 127;
  static constexpr int32_t kPlayChannel = 32, kAudioChannel = 16;
  static constexpr uint32_t kStopSettleMs = 100;
  // Furthest back an intra picture is looked for (ten seconds of pictures).
  static constexpr uint32_t kMaxGroup = 300;
  static constexpr uint32_t kNoRecord = 0xFFFFFFFF;

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
  uint32_t PlayState() const { return state_.load(); }
  bool IsVideo() const { return isVideo_; }
  uint32_t Cursor() const { return cursor_.load(); }
  uint32_t Count() const { return count_; }
  uint32_t Parameter() const { return parameter_; }
  uint32_t Volume() const { return volume_; }
  nuvix::CDcWindowSlot& Window() { return window_; }
  nuvix::ScopePane& Scope() { return scope_; }
  // Records that could not be read or decoded since the file was loaded.
  uint32_t FailedRecords() const { return failedRecords_.load(); }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void EnableButtons();
  void ShowRange(uint32_t n, uint32_t position);
  uint32_t BuildIndex();
  // Reads record i and, for video, decodes it into the RGB buffer; 0 on failure.
  uint32_t FetchRecord(uint32_t i);
  // Decodes the pictures from the intra picture before record i up to i - 1.
  void CatchUp(uint32_t i);
  uint32_t DecodeH263(const BITMAPINFOHEADER& header);
  uint32_t DecodeMjpg(const BITMAPINFOHEADER& header);
  void ShowVideo(uint32_t i);
  // Loads block i into the board's half of its parity, or into the given half.
  void LoadAudio(uint32_t i);
  void LoadAudio(uint32_t i, uint32_t half);
  void ShowRecord(uint32_t i);
  // Moves the cursor one record back or forward (wrapping); returns the new record.
  uint32_t MoveCursor(int direction);
  // Moves the cursor and shows that record.
  void Step(int direction);
  // Starts timed stepping forward or backward (the state to play in).
  void StartPlayWorker(uint32_t state);
  void StopPlaying(bool settle);
  void ApplyMonitor();
  // Hands the information line and the position to the dialog thread.
  void PublishInfo(const QString& text, uint32_t position);
  void ApplyInfo();
  void SetPositions(uint32_t position);
  bool TryBusy() { return !busy_.test_and_set(std::memory_order_acquire); }
  void ReleaseBusy() { busy_.clear(std::memory_order_release); }

  static void PlayTickCallback(void* tab, int32_t channel, uintptr_t address);
  static void AudioRefillCallback(void* tab, int32_t channel, uintptr_t address);

  // Board identity.
  uint32_t board_ = 0;
  int32_t boardModel_ = 0;
  bool aplayOpen_ = false;

  // Set by the dialog thread, read by the workers.
  std::atomic<uint32_t> state_{kNoFile};
  std::atomic<uint32_t> cursor_{0};
  bool isVideo_ = false;
  uint32_t count_ = 0;
  uint32_t parameter_ = 1;
  uint32_t rateFactor_ = 16;
  uint32_t blockSize_ = 16 * 512;
  std::atomic<uint32_t> failedRecords_{0};
  uint32_t refillHalf_ = 0;  // audio worker: the half the next refill goes into

  // Owned by whoever holds the busy flag.
  std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
  nuvix::RecordedFile file_;
  nuvix::MjpgContext mjpg_;
  nuvix::H263Context h263_;
  BITMAPINFOHEADER displayHeader_{};
  bool topRowFirst_ = false;
  uint32_t nextInStream_ = kNoRecord;  // the record the decoder can take next
  std::unique_ptr<uint8_t[]> data_;
  std::unique_ptr<uint8_t[]> yuv_;
  std::unique_ptr<uint8_t[]> rgb_;

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
  nuvix::CDcWindowSlot window_;
  nuvix::ScopePane scope_;

  // Last, so that they are destroyed (stopped) first.
  CCaptThread playWorker_;
  CCaptThread audioWorker_;
};
