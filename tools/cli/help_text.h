// The texts a program prints about its command line: --help, and the refusal
// of a command line it cannot use.
#pragma once

#include <string>

#include "command_line_table.h"

namespace nuvix::cli {

// Lines of at most this many columns.
inline constexpr size_t kHelpWidth = 79;

std::string HelpText(const Program& program);
// "name: problem", the usage lines and where to read more; printed to standard
// error before the program exits with kBadUse.
std::string RefusalText(const Program& program, const std::string& problem);

// The label of an option in lists: "-s, --size WxH".
std::string Label(const Option& option);

}  // namespace nuvix::cli
