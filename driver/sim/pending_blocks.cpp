// Functions whose board block the simulator does not model yet: they check the
// board like every call and then refuse with "invalid function block".
#include "simulator.h"

using nuvixsim::CallArg;
using nuvixsim::Simulator;

namespace {

NUVIXI_RESULT NotSimulated(const char* function, uint32_t board, std::initializer_list<CallArg> args) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall(function, args)) return *fault;
  uint32_t code = sim.CheckOpen(board);
  return code != NUVIXI_SUCCESS ? code : NUVIXI_ERR_FUNCTION_BLOCK;
}

}  // namespace

#define NOT_SIMULATED(name, params, ...) \
  NUVIXI_RESULT NUVIXI_##name params { return NotSimulated(#name, board, {__VA_ARGS__}); }

extern "C" {

NOT_SIMULATED(SetLiveVideoConfig,
              (uint32_t board, uint32_t reserved, uint32_t width, uint32_t height, uint32_t fourcc, void* address,
               uint32_t pitch),
              board, reserved, width, height, fourcc, address, pitch)
NOT_SIMULATED(LiveVideoShape,
              (uint32_t board, uint32_t reserved, uint32_t mask, const int32_t* shape, const int32_t* start), board,
              reserved, mask, shape, start)
NOT_SIMULATED(LiveVideoTransferON, (uint32_t board, uint32_t tvOut), board, tvOut)
NOT_SIMULATED(LiveVideoTransferOFF, (uint32_t board), board)
NOT_SIMULATED(LiveVideoChSequence, (uint32_t board, const int32_t sequence[16]), board, sequence)
NOT_SIMULATED(SetLiveScanMode, (uint32_t board, const int32_t modes[16]), board, modes)
NOT_SIMULATED(BRIGHTNESSControl, (uint32_t board, uint32_t channel, uint32_t value), board, channel, value)
NOT_SIMULATED(CONTRASTControl, (uint32_t board, uint32_t channel, uint32_t value), board, channel, value)
NOT_SIMULATED(HUEControl, (uint32_t board, uint32_t channel, uint32_t value), board, channel, value)
NOT_SIMULATED(SATURATIONUControl, (uint32_t board, uint32_t channel, uint32_t value), board, channel, value)
NOT_SIMULATED(READ_HSCALE_FILTER_Y, (uint32_t board, uint32_t channel, int32_t* value), board, channel, value)
NOT_SIMULATED(WRITE_HSCALE_FILTER_Y, (uint32_t board, uint32_t channel, const int32_t* value), board, channel,
              value)
NOT_SIMULATED(READ_VSCALE_FILTER_Y, (uint32_t board, uint32_t channel, int32_t* value), board, channel, value)
NOT_SIMULATED(WRITE_VSCALE_FILTER_Y, (uint32_t board, uint32_t channel, const int32_t* value), board, channel,
              value)
NOT_SIMULATED(XED_QUAD_STRING, (uint32_t board, char* const strings[16]), board, strings)
NOT_SIMULATED(XED_FONT_CONFIG, (uint32_t board, const uint8_t* bytes, uint32_t length), board, bytes, length)
NOT_SIMULATED(XED_SET_CHOSE_FONT, (uint32_t board, const void* font), board, font)

}  // extern "C"
