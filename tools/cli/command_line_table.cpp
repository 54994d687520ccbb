#include "command_line_table.h"

namespace nuvix::cli {

std::vector<std::string> Names(const Option& option) {
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t comma; (comma = option.names.find(',', start)) != std::string::npos; start = comma + 1)
    names.push_back(option.names.substr(start, comma - start));
  names.push_back(option.names.substr(start));
  return names;
}

std::string DisplayName(const Option& option) { return Names(option).front(); }

}  // namespace nuvix::cli
