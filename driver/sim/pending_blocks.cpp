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

// The result of SQUAD_ON/OFF on a board with a live display; nothing for the others.
std::optional<NUVIXI_RESULT> LiveOsdSwitch(const char* function, uint32_t board, std::initializer_list<CallArg> args,
                                           bool on) {
  auto live = Simulator::Instance().Engine<&nuvixsim::BoardState::live>(board);
  if (!live || !live->HasLiveDisplay()) return std::nullopt;
  return nuvixsim::OnEngine<&nuvixsim::BoardState::live>(function, board, NUVIXI_OPEN_LIVE, args,
                                                           [&](auto& engine) { return engine.SetOsd(on); });
}

}  // namespace

#define NOT_SIMULATED(name, params, ...) \
  NUVIXI_RESULT NUVIXI_##name params { return NotSimulated(#name, board, {__VA_ARGS__}); }

extern "C" {

NOT_SIMULATED(APLAY_LOAD, (uint32_t board, uint32_t parameter, uint32_t offset, const void* data, uint32_t length),
              board, parameter, offset, data, length)
NOT_SIMULATED(APLAY_Volume, (uint32_t board, uint32_t volume), board, volume)
NOT_SIMULATED(APLAY_Monitor, (uint32_t board, uint32_t enable, uint32_t channel, uint32_t mode), board, enable,
              channel, mode)
NOT_SIMULATED(APLAY_OFF, (uint32_t board), board)
NOT_SIMULATED(RUART_CONFIG, (uint32_t board, uint32_t baudIndex, uint32_t parityIndex), board, baudIndex,
              parityIndex)
NOT_SIMULATED(RUART_WRITE, (uint32_t board, const void* bytes, uint32_t length, uint32_t timeoutMs), board, bytes,
              length, timeoutMs)
NOT_SIMULATED(SQUAD_UPT, (uint32_t board), board)

// On a QLA board the screen-division calls, without surfaces, switch the live
// picture's on-screen text.
NUVIXI_RESULT NUVIXI_SQUAD_ON(uint32_t board, void** merged, void** image, void** osd) {
  if (auto live = LiveOsdSwitch("SQUAD_ON", board, {board, merged, image, osd}, true)) return *live;
  return NotSimulated("SQUAD_ON", board, {board, merged, image, osd});
}

NUVIXI_RESULT NUVIXI_SQUAD_OFF(uint32_t board) {
  if (auto live = LiveOsdSwitch("SQUAD_OFF", board, {board}, false)) return *live;
  return NotSimulated("SQUAD_OFF", board, {board});
}
NOT_SIMULATED(CaptureAudioReference, (uint32_t board, uint32_t level), board, level)
NOT_SIMULATED(CaptureAudioVolume, (uint32_t board, uint32_t channel, uint32_t volume), board, channel, volume)
NOT_SIMULATED(CaptureAudioPreAMP, (uint32_t board, uint32_t channel, uint32_t gain), board, channel, gain)
NOT_SIMULATED(CaptureAudioTransferON, (uint32_t board, uint32_t channel, uint32_t rateIndex, uint32_t blockUnits),
              board, channel, rateIndex, blockUnits)
NOT_SIMULATED(CaptureAudioTransferOFF, (uint32_t board, uint32_t channel), board, channel)
NOT_SIMULATED(WDOGEnable, (uint32_t board, uint32_t seconds), board, seconds)
NOT_SIMULATED(WDOGDisable, (uint32_t board), board)
NOT_SIMULATED(TVOUT, (uint32_t board, uint32_t camera), board, camera)
NOT_SIMULATED(TVOUT2, (uint32_t board, uint32_t camera), board, camera)
NOT_SIMULATED(OSD, (uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes), board, start, count,
              codes)
NOT_SIMULATED(OSD2, (uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes), board, start, count,
              codes)
NOT_SIMULATED(DIGITALOUT_SIGNAL, (uint32_t board, const uint32_t outputs[32]), board, outputs)
NOT_SIMULATED(DIGITALIN_SIGNAL, (uint32_t board, void* buffer), board, buffer)
NOT_SIMULATED(EEPROM_READ_Control, (uint32_t board, const uint8_t* key, uint8_t* result), board, key, result)

}  // extern "C"
