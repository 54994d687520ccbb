// What the program was asked to do on its command line. Read before Qt
// starts, so that --help and --version work without a display.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace nuvix::cli {
struct Program;
}

// What --self-test runs.
struct SelfTestOptions {
  static constexpr int kAllBoards = -1;
  int board = kAllBoards;     // a board index, or every board found
  uint32_t standard = 1;      // NUVIXI_STANDARD_NTSC or _PAL
  std::string jsonPath;       // empty: no JSON file
  std::string logPath;        // empty: no log file (--log)
  bool quick = false;
  std::optional<std::array<uint8_t, 8>> eepromKey;
};

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
