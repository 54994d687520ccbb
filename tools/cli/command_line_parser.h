// Reads a command line against its program's table, the way users type by
// habit: options in any order, "--opt=value" or "--opt value", "-sVALUE" or
// "-s VALUE", and "--" before operands that start with a dash.
#pragma once

#include <string>
#include <vector>

#include "command_line_table.h"

namespace nuvix::cli {

struct Parsed {
  enum class Outcome { kGo, kHelp, kVersion, kRefused };
  Outcome outcome = Outcome::kGo;
  std::vector<std::string> operands;
  std::string problem;  // kRefused: one line without the program's name
};

// Options are taken in the order given; the first problem, --help or
// --version ends the parse.
Parsed Parse(const Program& program, int argc, const char* const* argv);

}  // namespace nuvix::cli

namespace nuvix::cli {

// Prints the refusal to standard error and exits kBadUse.
[[noreturn]] void Refuse(const Program& program, const std::string& problem);

// For a tool's main: prints the help (or "name version") to standard output
// and exits 0, or prints the refusal to standard error and exits kBadUse;
// otherwise returns the operands.
std::vector<std::string> ParseOrExit(const Program& program, int argc, const char* const* argv,
                                     const std::string& version);

}  // namespace nuvix::cli
