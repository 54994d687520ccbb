// The audio capture tab: per channel a sample rate, input volume and
// pre-amplifier gain, start and stop of the board's audio transfer, a scope
// pane of the incoming signal and an optional PCM recording; one reference
// level for all channels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "grid_event.h"
#include "settings_grids.h"
#include "tab_dialog.h"

namespace nuvix {
class RecordedFile;
class ScopePane;
}  // namespace nuvix

class CAcaptTab : public CTabDialog {
  Q_OBJECT
 public:
  static constexpr int kChannels = 16;
  static constexpr uint32_t kMaxReference = 63;
  static constexpr uint32_t kMaxGain = 7;

  // Control ids.
  static constexpr int kIdGridArea = 1401, kIdFileSave = 1402, kIdFirstFrame = 1403, kIdFirstStart = 1419;
  static constexpr int kIdAllChannels = 1435, kIdReference = 1436, kIdReferenceLabel = 1437;

  CAcaptTab();
  ~CAcaptTab() override;

  // Stores the board identity and looks up the model's audio channel count.
  void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra) override;

  // Block units of a rate index (1..4); any other index keeps previous.
  static uint32_t BlockUnitsOf(uint32_t rateIndex, uint32_t previous);
  // Bytes of each delivered block: 16384 on QLA models, block units x 128 on the others.
  static uint32_t BlockBytesOf(int32_t modelCode, uint32_t blockUnits);
  // Highest volume: 15 on QLA models, 31 on the others.
  static uint32_t VolumeCeilingOf(int32_t modelCode);

  void SetReference(uint32_t level);
  void StartChannel(int ch);
  void StopChannel(int ch);
  // A "St" button (first == last) or "All Channel Action" (every channel).
  void OnStartButtons(uint32_t first, uint32_t last);
  // A grid notification (the press or wheel message, and column << 16 | row).
  void OnGridNotify(const nuvix::GridEvent& event);
  void OnFileSave();
  // The block handler; runs on the channel's worker thread.
  void OnBlock(int ch, const void* block);

  // Read-outs for the tour and the tests.
  uint32_t ChannelCount() const { return channelCount_; }
  uint32_t VolumeCeiling() const { return volumeCeiling_; }
  uint32_t Reference() const { return reference_; }
  uint32_t RateIndex(int ch) const { return rate_[ch]; }
  uint32_t Volume(int ch) const { return volume_[ch]; }
  uint32_t Gain(int ch) const { return gain_[ch]; }
  uint32_t BlockUnits(int ch) const;
  uint32_t BlockBytes(int ch) const;
  bool IsRunning(int ch) const;
  bool FileSave() const { return fileSave_; }
  const nuvix::RecordedFile& File(int ch) const;
  // Blocks written whole into channel ch's file since the channel started.
  uint32_t BlocksWritten(int ch) const;
  nuvix::ScopePane& Pane(int ch);
  nuvix::SettingsGrid& Grid() { return grid_; }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Channel;

  // The label and the trackbar show the reference level.
  void ShowReference();
  void BuildGrid();
  void ConnectControls();
  // Steps every channel of first..last by step within 0..max; running ones
  // get the new value at once through apply.
  void StepValues(uint32_t first, uint32_t last, int step, uint32_t* values, uint32_t max,
                  void (CAcaptTab::*apply)(int ch));
  void ApplyVolume(int ch);
  void ApplyGain(int ch);
  void CheckStartButton(int ch, bool checked);
  static void BlockCallback(void* tab, int32_t ch, uintptr_t address);

  uint32_t board_ = 0;
  int32_t model_ = 0;
  uint32_t channelCount_ = 0;
  uint32_t volumeCeiling_ = 31;
  uint32_t reference_ = 31;
  bool fileSave_ = false;
  // Shown by the grid (GUI thread).
  uint32_t rate_[kChannels] = {};
  uint32_t volume_[kChannels] = {};
  uint32_t gain_[kChannels] = {};
  std::array<std::unique_ptr<Channel>, kChannels> channels_;
  nuvix::SettingsGrid grid_;
};
