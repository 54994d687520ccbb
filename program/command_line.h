// What the program was asked to do on its command line. Read before Qt
// starts, so that --help and --version work without a display.
#pragma once

#include <string>

#include "self_test_options.h"

namespace nuvix::cli {
struct Program;
}

struct CommandLine {
  enum class Action { kRun, kTour, kHelp, kVersion, kRefuse, kSelfTest };
  Action action = Action::kRun;
  std::string tourDirectory;  // kTour
  std::string logFile;        // kRun, kTour: the log is appended to it (empty: none)
  SelfTestOptions selfTest;   // kSelfTest
  std::string problem;        // kRefuse: what was wrong, in one line
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The command line's table: options, environment, exit codes; --help, the
// manual page and the shell completion are made from it.
const nuvix::cli::Program& CommandLineProgram();
// The usage printed by --help.
std::string UsageText();
// What a refused command line prints to standard error.
std::string RefusalText(const std::string& problem);
