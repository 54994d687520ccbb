// The program's command line, run as a user would run it. Every case runs
// without a display and with Qt pointed at the X11 platform, so an answer
// that needed the window system would abort instead of passing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::string> EnvironmentWithoutDisplay() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM") environment.push_back(variable);
  }
  environment.push_back("QT_QPA_PLATFORM=xcb");
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

Outcome RunProgram(std::vector<std::string> arguments, const fs::path& scratch) {
  arguments.insert(arguments.begin(), NUVIXSDK_PATH);
  std::vector<std::string> environment = EnvironmentWithoutDisplay();
  const fs::path outPath = scratch / "stdout", errPath = scratch / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, NUVIXSDK_PATH, &actions, nullptr, Pointers(arguments).data(), Pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  Outcome outcome;
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid) return outcome;
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = ReadFile(outPath);
  outcome.err = ReadFile(errPath);
  return outcome;
}

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() / ("nuvix-command-line-" + std::to_string(::getpid()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    std::ofstream(scratch_ / "plain-file") << "not a directory";
  }
  void TearDown() override { fs::remove_all(scratch_); }
  fs::path scratch_;
};

TEST_F(CommandLineTest, AnswersAndExitCodes) {
  const std::string underFile = (scratch_ / "plain-file" / "shots").string();
  const std::string selfTestLog = (scratch_ / "self-test.log").string();
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<std::string> inOut;  // texts standard output must hold
    std::string errStart;            // how standard error must begin ("" = stay empty)
  };
  const std::vector<std::string> usage = {"usage: nuvixsdk [--tour DIR] [--log FILE]", "--tour DIR", "--version",
                                          "NUVIXI_SIM_BOARDS", "NUVIXI_SIM_BOARDS=QLA16", "QT_QPA_PLATFORM=offscreen",
                                          "README.md", "--self-test [--board N|all]", "--eeprom-key HEX",
                                          "--report FILE", "--junit FILE"};
  const std::string selfTestJson = (scratch_ / "self-test.json").string();
  const Case cases[] = {
      {{"--help"}, 0, usage, ""},
      {{"-h"}, 0, usage, ""},
      {{"--tour", "ignored", "--help"}, 0, usage, ""},
      {{"--version"}, 0, {"nuvixsdk " NUVIXSDK_VERSION "\n", "board driver 1.4.2.7\n"}, ""},
      {{"--bogus"}, 2, {}, "nuvixsdk: unknown option: --bogus\n"},
      {{"-platform", "offscreen"}, 2, {}, "nuvixsdk: unknown option: -platform\n"},
      {{"stray-argument"}, 2, {}, "nuvixsdk: unknown option: stray-argument\n"},
      {{"--tour"}, 2, {}, "nuvixsdk: --tour needs a directory\n"},
      {{"--tour", ""}, 2, {}, "nuvixsdk: --tour needs a directory\n"},
      {{"--tour="}, 2, {}, "nuvixsdk: --tour needs a directory\n"},
      // A directory that exists but takes no files, even for root.
      {{"--tour", "/proc"}, 1, {}, "tour: cannot write to /proc: "},
      {{"--tour=/proc"}, 1, {}, "tour: cannot write to /proc: "},
      {{"--tour", underFile}, 1, {}, "tour: cannot create " + underFile + "\n"},
      {{"--log"}, 2, {}, "nuvixsdk: --log needs a file\n"},
      {{"--log", "", "--help"}, 2, {}, "nuvixsdk: --log needs a file\n"},
      {{"--log", "x.log", "--help"}, 0, usage, ""},
      {{"--log", underFile}, 1, {}, "cannot write the log to " + underFile + ": Not a directory\n"},
      {{"--log=" + underFile}, 1, {}, "cannot write the log to " + underFile + ": Not a directory\n"},
      {{"--self-test", "--standard", "secam"}, 2, {}, "nuvixsdk: --standard takes ntsc or pal: secam\n"},
      {{"--self-test", "--standard=secam"}, 2, {}, "nuvixsdk: --standard takes ntsc or pal: secam\n"},
      {{"--self-test", "--board", "1x"}, 2, {}, "nuvixsdk: --board takes a board number or all: 1x\n"},
      {{"--self-test", "--board", "-1"}, 2, {}, "nuvixsdk: --board takes a board number or all: -1\n"},
      {{"--self-test", "--board=32"}, 2, {}, "nuvixsdk: --board takes a board number or all: 32\n"},
      {{"--self-test", "--eeprom-key", "4E5556495853444"}, 2, {},
       "nuvixsdk: --eeprom-key takes 16 hexadecimal digits: 4E5556495853444\n"},
      {{"--self-test", "--eeprom-key=4E55564958534G4B"}, 2, {},
       "nuvixsdk: --eeprom-key takes 16 hexadecimal digits: 4E55564958534G4B\n"},
      {{"--self-test", "--json"}, 2, {}, "nuvixsdk: --json needs a file\n"},
      {{"--self-test", "--report"}, 2, {}, "nuvixsdk: --report needs a file\n"},
      {{"--self-test", "--junit="}, 2, {}, "nuvixsdk: --junit needs a file\n"},
      {{"--self-test", "--quick=yes"}, 2, {}, "nuvixsdk: --quick takes no value\n"},
      {{"--quick"}, 2, {},
       "nuvixsdk: --board, --standard, --json, --report, --junit, --quick and --eeprom-key need --self-test\n"},
      {{"--junit", "r.xml"}, 2, {},
       "nuvixsdk: --board, --standard, --json, --report, --junit, --quick and --eeprom-key need --self-test\n"},
      {{"--board=all", "--self-test", "--help"}, 0, usage, ""},
      // Runs without a display: Qt is never started. Values both apart and after "=".
      {{"--quick", "--self-test", "--board=all", "--standard", "pal", "--eeprom-key=4e5556495853444b", "--log",
        selfTestLog, "--json=" + selfTestJson},
       0,
       {"board 0 (QCA08)\n", "    read                 OK", "self-test: 16 tests on 1 board(s): 15 OK, 0 FAIL, 1 SKIP"},
       ""},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.arguments) shown += " '" + a + "'";
    SCOPED_TRACE("nuvixsdk" + shown);
    const Outcome outcome = RunProgram(c.arguments, scratch_);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err << outcome.out;
    for (const std::string& text : c.inOut) EXPECT_NE(outcome.out.find(text), std::string::npos) << text;
    if (c.inOut.empty()) {
      EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(outcome.err.substr(0, c.errStart.size()), c.errStart);
    if (c.exitCode == 2) {
      EXPECT_NE(outcome.err.find("usage: nuvixsdk"), std::string::npos) << "a refusal shows the usage";
    } else {
      // Anything else says it in one line at most.
      EXPECT_LE(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
  }
  // The self-test leaves its log behind as the log window would show it, stamped.
  const std::string log = ReadFile(selfTestLog);
  EXPECT_NE(log.find(" RV(80) = NUVIXI_BDSearch() \n"), std::string::npos) << log.substr(0, 400);
  EXPECT_NE(log.find("NUVIXI_BDClose(0)"), std::string::npos);
  EXPECT_NE(ReadFile(selfTestJson).find("\"standard\": \"pal\""), std::string::npos) << ReadFile(selfTestJson);
}

}  // namespace
