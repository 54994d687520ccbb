// Everything the video tab keeps per capture channel.
#pragma once

#include <atomic>
#include <cstdint>

#include "capt_thread.h"
#include "dc_window_slot.h"
#include "h263_context.h"
#include "mjpg_context.h"
#include "recorded_file.h"
#include "timing.h"
#include "video_tab.h"

struct CVideoTab::Channel {
  // Set on the GUI thread, read by the worker.
  std::atomic<uint32_t> capturing{0};
  std::atomic<uint32_t> compressRatio{0};
  // Written by the worker, shown by the refresh timer.
  std::atomic<uint32_t> capturedFps{0};
  std::atomic<uint32_t> processedFps{0};
  std::atomic<uint32_t> compressedSize{0};
  std::atomic<bool> capturedChanged{false};
  std::atomic<bool> processedChanged{false};
  std::atomic<bool> sizeChanged{false};
  // Records written whole into the file since the channel started.
  std::atomic<uint32_t> recordsWritten{0};
  // GUI thread: started with File Save on, its file not created yet.
  bool fileDue = false;
  // Frame descriptor, fixed while the worker runs.
  int32_t width = 0;
  int32_t height = 0;
  uint32_t fourcc = FOURCC_UYVY;
  nuvix::RecordedFile file;
  CRateMeter meter;
  CTickThrottle statsThrottle;
  nuvix::CDcWindowSlot window;
  nuvix::MjpgContext mjpg;
  nuvix::H263Context h263;
  // Last, so that it is destroyed (stopped) first.
  CCaptThread worker;
};
