// A program's manual page (section 1, man(7) macros), made from the same
// table as its --help text.
#pragma once

#include <string>

#include "command_line_table.h"

namespace nuvix::cli {

// version: "nuvixsdk 3.8.12.65"; date: the release date, "2026-12-10".
std::string ManPage(const Program& program, const std::string& version, const std::string& date);

}  // namespace nuvix::cli
