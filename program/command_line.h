// What the program was asked to do on its command line. Read before Qt
// starts, so that --help and --version work without a display.
#pragma once

#include <string>

#include "self_test_options.h"

struct CommandLine {
  enum class Action { kRun, kTour, kHelp, kVersion, kRefuse, kSelfTest };
  Action action = Action::kRun;
  std::string tourDirectory;  // kTour
  std::string logFile;        // kRun, kTour: the log is appended to it (empty: none)
  SelfTestOptions selfTest;   // kSelfTest
  std::string problem;        // kRefuse: the line printed before the usage
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage printed by --help and after a refused command line.
std::string UsageText();
// The program's version and the board driver's, as --version prints them.
std::string VersionText();
