// Board search, details, open and close of the simulated boards.
#include <cstring>

#include "model_facts.h"
#include "simulator.h"

using nuvixsim::IsQla;
using nuvixsim::Simulator;
using nuvixsim::SquadAllowed;

namespace {

constexpr uint32_t kDriverVersion = 0x01040207;  // 1.4.2.7

// The error code for opening this board with these blocks, or success.
uint32_t CheckOpenRequest(const nuvixsim::BoardState& state, uint32_t flags, uint32_t standard) {
  if (standard != NUVIXI_STANDARD_PAL && standard != NUVIXI_STANDARD_NTSC) return NUVIXI_ERR_INVALID_ARGUMENT;
  if (flags & ~NUVIXI_OPEN_ALL) return NUVIXI_ERR_INVALID_ARGUMENT;
  if (state.open) return NUVIXI_ERR_KERNEL_OPEN;
  const NUVIXI_SIM_BOARD& board = state.config;
  if (IsQla(board.modelCode)) {
    // QLA boards have no audio playback; their 0x20 bit belongs to the live display.
    if (flags & NUVIXI_OPEN_APLAY) return NUVIXI_ERR_FUNCTION_BLOCK;
  } else {
    if (flags & NUVIXI_OPEN_LIVE) return NUVIXI_ERR_FUNCTION_BLOCK;
    if ((flags & NUVIXI_OPEN_SQUAD) && !SquadAllowed(board)) return NUVIXI_ERR_FUNCTION_BLOCK;
  }
  if ((flags & NUVIXI_OPEN_AUDIO) && board.audioChannels == 0) return NUVIXI_ERR_FUNCTION_BLOCK;
  if ((flags & NUVIXI_OPEN_VIDEO) && board.maxCaptureChannels == 0) return NUVIXI_ERR_FUNCTION_BLOCK;
  return NUVIXI_SUCCESS;
}

}  // namespace

extern "C" {

uint32_t NUVIXI_GetVersion(void) {
  Simulator::Instance().BeginCall("GetVersion", {});
  return kDriverVersion;
}

NUVIXI_RESULT NUVIXI_BDSearch(NUVIXI_SEARCH_RESULT* result) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall("BDSearch", {result})) return *fault;
  if (!result) return NUVIXI_ERR_INVALID_ARGUMENT;
  return sim.WithBoards([&](const auto& boards) {
    std::memset(result, 0, sizeof *result);
    result->boardCount = static_cast<uint32_t>(boards.size());
    for (size_t i = 0; i < boards.size() && i < NUVIXI_MAX_BOARDS_LISTED; ++i)
      result->modelCode[i] = boards[i].config.modelCode;
    return NUVIXI_SUCCESS;
  });
}

NUVIXI_RESULT NUVIXI_BDDetailInfo(uint32_t board, NUVIXI_BOARD_DETAIL* detail) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall("BDDetailInfo", {board, detail})) return *fault;
  if (!detail) return NUVIXI_ERR_INVALID_ARGUMENT;
  return sim.WithBoards([&](const auto& boards) {
    if (board >= boards.size()) return NUVIXI_ERR_BOARD_NOT_FOUND;
    const NUVIXI_SIM_BOARD& config = boards[board].config;
    std::memset(detail, 0, sizeof *detail);
    detail->revisionId = config.revisionId;
    detail->tvOutChannels = config.tvOutChannels;
    detail->audioChannels = config.audioChannels;
    detail->customId = config.customId;
    detail->maxCaptureChannels = config.maxCaptureChannels;
    detail->fpgaRevision = config.fpgaRevision;
    detail->boardId = config.boardId;
    return NUVIXI_SUCCESS;
  });
}

NUVIXI_RESULT NUVIXI_BDOpen(uint32_t board, uint32_t flags, uint32_t standard) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall("BDOpen", {board, flags, standard})) return *fault;
  // A close still stopping the board's threads ends before the board opens again.
  return sim.WithBoardSettled(board, [&](auto& boards) {
    if (board >= boards.size()) return NUVIXI_ERR_BOARD_NOT_FOUND;
    nuvixsim::BoardState& state = boards[board];
    uint32_t code = CheckOpenRequest(state, flags, standard);
    if (code != NUVIXI_SUCCESS) return code;
    code = state.tvout->Open(standard);
    if (code != NUVIXI_SUCCESS) return code;
    if (!state.uart->Open()) {
      state.Shut();
      return NUVIXI_ERR_MALLOC;
    }
    state.flags = flags;
    state.standard = standard;
    state.queues->OpenAll();
    state.colours->Reset();  // a setting that came in while the board closed is not kept
    state.capture->Open(standard);
    state.audio->Open();
    state.aplay->Open(nuvixsim::PlayedAudioPath(board));
    state.pinax->Open();
    state.live->Open(standard);
    state.watchdog->Open();
    state.open = true;
    return NUVIXI_SUCCESS;
  });
}

NUVIXI_RESULT NUVIXI_BDClose(uint32_t board) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall("BDClose", {board})) return *fault;
  return sim.CloseBoard(board);
}

}  // extern "C"
