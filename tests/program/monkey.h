// A seeded monkey at the program's controls: the real main dialog and tabs on
// the simulated board, driven by clicks, drags, wheel turns over grid cells,
// typing, answers to the file and font dialogs, board and standard changes,
// unplugged cameras and injected driver faults, in an order nobody planned.
//
// Each action is chosen from the seed, the action's number and the program's
// state only (which controls are shown and enabled, which cells are active,
// which files exist), never from the clock: a failing run is repeated by its
// seed. What a worker delivers between two actions does depend on timing.
//
// A run fails on a crash or a sanitizer report (the process dies), on a
// window thread that stops turning for longer than the stall limit (time it
// spends ready but waiting for a core on a loaded machine not counted) or an
// action that does not return (the process ends with status 3 after printing
// the window thread's stack), and on a recording that does not end with a
// complete record when no board is open (the run stops, status 1). Every
// action is printed before it is taken, so any failure shows the list so far;
// the seed is printed first and with every failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct MonkeyOptions {
  uint64_t seed = 1;
  double seconds = 60;   // the run ends after this long...
  uint64_t actions = 0;  // ...or after this many actions, when not 0
  // Board lists in the syntax of NUVIXI_SIM_BOARDS; the run starts with the
  // first and plugs in others now and then.
  std::vector<std::string> boardLists{"QCA08", "QLA16", "QLA16,QCA08"};
  std::filesystem::path scratch;       // the file dialogs' folder; emptied at the start
  std::filesystem::path driverHeader;  // nuvixi.h: the functions whose faults are injected
  bool faults = true;
  int settleMs = 25;          // events dispatched after every action
#if defined(__SANITIZE_THREAD__)
  // ThreadSanitizer slows the program down several times: opening a board (its
  // tabs, buffers and first settings) takes up to about 2 s of the window
  // thread's own time there, under 0.9 s under AddressSanitizer.
  int stallLimitMs = 10000;
#else
  int stallLimitMs = 2000;    // longest time the window thread may stop turning
#endif
  int actionLimitMs = 30000;  // longest time one action may take while the window turns
  std::FILE* out = stdout;    // the actions as they are taken, and the summary
};

struct MonkeyReport {
  uint64_t seed = 0;
  uint64_t actions = 0;
  double seconds = 0;
  int64_t longestStallMs = 0;      // the window thread's longest pause (not waiting for a core)
  uint64_t longestStallAction = 0;  // and the action it happened in
  int64_t longestWallStallMs = 0;   // the longest pause, time waiting for a core included
  std::map<std::string, uint64_t> kinds;  // actions taken of each kind
  uint64_t boardOpens = 0, restarts = 0, faults = 0, messages = 0, filesAnswered = 0;
  uint64_t recordingChecks = 0, recordingsChecked = 0;
  std::vector<std::string> failures;  // empty when the run passed
  std::vector<std::string> actionList;  // every action taken, in order, without its time

  double ActionsPerMinute() const { return seconds > 0 ? actions * 60.0 / seconds : 0; }
};

// Runs the monkey in the calling thread, which must be the QApplication's.
MonkeyReport RunMonkey(const MonkeyOptions& options);

// "QCA08;QLA16,QCA08" into its board lists; nothing when a list is empty.
std::optional<std::vector<std::string>> ParseBoardLists(const std::string& text);

// The command that repeats a run's first actions actions.
std::string ReplayCommand(const MonkeyOptions& options, uint64_t actions);
