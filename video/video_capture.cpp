// The capture path of the video tab: channel start and stop, frame slotList, and
// the per-frame handler that runs on each channel's worker thread.
#include <QMetaObject>
#include <cstring>

#include "board_tables.h"
#include "chromix.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"
#include "prompts.h"
#include "tick_count.h"
#include "video_channel.h"

namespace {

constexpr uint32_t kFourccs[3] = {FOURCC_UYVY, FOURCC_Y41P, FOURCC_YUY2};

// Whether frames of this format and height are compressed and recorded at the ratio.
bool Records(uint32_t ratio, uint32_t fourcc, int32_t height) {
  return ratio != 0 && fourcc != FOURCC_Y41P && !(fourcc == FOURCC_YUY2 && height == 120);
}

}  // namespace

void CVideoTab::StartChannel(int ch) {
  Channel& channel = *channels_[ch];
  if (cameraSignal_[ch] == 0 || capturing_[ch]) return;
  const uint32_t groupCapturing = Caps().GroupNonZeroCount(static_cast<uint32_t>(ch), capturing_);
  if (groupCapturing == 0) ApplySlices(ch);
  const uint32_t format = std::min<uint32_t>(colourFormat_[ch], 2);
  channel.fourcc = kFourccs[format];
  const uint32_t result = NUVIXI_CaptureVideoTransferON(board_, ch, resolution_[ch], format);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureVideoTransferON(%X,%X,%X,%X)", board_, ch, resolution_[ch], format);
  if (groupCapturing != 0) ApplySlices(ch);

  const int32_t width = static_cast<int32_t>(ImageWidth(resolution_[ch]));
  const int32_t height = static_cast<int32_t>(ImageHeight(resolution_[ch], ntsc_));
  channel.mjpg.SetInput(width, height, channel.fourcc);
  channel.h263.Setup(width, height);
  if (windowsWanted_) channel.window.Open(width, height, nullptr, ch);
  channel.recordsWritten = 0;
  channel.width = width;
  channel.height = height;
  channel.meter.Restart(nuvix::GetTickCount());
  channel.fileDue = fileSave_;
  capturing_[ch] = 1;
  CreateRecordingFile(ch, compressRatio_[ch]);
  channel.compressRatio = compressRatio_[ch];
  channel.capturing = 1;
  channel.worker.Setup({.kind = CCaptThread::ImageWait,
                        .userData = this,
                        .callback = &CVideoTab::FrameCallback,
                        .board = static_cast<int32_t>(board_),
                        .channel = ch,
                        .log = Owner()});
  channel.worker.Start();
}

void CVideoTab::StopChannel(int ch) {
  Channel& channel = *channels_[ch];
  if (!capturing_[ch]) return;
  channel.capturing = 0;
  channel.worker.Stop();
  const uint32_t result = NUVIXI_CaptureVideoTransferOFF(board_, ch);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureVideoTransferOFF(%X,%X)", board_, ch);
  channel.window.Close();
  channel.file.Close();
  capturing_[ch] = 0;
  channel.capturedFps = 0;
  channel.processedFps = 0;
  channel.compressedSize = 0;
  channel.capturedChanged = channel.processedChanged = channel.sizeChanged = true;
}

void CVideoTab::ApplySlices(int ch) {
  const uint32_t g = Caps().GroupPosition(static_cast<uint32_t>(ch));
  int32_t requests[kChannels] = {};
  for (uint32_t c : Caps().GroupChannels(static_cast<uint32_t>(ch))) {
    if (capturing_[c] || c == static_cast<uint32_t>(ch)) requests[c] = static_cast<int32_t>(requestedFps_[c]);
  }
  int32_t slotList[nuvix::FrameSlotScheduler::kMaxSlots] = {};
  scheduler_.ComputeSlots(requests, slotList);
  uint32_t group = g;
  if (IsQlaModel(boardModel_)) {
    for (uint32_t s = 0; s < maxFps_; ++s)
      if (slotList[s] != ch) slotList[s] = static_cast<int32_t>(kEmptySlot);
    group = static_cast<uint32_t>(ch);
  }
  std::string trace = QString::asprintf("GRP:%X, CH:%0X, [", group, ch).toStdString();
  for (uint32_t s = 0; s < maxFps_; ++s) trace += QString::asprintf("%02d,", slotList[s]).toStdString();
  trace += " ] \n";
  NuvixTrace(trace.c_str());
  const uint32_t result = NUVIXI_VideoSliceCtrl(board_, group, slotList, maxFps_, 0);
  LogResult(Owner(), result, 0, "NUVIXI_VideoSliceCtrl(%X,%X,%lX,%X,%X)", board_, group,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(slotList)), maxFps_, 0u);
}

