// A program's bash completion script, made from its command-line table:
// options, the values an option offers, and file names where files go.
#pragma once

#include <string>

#include "command_line_table.h"

namespace nuvix::cli {

// The script for share/bash-completion/completions/<name>; it uses the
// bash-completion package's helpers (_init_completion, _filedir).
std::string BashCompletion(const Program& program);

}  // namespace nuvix::cli
