// Everything the audio tab keeps per channel.
#pragma once

#include <atomic>
#include <cstdint>

#include "acapt_tab.h"
#include "capt_thread.h"
#include "recorded_file.h"
#include "scope_pane.h"

struct CAcaptTab::Channel {
  // GUI thread only.
  bool running = false;
  uint32_t blockUnits = 64;
  // Fixed before the worker starts, read by it.
  uint32_t blockBytes = 0;
  // Written by the worker between its start and its join.
  nuvix::RecordedFile file;
  // Blocks written whole into the file since the channel started; read anywhere.
  std::atomic<uint32_t> blocksWritten{0};
  nuvix::ScopePane pane;
  // Last, so that it is destroyed (stopped) first.
  CCaptThread worker;
};
