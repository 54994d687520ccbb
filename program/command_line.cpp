#include "command_line.h"

#include <charconv>
#include <string_view>

#include "command_line_parser.h"
#include "help_text.h"

namespace {

using nuvix::cli::Completion;
using nuvix::cli::Option;
using nuvix::cli::Verdict;

constexpr int kMaxBoards = 32;

bool ParseBoard(std::string_view text, int& board) {
  if (text == "all") {
    board = SelfTestOptions::kAllBoards;
    return true;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), board);
  return error == std::errc() && end == text.data() + text.size() && board >= 0 && board < kMaxBoards;
}

bool ParseStandard(std::string_view text, uint32_t& standard) {
  if (text != "ntsc" && text != "pal") return false;
  standard = text == "ntsc" ? 1 : 0;
  return true;
}

bool ParseKey(std::string_view text, std::optional<std::array<uint8_t, 8>>& key) {
  std::array<uint8_t, 8> bytes{};
  if (text.size() != 2 * bytes.size()) return false;
  for (size_t k = 0; k < bytes.size(); ++k) {
    const char* first = text.data() + 2 * k;
    const auto [end, error] = std::from_chars(first, first + 2, bytes[k], 16);
    if (error != std::errc() || end != first + 2) return false;
  }
  key = bytes;
  return true;
}

Verdict Read(bool read) { return read ? Verdict::Taken() : Verdict::Unreadable(); }

std::vector<std::string> BoardWords() {
  std::vector<std::string> words = {"all"};
  for (int board = 0; board < kMaxBoards; ++board) words.push_back(std::to_string(board));
  return words;
}

// Where the options' values go while a command line is read.
struct Reading {
  CommandLine command;
  bool selfTestOptionGiven = false;
};

std::vector<Option> ProgramOptions(CommandLine& command) {
  return {
      {"--tour", "DIR", "a directory",
       "walk through the program unattended: search, select the first board, open it with every option it allows, "
       "show each tab (capturing four channels on the VIDEO tab), close. Prints the log, writes DIR/NN-step.png "
       "after each step and the recorded files to DIR; exits 0 when every step succeeded. Without a display run it "
       "as QT_QPA_PLATFORM=offscreen nuvixsdk --tour DIR",
       [&command](const std::string& value) {
         command.action = CommandLine::Action::kTour;
         command.tourDirectory = value;
         return Verdict::Taken();
       },
       {Completion::Kind::kDirectory}},
      {"--log", "FILE", "a file",
       "append every line of the log to FILE as it is written, each behind a time stamp; the file keeps the lines "
       "the log window drops when it empties itself at 500 lines",
       [&command](const std::string& value) {
         command.logFile = value;
         return Verdict::Taken();
       },
       {Completion::Kind::kFile}},
      {"-h,--help", "", "", "display this help and exit", {}, {}, Option::Answer::kHelp},
      {"--version", "", "", "print the program's and the board driver's versions", {}, {}, Option::Answer::kVersion},
  };
}

std::vector<Option> SelfTestOptionTable(Reading& reading) {
  SelfTestOptions& options = reading.command.selfTest;
  // Each of these needs --self-test, which may come before or after it.
  auto given = [&reading](auto take) {
    return [&reading, take](const std::string& value) {
      reading.selfTestOptionGiven = true;
      return take(value);
    };
  };
  return {
      {"--self-test", "", "",
       "check every function block of each board found, without a window, one line per test (OK, FAIL: reason, "
       "SKIP: reason)",
       [&reading](const std::string&) {
         reading.command.action = CommandLine::Action::kSelfTest;
         return Verdict::Taken();
       }},
      {"--board", "N|all", "a board number or all", "the board to test (default all)",
       given([&options](const std::string& value) { return Read(ParseBoard(value, options.board)); }),
       {Completion::Kind::kWords, BoardWords()}},
      {"--standard", "ntsc|pal", "ntsc or pal", "the video standard to open in (default ntsc)",
       given([&options](const std::string& value) { return Read(ParseStandard(value, options.standard)); }),
       {Completion::Kind::kWords, {"ntsc", "pal"}}},
      {"--json", "FILE", "a file", "also write the results, the log and what was measured as JSON",
       given([&options](const std::string& value) {
         options.jsonPath = value;
         return Verdict::Taken();
       }),
       {Completion::Kind::kFile}},
      {"--report", "FILE", "a file",
       "also write a page to read or print (HTML): the results, plots of what was measured, the log",
       given([&options](const std::string& value) {
         options.reportPath = value;
         return Verdict::Taken();
       }),
       {Completion::Kind::kFile}},
      {"--junit", "FILE", "a file", "also write the results as JUnit XML, for CI systems",
       given([&options](const std::string& value) {
         options.junitPath = value;
         return Verdict::Taken();
       }),
       {Completion::Kind::kFile}},
      {"--quick", "", "", "short measuring windows (under 10 s a board)", given([&options](const std::string&) {
         options.quick = true;
         return Verdict::Taken();
       })},
      {"--eeprom-key", "HEX", "16 hexadecimal digits", "the EEPROM's 8-byte access key (16 hex digits)",
       given([&options](const std::string& value) { return Read(ParseKey(value, options.eepromKey)); })},
  };
}