void CVideoTab::FrameCallback(void* tab, int32_t ch, uintptr_t address) {
  static_cast<CVideoTab*>(tab)->OnFrame(ch, reinterpret_cast<const void*>(address));
}

void CVideoTab::OnFrame(int ch, const void* image) {
  Channel& channel = *channels_[ch];
  if (!channel.capturing.load()) return;
  if (nuvix::CRgbWnd* window = channel.window.Get())
    window->ShowCapture(channel.width, channel.height, channel.fourcc, static_cast<const uint8_t*>(image));
  RecordFrame(ch, channel, image);
  UpdateStatistics(ch, channel);
  if (CNuvixSdkDlg* owner = Owner()) owner->PassToScreenDivision(ch, image, channel.width, channel.height);
}

void CVideoTab::WriteRecord(int ch, Channel& channel, const void* record, uint32_t bytes) {
  if (!channel.file.isOpen()) return;
  // A full disk ends this channel's recording with one line; capture goes on.
  if (channel.file.AppendRecord(record, bytes)) ++channel.recordsWritten;
  else LogRecordingStopped(Owner(), ch, channel.file.lastError());
}

// A channel that records nothing (ratio 0, Y41P, YUY2 at 120 lines) leaves no
// header-only file behind; one raised from ratio 0 while capturing starts its
// file then. The worker touches the file only after it sees a recording ratio,
// which is published after this.
void CVideoTab::CreateRecordingFile(int ch, uint32_t ratio) {
  Channel& channel = *channels_[ch];
  if (!capturing_[ch] || !channel.fileDue || !Records(ratio, channel.fourcc, channel.height)) return;
  channel.fileDue = false;
  if (channel.file.Open(nuvix::RecordedFile::kWrite)) channel.file.WriteHeader(true, resolution_[ch]);
}

void CVideoTab::RecordFrame(int ch, Channel& channel, const void* image) {
  const uint32_t ratio = channel.compressRatio.load();
  if (!Records(ratio, channel.fourcc, channel.height)) return;
  int32_t bytes = 0;
  if (channel.fourcc == FOURCC_YUY2) {
    uint8_t* y = channel.h263.YuvBuffer();
    if (!y) return;
    const size_t lumaBytes = static_cast<size_t>(channel.width) * channel.height;
    CHROMIX_YUY2_TO_Y420(static_cast<const uint8_t*>(image), channel.width, channel.height, y, y + lumaBytes, y + lumaBytes + lumaBytes / 4, 0);
    channel.h263.EncodeFrame(kH263Quantiser, &bytes);
    if (bytes >= kRecordLimit || bytes <= 0) ReportMemoryError();
    if (bytes > 0) WriteRecord(ch, channel, channel.h263.Record(), static_cast<uint32_t>(bytes));
  } else {
    int32_t size = 0;
    HANDLE block = channel.mjpg.Compress(image, static_cast<int32_t>(ratio * 100), &size);
    if (!block) return;
    const auto* record = static_cast<const uint8_t*>(GlobalLock(block));
    if (!record) {
      GlobalFree(block);
      return;
    }
    bytes = static_cast<int32_t>(record[0]) + size;  // the header's size byte, then the payload
    WriteRecord(ch, channel, record, static_cast<uint32_t>(bytes));
    GlobalUnlock(block);
    GlobalFree(block);
  }
  const uint32_t shown = std::min<uint32_t>(static_cast<uint32_t>(std::max(bytes, 0)), kSizeStatisticCap) / 102;
  if (channel.compressedSize.exchange(shown) != shown) channel.sizeChanged = true;
}

void CVideoTab::UpdateStatistics(int ch, Channel& channel) {
  channel.meter.Tick();
  if (!channel.statsThrottle.Elapsed(kStatsIntervalMs)) return;
  const uint32_t rate = channel.meter.Rate();
  if (channel.processedFps.exchange(rate) != rate) channel.processedChanged = true;
  int32_t table[64] = {};
  if (const uint32_t result = NUVIXI_GET_CaptureFPS(board_, table); ratePoll_.Starts(result))
    LogResult(Owner(), result, 0, "NUVIXI_GET_CaptureFPS(%X)", board_);
  const auto captured = static_cast<uint32_t>(table[ch]);
  if (channel.capturedFps.exchange(captured) != captured) channel.capturedChanged = true;
}

void CVideoTab::ReportMemoryError() {
  // Shown on the GUI thread while the worker goes on at once; one box at a
  // time, or a failing encoder would stack up thirty boxes a second.
  if (memoryErrorShown_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        nuvix::CurrentPrompts().MessageBox("18 MEMORY ERROR", "NUVIXSDK", nuvix::MessageIcon::None);
        memoryErrorShown_ = false;
      },
      Qt::QueuedConnection);
}
