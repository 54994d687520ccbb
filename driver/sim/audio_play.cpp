// The audio playback calls of the simulated boards.
#include "simulator.h"

using nuvixsim::AudioPlayEngine;
using nuvixsim::CallArg;
using nuvixsim::Simulator;

namespace {

// The playback calls run on the playback engine of an open board with the playback block.
template <typename Work>
NUVIXI_RESULT OnPlayback(const char* function, uint32_t board, std::initializer_list<CallArg> args, Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::aplay>(function, board, NUVIXI_OPEN_APLAY, args, work);
}

}  // namespace

extern "C" {

// A blocking wait: not journaled.
NUVIXI_RESULT NUVIXI_APLAY_ON(uint32_t board, uint32_t rateIndex, uint32_t rateFactor) {
  if (auto fault = Simulator::Instance().TakeFault("APLAY_ON")) return *fault;
  uint32_t code;
  auto aplay = Simulator::Instance().OpenEngine<&nuvixsim::BoardState::aplay>(board, NUVIXI_OPEN_APLAY, code);
  if (!aplay) return code;
  nuvixsim::ReachTheBoard();
  return aplay->WaitHalfPlayed(rateIndex, rateFactor);
}

NUVIXI_RESULT NUVIXI_APLAY_ESCAPE(uint32_t board) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::aplay>("APLAY_ESCAPE", board, 0, {board}, [](auto& aplay) {
    aplay.Cancel();
    return NUVIXI_SUCCESS;
  });
}

NUVIXI_RESULT NUVIXI_APLAY_LOAD(uint32_t board, uint32_t parameter, uint32_t offset, const void* data,
                                uint32_t length) {
  return OnPlayback("APLAY_LOAD", board, {board, parameter, offset, data, length},
                    [&](AudioPlayEngine& aplay) { return aplay.Load(parameter, offset, data, length); });
}

NUVIXI_RESULT NUVIXI_APLAY_Volume(uint32_t board, uint32_t volume) {
  return OnPlayback("APLAY_Volume", board, {board, volume},
                    [&](AudioPlayEngine& aplay) { return aplay.SetVolume(volume); });
}

NUVIXI_RESULT NUVIXI_APLAY_Monitor(uint32_t board, uint32_t enable, uint32_t channel, uint32_t mode) {
  return OnPlayback("APLAY_Monitor", board, {board, enable, channel, mode},
                    [&](AudioPlayEngine& aplay) { return aplay.SetMonitor(enable, channel, mode); });
}

NUVIXI_RESULT NUVIXI_APLAY_OFF(uint32_t board) {
  return OnPlayback("APLAY_OFF", board, {board}, [](AudioPlayEngine& aplay) { return aplay.Off(); });
}

}  // extern "C"