nuvix::cli::Program Describe(Reading& reading) {
  return {
      .name = "nuvixsdk",
      .purpose = "test and demonstration program for NUVIX PCI capture boards",
      .synopsis = {"[--tour DIR] [--log FILE]",
                   "--self-test [--board N|all] [--standard ntsc|pal] [--json FILE] [--report FILE] [--junit FILE] "
                   "[--quick] [--eeprom-key HEX] [--log FILE]",
                   "--help | --version"},
      .description = {"The test and demonstration program for NUVIX PCI capture boards. Without options it opens "
                      "the main dialog: search for boards, select one, open it in NTSC or PAL and exercise its "
                      "function blocks on the tabs."},
      .sections = {{"Options", ProgramOptions(reading.command)},
                   {"Self-test options", SelfTestOptionTable(reading)}},
      .environment =
          {{"NUVIXI_SIM_BOARDS",
            "the boards the simulated board driver (libnuvixi) finds, for example \"QCA08:id=32,QLA16\" or "
            "\"none\"; the default is one QCA08 with 32 capture channels. QLA boards carry the live-display block: "
            "NUVIXI_SIM_BOARDS=QLA16 gives live video. A real driver ignores the variable."},
           {"NUVIXI_SIM_STRICT",
            "\"1\" makes the simulated board keep the driver interface's promises and nothing more: breaks that "
            "find no wait are lost, waits without time-out may end early with 0x102 (see README.md). A real driver "
            "ignores it."},
           {"NUVIXI_SIM_TVOUT",
            "a FIFO or file the first simulated board opened writes its TV output to, as YUV4MPEG2 (a FIFO for as "
            "long as the board is open, a file for its first 10 seconds); watch it with mpv or ffplay"},
           {"NUVIXI_SIM_APLAY_WAV",
            "a WAV file the simulated board writes every sample it plays to (board n above 0: the name followed by "
            ".n)"},
           {"NUVIXI_SIM_UART",
            "\"pty\" connects the simulated board's serial port to a pseudo-terminal, whose path is printed on "
            "standard error, instead of the loopback plug"},
           {"QT_QPA_PLATFORM", "Qt's window system; \"offscreen\" runs without a display"},
           {"QT_LOGGING_RULES", "\"nuvix.trace.debug=true\" prints the debug trace"}},
      .exitStatus = {{"0", "the dialog was closed; every tour step succeeded; no self-test failed"},
                     {"1", "a tour step or a self-test failed, or the tour directory or the log file cannot be "
                           "written"},
                     {"2", "a command line it cannot use, or a self-test that could not start (no board, no such "
                           "board, a --json, --report or --junit file that cannot be written)"}},
      .notes = {"More: README.md in the source tree or in share/doc/nuvixsdk/ of the installation (the simulated "
                "board's syntax, the tour, osprel-enc)."},
      .examples = {{"QT_QPA_PLATFORM=offscreen nuvixsdk --tour out",
                    "The tour without a display, its screenshots and recordings into out/:"},
                   {"nuvixsdk --self-test --quick --json selftest.json",
                    "Every block of every board, quickly, the results also kept as JSON:"},
                   {"NUVIXI_SIM_BOARDS=QLA16 nuvixsdk", "The program on a simulated QLA16, which has live video:"}},
      .seeAlso = {"nuvix-export(1)", "osprel-enc(1)"},
  };
}

// "--board, --standard and --json need --self-test"
std::string NeedSelfTest(const nuvix::cli::Program& program) {
  const std::vector<Option>& options = program.sections.back().options;
  std::string names;
  for (size_t k = 1; k < options.size(); ++k)
    names += (k == 1 ? "" : k + 1 == options.size() ? " and " : ", ") + nuvix::cli::DisplayName(options[k]);
  return names + " need --self-test";
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  Reading reading;
  const nuvix::cli::Program program = Describe(reading);
  const nuvix::cli::Parsed parsed = nuvix::cli::Parse(program, argc, argv);
  CommandLine& command = reading.command;
  switch (parsed.outcome) {
    case nuvix::cli::Parsed::Outcome::kHelp:
      command.action = CommandLine::Action::kHelp;
      break;
    case nuvix::cli::Parsed::Outcome::kVersion:
      command.action = CommandLine::Action::kVersion;
      break;
    case nuvix::cli::Parsed::Outcome::kRefused:
      command.action = CommandLine::Action::kRefuse;
      command.problem = parsed.problem;
      break;
    case nuvix::cli::Parsed::Outcome::kGo:
      if (reading.selfTestOptionGiven && command.action != CommandLine::Action::kSelfTest) {
        command.action = CommandLine::Action::kRefuse;
        command.problem = NeedSelfTest(program);
      }
      break;
  }
  return command;
}

const nuvix::cli::Program& CommandLineProgram() {
  static Reading unused;
  static const nuvix::cli::Program program = Describe(unused);
  return program;
}

std::string UsageText() { return nuvix::cli::HelpText(CommandLineProgram()); }

std::string RefusalText(const std::string& problem) { return nuvix::cli::RefusalText(CommandLineProgram(), problem); }
