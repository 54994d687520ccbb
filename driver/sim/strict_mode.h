// The simulator's strict mode: the board keeps the driver interface's promises
// and nothing more, as a real driver may. Breaking calls that find no wait to
// break are lost, a wait becomes breakable only once it has reached the board,
// a wait without time-out may end with NUVIXI_TIMEOUT having handed out
// nothing, and a wait broken while its data is there may hand the data out.
#pragma once

#include <cstdint>

namespace nuvixsim {

bool StrictMode();
void SetStrictMode(bool on);
// What NUVIXI_SIM_STRICT asks for: on for "1".
bool StrictModeWanted();

// The time a blocking call takes to reach the board, during which a breaking
// call finds no waiter: 0..2 ms, varying from call to call, in strict mode;
// none otherwise.
void ReachTheBoard();
// Strict mode: the time-out a wait without one gets: 20..200 ms for one wait
// in four, after which it ends with NUVIXI_TIMEOUT; none (NUVIXI_INFINITE)
// for the others.
uint32_t StrictWaitLimitMs();

// Breaking calls that found no wait to break.
void CountUnmatchedCancel();
uint64_t UnmatchedCancels();

}  // namespace nuvixsim
