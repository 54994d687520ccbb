#include "command_line.h"

#include <charconv>
#include <string_view>

#include "driver_version.h"

namespace {

CommandLine Answer(CommandLine::Action action, std::string problem = {}) {
  CommandLine command;
  command.action = action;
  command.problem = std::move(problem);
  return command;
}

bool ParseBoard(std::string_view text, int& board) {
  if (text == "all") {
    board = SelfTestOptions::kAllBoards;
    return true;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), board);
  return error == std::errc() && end == text.data() + text.size() && board >= 0 && board < 32;
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

// One option of --self-test and its value; an empty answer when it was taken.
std::string ParseSelfTestOption(std::string_view option, const char* value, SelfTestOptions& options) {
  if (option == "--quick") {
    options.quick = true;
    return {};
  }
  if (!value || *value == '\0') return std::string(option) + " needs a value";
  const std::string_view text = value;
  if (option == "--board") return ParseBoard(text, options.board) ? "" : "--board takes a board number or all: " + std::string(text);
  if (option == "--standard") return ParseStandard(text, options.standard) ? "" : "--standard takes ntsc or pal: " + std::string(text);
  if (option == "--eeprom-key")
    return ParseKey(text, options.eepromKey) ? "" : "--eeprom-key takes 16 hexadecimal digits: " + std::string(text);
  options.jsonPath = value;
  return {};
}

bool IsSelfTestOption(std::string_view argument) {
  return argument == "--board" || argument == "--standard" || argument == "--json" || argument == "--quick" ||
         argument == "--eeprom-key";
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine command;
  bool selfTestOptionSeen = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") return Answer(CommandLine::Action::kHelp);
    if (argument == "--version") return Answer(CommandLine::Action::kVersion);
    if (argument == "--log") {
      if (i + 1 >= argc || *argv[i + 1] == '\0') return Answer(CommandLine::Action::kRefuse, "--log needs a file");
      command.logFile = argv[++i];
      continue;
    }
    if (argument == "--self-test") {
      command.action = CommandLine::Action::kSelfTest;
      continue;
    }
    if (IsSelfTestOption(argument)) {
      selfTestOptionSeen = true;
      const char* value = argument == "--quick" || i + 1 >= argc ? nullptr : argv[++i];
      std::string problem = ParseSelfTestOption(argument, value, command.selfTest);
      if (!problem.empty()) return Answer(CommandLine::Action::kRefuse, std::move(problem));
      continue;
    }
    if (argument != "--tour") return Answer(CommandLine::Action::kRefuse, "unknown option: " + std::string(argument));
    if (i + 1 >= argc || *argv[i + 1] == '\0')
      return Answer(CommandLine::Action::kRefuse, "--tour needs a directory");
    command.action = CommandLine::Action::kTour;
    command.tourDirectory = argv[++i];
  }
  if (selfTestOptionSeen && command.action != CommandLine::Action::kSelfTest)
    return Answer(CommandLine::Action::kRefuse, "--board, --standard, --json, --quick and --eeprom-key need --self-test");
  return command;
}

std::string UsageText() {
  return "usage: nuvixsdk [--tour DIR] [--log FILE]\n"
         "       nuvixsdk --self-test [--board N|all] [--standard ntsc|pal] [--json FILE]\n"
         "                [--quick] [--eeprom-key HEX]\n"
         "       nuvixsdk --help | --version\n"
         "\n"
         "The test and demonstration program for NUVIX PCI capture boards. Without\n"
         "options it opens the main dialog: search for boards, select one, open it in\n"
         "NTSC or PAL and exercise its function blocks on the tabs.\n"
         "\n"
         "Options:\n"
         "  --tour DIR   walk through the program unattended: search, select the first\n"
         "               board, open it with every option it allows, show each tab\n"
         "               (capturing four channels on the VIDEO tab), close. Prints the\n"
         "               log, writes DIR/NN-step.png after each step and the recorded\n"
         "               files to DIR; exits 0 when every step succeeded. Without a\n"
         "               display run it as QT_QPA_PLATFORM=offscreen nuvixsdk --tour DIR\n"
         "  --log FILE   append every line of the log to FILE as it is written, each\n"
         "               behind a time stamp; the file keeps the lines the log window\n"
         "               drops when it empties itself at 500 lines\n"
         "  --self-test  check every function block of each board found, without a\n"
         "               window, one line per test (OK, FAIL: reason, SKIP: reason);\n"
         "               exits 0 when nothing failed, 1 when a test failed, 2 when\n"
         "               the run could not start (no board, bad arguments)\n"
         "    --board N|all     the board to test (default all)\n"
         "    --standard ntsc|pal  the video standard to open in (default ntsc)\n"
         "    --json FILE       also write the results and the log as JSON\n"
         "    --quick           short measuring windows (under 10 s a board)\n"
         "    --eeprom-key HEX  the EEPROM's 8-byte access key (16 hex digits)\n"
         "  --help, -h   print this text\n"
         "  --version    print the program's and the board driver's versions\n"
         "\n"
         "Environment:\n"
         "  NUVIXI_SIM_BOARDS  the boards the simulated board driver (libnuvixi) finds,\n"
         "                     for example \"QCA08:id=32,QLA16\" or \"none\"; the default\n"
         "                     is one QCA08 with 32 capture channels. QLA boards carry\n"
         "                     the live-display block: NUVIXI_SIM_BOARDS=QLA16 gives\n"
         "                     live video. A real driver ignores the variable.\n"
         "  NUVIXI_SIM_STRICT  \"1\" makes the simulated board keep the driver\n"
         "                     interface's promises and nothing more: breaks that\n"
         "                     find no wait are lost, waits without time-out may end\n"
         "                     early with 0x102 (see README.md). A real driver\n"
         "                     ignores it.\n"
         "  QT_QPA_PLATFORM    Qt's window system; \"offscreen\" runs without a display\n"
         "  QT_LOGGING_RULES   \"nuvix.trace.debug=true\" prints the debug trace\n"
         "\n"
         "More: README.md in the source tree or in share/doc/nuvixsdk/ of the\n"
         "installation (the simulated board's syntax, the tour, osprel-enc).\n";
}

std::string VersionText() {
  return "nuvixsdk " NUVIXSDK_VERSION "\nboard driver " + DriverVersionText() + "\n";
}
