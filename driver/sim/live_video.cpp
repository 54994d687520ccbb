// The live display calls of the simulated boards and the colour controls of
// their video inputs.
#include "simulator.h"

using nuvixsim::CallArg;
using nuvixsim::ColourControls;
using nuvixsim::LiveEngine;

namespace {

// The live calls run on the live engine of a board opened with the live block.
template <typename Work>
NUVIXI_RESULT OnLive(const char* function, uint32_t board, std::initializer_list<CallArg> args, Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::live>(function, board, NUVIXI_OPEN_LIVE, args, work);
}

// A colour control of one input: QLA boards for their live inputs, QCA boards
// for their capture channels; the capture and live pictures both show it.
NUVIXI_RESULT OnColour(const char* function, uint32_t board, uint32_t channel, uint32_t value,
                       ColourControls::Control control) {
  auto& sim = nuvixsim::Simulator::Instance();
  if (auto fault = sim.BeginCall(function, {board, channel, value})) return *fault;
  uint32_t code;
  auto colours = sim.OpenEngine<&nuvixsim::BoardState::colours>(board, 0, code);
  if (!colours) return code;
  // The boards may have been configured anew since the open check: no channels then.
  const auto config =
      sim.WithBoards([&](auto& boards) { return board < boards.size() ? boards[board].config : NUVIXI_SIM_BOARD{}; });
  const uint32_t channels = std::min<uint32_t>(config.maxCaptureChannels, ColourControls::kChannels);
  if (channel >= channels || value > 255) return NUVIXI_ERR_INVALID_ARGUMENT;
  colours->Set(channel, control, static_cast<uint8_t>(value));
  return NUVIXI_SUCCESS;
}

}  // namespace

extern "C" {

NUVIXI_RESULT NUVIXI_SetLiveVideoConfig(uint32_t board, uint32_t reserved, uint32_t width, uint32_t height,
                                        uint32_t fourcc, void* address, uint32_t pitch) {
  return OnLive("SetLiveVideoConfig", board, {board, reserved, width, height, fourcc, address, pitch},
                [&](LiveEngine& live) { return live.SetConfig(width, height, fourcc, address, pitch); });
}

NUVIXI_RESULT NUVIXI_LiveVideoShape(uint32_t board, uint32_t reserved, uint32_t mask, const int32_t* shape,
                                    const int32_t* start) {
  return OnLive("LiveVideoShape", board, {board, reserved, mask, shape, start},
                [&](LiveEngine& live) { return live.SetShape(shape, start); });
}

NUVIXI_RESULT NUVIXI_LiveVideoTransferON(uint32_t board, uint32_t tvOut) {
  return OnLive("LiveVideoTransferON", board, {board, tvOut},
                [&](LiveEngine& live) { return live.TransferOn(tvOut); });
}

NUVIXI_RESULT NUVIXI_LiveVideoTransferOFF(uint32_t board) {
  return OnLive("LiveVideoTransferOFF", board, {board}, [&](LiveEngine& live) { return live.TransferOff(); });
}

NUVIXI_RESULT NUVIXI_LiveVideoChSequence(uint32_t board, const int32_t sequence[16]) {
  return OnLive("LiveVideoChSequence", board, {board, sequence},
                [&](LiveEngine& live) { return live.SetSequence(sequence); });
}

NUVIXI_RESULT NUVIXI_SetLiveScanMode(uint32_t board, const int32_t modes[16]) {
  return OnLive("SetLiveScanMode", board, {board, modes}, [&](LiveEngine& live) { return live.SetScanModes(modes); });
}

NUVIXI_RESULT NUVIXI_BRIGHTNESSControl(uint32_t board, uint32_t channel, uint32_t value) {
  return OnColour("BRIGHTNESSControl", board, channel, value, ColourControls::kBrightness);
}

NUVIXI_RESULT NUVIXI_CONTRASTControl(uint32_t board, uint32_t channel, uint32_t value) {
  return OnColour("CONTRASTControl", board, channel, value, ColourControls::kContrast);
}

NUVIXI_RESULT NUVIXI_HUEControl(uint32_t board, uint32_t channel, uint32_t value) {
  return OnColour("HUEControl", board, channel, value, ColourControls::kHue);
}

NUVIXI_RESULT NUVIXI_SATURATIONUControl(uint32_t board, uint32_t channel, uint32_t value) {
  return OnColour("SATURATIONUControl", board, channel, value, ColourControls::kSaturation);
}

NUVIXI_RESULT NUVIXI_READ_HSCALE_FILTER_Y(uint32_t board, uint32_t channel, int32_t* value) {
  return OnLive("READ_HSCALE_FILTER_Y", board, {board, channel, value},
                [&](LiveEngine& live) { return live.ReadFilter(false, channel, value); });
}

NUVIXI_RESULT NUVIXI_WRITE_HSCALE_FILTER_Y(uint32_t board, uint32_t channel, const int32_t* value) {
  return OnLive("WRITE_HSCALE_FILTER_Y", board, {board, channel, value},
                [&](LiveEngine& live) { return live.WriteFilter(false, channel, value); });
}

NUVIXI_RESULT NUVIXI_READ_VSCALE_FILTER_Y(uint32_t board, uint32_t channel, int32_t* value) {
  return OnLive("READ_VSCALE_FILTER_Y", board, {board, channel, value},
                [&](LiveEngine& live) { return live.ReadFilter(true, channel, value); });
}

NUVIXI_RESULT NUVIXI_WRITE_VSCALE_FILTER_Y(uint32_t board, uint32_t channel, const int32_t* value) {
  return OnLive("WRITE_VSCALE_FILTER_Y", board, {board, channel, value},
                [&](LiveEngine& live) { return live.WriteFilter(true, channel, value); });
}

NUVIXI_RESULT NUVIXI_XED_QUAD_STRING(uint32_t board, char* const strings[16]) {
  return OnLive("XED_QUAD_STRING", board, {board, strings},
                [&](LiveEngine& live) { return live.SetStrings(strings); });
}

NUVIXI_RESULT NUVIXI_XED_FONT_CONFIG(uint32_t board, const uint8_t* bytes, uint32_t length) {
  return OnLive("XED_FONT_CONFIG", board, {board, bytes, length},
                [&](LiveEngine& live) { return live.SetFontConfig(bytes, length); });
}

NUVIXI_RESULT NUVIXI_XED_SET_CHOSE_FONT(uint32_t board, const void* font) {
  return OnLive("XED_SET_CHOSE_FONT", board, {board, font},
                [&](LiveEngine& live) { return live.SetChosenFont(font); });
}

int NUVIXI_SIM_LiveStatus(uint32_t board, NUVIXI_SIM_LIVE_STATUS* status) {
  auto live = nuvixsim::Simulator::Instance().Engine<&nuvixsim::BoardState::live>(board);
  if (!live || !status) return -1;
  live->Status(*status);
  return 0;
}

int NUVIXI_SIM_LiveClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  return nuvixsim::ReadClockCpuTime<&nuvixsim::BoardState::live>(board, nanoseconds);
}

void NUVIXI_MemoryReleased(const void* base, size_t bytes) {
  auto engines = nuvixsim::Simulator::Instance().WithBoards([](auto& boards) {
    std::vector<std::shared_ptr<LiveEngine>> all;
    for (auto& state : boards) all.push_back(state.live);
    return all;
  });
  for (auto& live : engines) live->ReleaseMemory(base, bytes);
}

}  // extern "C"
