// The screen-division calls of the simulated boards.
#include "simulator.h"

namespace {

// On a QLA board the screen-division bit is the live display's: there ON and
// OFF, without surfaces, switch the live picture's on-screen text.
bool HasLiveDisplay(uint32_t board) {
  auto live = nuvixsim::Simulator::Instance().Engine<&nuvixsim::BoardState::live>(board);
  return live && live->HasLiveDisplay();
}

template <typename Work>
NUVIXI_RESULT OnLive(const char* function, uint32_t board, std::initializer_list<nuvixsim::CallArg> args, Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::live>(function, board, NUVIXI_OPEN_LIVE, args, work);
}

// The screen-division calls run on the TV-output engine of a board opened with
// the screen-division block (on QLA boards the same bit is the live display's).
template <typename Work>
NUVIXI_RESULT OnTvOut(const char* function, uint32_t board, std::initializer_list<nuvixsim::CallArg> args, Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::tvout>(function, board, NUVIXI_OPEN_SQUAD, args, work);
}

}  // namespace

extern "C" {

NUVIXI_RESULT NUVIXI_SQUAD_ON(uint32_t board, void** merged, void** image, void** osd) {
  if (HasLiveDisplay(board))
    return OnLive("SQUAD_ON", board, {board, merged, image, osd}, [](auto& live) { return live.SetOsd(true); });
  return OnTvOut("SQUAD_ON", board, {board, merged, image, osd},
                 [&](auto& tvout) { return tvout.DivisionOn(merged, image, osd); });
}

NUVIXI_RESULT NUVIXI_SQUAD_UPT(uint32_t board) {
  return OnTvOut("SQUAD_UPT", board, {board}, [](auto& tvout) { return tvout.DivisionUpdate(); });
}

NUVIXI_RESULT NUVIXI_SQUAD_OFF(uint32_t board) {
  if (HasLiveDisplay(board)) return OnLive("SQUAD_OFF", board, {board}, [](auto& live) { return live.SetOsd(false); });
  return OnTvOut("SQUAD_OFF", board, {board}, [](auto& tvout) { return tvout.DivisionOff(); });
}

}  // extern "C"
