#include "command_line.h"

#include <string_view>

#include "driver_version.h"

namespace {

CommandLine Answer(CommandLine::Action action, std::string problem = {}) {
  CommandLine command;
  command.action = action;
  command.problem = std::move(problem);
  return command;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine command;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") return Answer(CommandLine::Action::kHelp);
    if (argument == "--version") return Answer(CommandLine::Action::kVersion);
    if (argument == "--log") {
      if (i + 1 >= argc || *argv[i + 1] == '\0') return Answer(CommandLine::Action::kRefuse, "--log needs a file");
      command.logFile = argv[++i];
      continue;
    }
    if (argument != "--tour") return Answer(CommandLine::Action::kRefuse, "unknown option: " + std::string(argument));
    if (i + 1 >= argc || *argv[i + 1] == '\0')
      return Answer(CommandLine::Action::kRefuse, "--tour needs a directory");
    command.action = CommandLine::Action::kTour;
    command.tourDirectory = argv[++i];
  }
  return command;
}

std::string UsageText() {
  return "usage: nuvixsdk [--tour DIR] [--log FILE]\n"
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
         "  --help, -h   print this text\n"
         "  --version    print the program's and the board driver's versions\n"
         "\n"
         "Environment:\n"
         "  NUVIXI_SIM_BOARDS  the boards the simulated board driver (libnuvixi) finds,\n"
         "                     for example \"QCA08:id=32,QLA16\" or \"none\"; the default\n"
         "                     is one QCA08 with 32 capture channels. QLA boards carry\n"
         "                     the live-display block: NUVIXI_SIM_BOARDS=QLA16 gives\n"
         "                     live video. A real driver ignores the variable.\n"
         "  QT_QPA_PLATFORM    Qt's window system; \"offscreen\" runs without a display\n"
         "  QT_LOGGING_RULES   \"nuvix.trace.debug=true\" prints the debug trace\n"
         "\n"
         "More: README.md in the source tree or in share/doc/nuvixsdk/ of the\n"
         "installation (the simulated board's syntax, the tour, osprel-enc).\n";
}

std::string VersionText() {
  return "nuvixsdk " NUVIXSDK_VERSION "\nboard driver " + DriverVersionText() + "\n";
}
