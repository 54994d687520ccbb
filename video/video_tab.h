// The video capture tab: per-channel capture transfers, frame-rate budgets per
// channel group, statistics, display windows, compression and recording.
#pragma once

#include <QBasicTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "capt_thread.h"
#include "channel_capture.h"
#include "failure_edge.h"
#include "frame_slot_scheduler.h"
#include "grid_event.h"
#include "settings_grids.h"
#include "tab_dialog.h"
#include "timing.h"

namespace nuvix {
class CDcWindowSlot;
class H263Context;
class MjpgContext;
class RecordedFile;
}  // namespace nuvix

class CVideoTab : public CTabDialog, public IChannelCapture {
  Q_OBJECT
 public:
  static constexpr int kChannels = 32;
  static constexpr int kRefreshTimerId = 111;
  static constexpr int kRefreshMs = 67;
  static constexpr int kActionThrottleMs = 350;
  static constexpr int kStatsIntervalMs = 300;
  static constexpr uint32_t kEmptySlot = 99;
  static constexpr int kH263Quantiser = 4;
  static constexpr int32_t kRecordLimit = 524288;
  static constexpr uint32_t kSizeStatisticCap = 101376;

  CVideoTab();
  ~CVideoTab() override;

  // Stores the board identity and derives the channel layout (before the window exists).
  void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int ntsc) override;

  void StartChannel(int ch) override;
  void StopChannel(int ch) override;
  void ApplySlices(int ch);
  // The per-frame handler; runs on the channel's worker thread.
  void OnFrame(int ch, const void* image);

  void OnGridNotify(const nuvix::GridEvent& event);
  // One pass of the 67 ms refresh timer.
  void Refresh();
  void OnFileSave();
  void OnBandwidth(bool on);

  // Read-outs for the tour and the tests.
  uint32_t Resolution(int ch) const { return resolution_[ch]; }
  uint32_t RequestedFps(int ch) const { return requestedFps_[ch]; }
  uint32_t CompressRatio(int ch) const { return compressRatio_[ch]; }
  uint32_t ColourFormat(int ch) const { return colourFormat_[ch]; }
  bool IsCapturing(int ch) const override { return capturing_[ch] != 0; }
  uint32_t ChannelCount() const { return channelCount_; }
  uint32_t MaxFps() const { return maxFps_; }
  bool FileSave() const { return fileSave_; }
  const nuvix::RecordedFile& File(int ch) const;
  // Records written whole into channel ch's file since the channel started.
  uint32_t RecordsWritten(int ch) const;
  nuvix::CDcWindowSlot& Window(int ch);
  nuvix::SettingsGrid& Grid() { return grid_; }
  QString StatisticsLine() const;

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Channel;

  void InitialRates();
  void BuildGrid();
  void OnResolutionRows(uint32_t first, uint32_t last, uint32_t row);
  void OnRateRow(uint32_t first, uint32_t last, int step);
  void OnActionRow(uint32_t first, uint32_t last);
  // Creates the file of a capturing channel started with File Save on, once
  // ratio makes it record. Call before the worker sees that ratio.
  void CreateRecordingFile(int ch, uint32_t ratio);
  void RecordFrame(int ch, Channel& channel, const void* image);
  // Appends one record to the channel's file; a failed write ends its recording.
  void WriteRecord(int ch, Channel& channel, const void* record, uint32_t bytes);
  void UpdateStatistics(int ch, Channel& channel);
  void ReportMemoryError();
  void RepaintCapturing(int ch);
  void TrimGroupToBudget(uint32_t group);
  static void FrameCallback(void* tab, int32_t ch, uintptr_t address);

  // Board identity.
  uint32_t board_ = 0;
  int32_t boardModel_ = 0;
  uint32_t ntsc_ = 1;
  uint32_t channelCount_ = 0;
  uint32_t maxFps_ = 30;
  uint32_t groupCount_ = 1;
  uint32_t channelsPerGroup_ = 1;

  // Settings and state shown by the grid (GUI thread).
  uint32_t resolution_[kChannels] = {};
  uint32_t capturing_[kChannels] = {};
  uint32_t cameraSignal_[kChannels] = {};
  FailureEdge signalPoll_, ratePoll_;  // the timer's and the workers' polls
  uint32_t requestedFps_[kChannels] = {};
  uint32_t compressRatio_[kChannels] = {};
  uint32_t colourFormat_[kChannels] = {};
  uint32_t capturedFps_[kChannels] = {};
  uint32_t processedFps_[kChannels] = {};
  uint32_t compressedSize_[kChannels] = {};

  std::array<std::unique_ptr<Channel>, kChannels> channels_;
  bool fileSave_ = false;
  std::atomic<bool> windowsWanted_{false};
  std::atomic<bool> memoryErrorShown_{false};
  QBasicTimer refreshTimer_;
  CTickThrottle actionThrottle_;
  nuvix::FrameSlotScheduler scheduler_;
  nuvix::SettingsGrid grid_;
};
