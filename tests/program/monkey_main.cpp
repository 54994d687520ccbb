// The monkey at the program's controls (see monkey.h) as a program:
//   monkey [--seed N] [--minutes M | --seconds S | --actions N] [--boards "QCA08;QLA16,QCA08"]
//          [--no-faults] [--scratch DIR]
// Without --seed it draws one and prints it. Exits with 0 when the run passed.
#include <unistd.h>

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "monkey.h"

namespace {

const char* const kUsage =
    "usage: monkey [--seed N] [--minutes M | --seconds S | --actions N] [--boards \"LIST;LIST\"] [--no-faults] "
    "[--scratch DIR]\n";

bool ParseNumber(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return *end == '\0' && value > 0;
}

bool ParseCount(const char* text, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return *text != '\0' && *text != '-' && *end == '\0' && errno == 0;
}

bool Parse(int argc, char** argv, MonkeyOptions& options, bool& seeded) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    double number = 0;
    if (arg == "--no-faults") {
      options.faults = false;
      continue;
    }
    if (!value) return false;
    ++i;
    if (arg == "--seed" && ParseCount(value, options.seed)) {
      seeded = true;
    } else if (arg == "--minutes" && ParseNumber(value, number)) {
      options.seconds = number * 60;
    } else if (arg == "--seconds" && ParseNumber(value, number)) {
      options.seconds = number;
    } else if (arg == "--actions" && ParseCount(value, options.actions) && options.actions > 0) {
    } else if (arg == "--boards") {
      auto lists = ParseBoardLists(value);
      if (!lists) return false;
      options.boardLists = *lists;
    } else if (arg == "--scratch" && *value != '\0') {
      options.scratch = value;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  MonkeyOptions options;
  options.scratch = std::filesystem::temp_directory_path() / ("nuvix-monkey-" + std::to_string(::getpid()));
  options.driverHeader = NUVIX_DRIVER_HEADER;
  bool seeded = false;
  if (!Parse(argc, argv, options, seeded)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!seeded) {
    std::random_device device;
    options.seed = static_cast<uint64_t>(device()) << 32 | device();
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  return RunMonkey(options).failures.empty() ? 0 : 1;
}
