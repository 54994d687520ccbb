// What the simulated boards' models are: the one place the simulator keeps
// the facts that differ between QLA and QCA models.
#pragma once

#include <cstdint>

#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace nuvixsim {

// QLA models carry the live display block; QCA models are capture boards.
constexpr bool IsQla(int32_t model) { return model >= NUVIXI_MODEL_QLA04 && model <= NUVIXI_MODEL_QLA16; }

// Capture channel groups that share one frame-slot list.
constexpr uint32_t GroupCount(int32_t model) {
  switch (model) {
    case NUVIXI_MODEL_QLA04: return 4;
    case NUVIXI_MODEL_QLA08: return 8;
    case NUVIXI_MODEL_QLA16: return 16;
    case NUVIXI_MODEL_QCA02: return 2;
    case NUVIXI_MODEL_QCA04: return 4;
    case NUVIXI_MODEL_QCA08: return 8;
    default: return 1;
  }
}

// Whether the board may be opened with screen division.
constexpr bool SquadAllowed(const NUVIXI_SIM_BOARD& board) {
  switch (board.modelCode) {
    case NUVIXI_MODEL_QCA02: return true;
    case NUVIXI_MODEL_QCA04:
      return (board.fpgaRevision >= 0x05012400 && board.fpgaRevision <= 0x79123100) || board.boardId == 32;
    case NUVIXI_MODEL_QCA08: return board.boardId == 32;
    default: return false;
  }
}

// Capture picture sizes by size index 1..12 (0 is unused).
constexpr int kCaptureSizes = 13;
constexpr int kCaptureWidths[kCaptureSizes] = {0, 720, 704, 640, 720, 704, 640, 360, 352, 320, 180, 176, 160};
constexpr int kCaptureHeightsPal[kCaptureSizes] = {0, 576, 576, 576, 288, 288, 288, 288, 288, 288, 144, 144, 144};
constexpr int kCaptureHeightsNtsc[kCaptureSizes] = {0, 480, 480, 480, 240, 240, 240, 240, 240, 240, 120, 120, 120};

// Frame slots (fields) per second of a standard.
constexpr uint32_t SlotsPerSecond(uint32_t standard) { return standard == NUVIXI_STANDARD_NTSC ? 30 : 25; }

}  // namespace nuvixsim
