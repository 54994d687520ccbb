#include "bash_completion.h"

namespace nuvix::cli {

namespace {

std::string Join(const std::vector<std::string>& words, const char* separator) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : separator) + word;
  return out;
}

// The shell command that fills COMPREPLY for one value.
std::string Completing(const Completion& completion) {
  switch (completion.kind) {
    case Completion::Kind::kFile:
      return "_filedir";
    case Completion::Kind::kDirectory:
      return "_filedir -d";
    case Completion::Kind::kWords:
      return "COMPREPLY=($(compgen -W '" + Join(completion.words, " ") + "' -- \"$cur\"))";
    case Completion::Kind::kNothing:
      break;
  }
  return ":";
}

std::string FunctionName(const std::string& program) {
  std::string name = "_";
  for (char c : program) name += c == '-' ? '_' : c;
  return name;
}

}  // namespace

std::string BashCompletion(const Program& program) {
  std::vector<std::string> all;
  std::string values;
  for (const Section& section : program.sections)
    for (const Option& option : section.options) {
      const std::vector<std::string> names = Names(option);
      all.insert(all.end(), names.begin(), names.end());
      if (!option.value.empty())
        values += "    " + Join(names, "|") + ")\n      " + Completing(option.completion) + "\n      return\n      ;;\n";
    }
  // Operands are files wherever the program takes any.
  bool files = false;
  for (const Operand& operand : program.operands) files = files || operand.completion.kind == Completion::Kind::kFile;

  const std::string function = FunctionName(program.name);
  std::string out = "# bash completion for " + program.name + "; made from its command-line table at build time.\n";
  out += function + "() {\n";
  out += "  local cur prev words cword split\n";
  out += "  _init_completion -s || return\n";
  out += "  case $prev in\n" + values + "  esac\n";
  out += "  $split && return\n";
  out += "  if [[ $cur == -* ]]; then\n";
  out += "    COMPREPLY=($(compgen -W '" + Join(all, " ") + "' -- \"$cur\"))\n";
  out += "    return\n";
  out += "  fi\n";
  if (files) out += "  _filedir\n";
  out += "} &&\n";
  out += "  complete -F " + function + " " + program.name + "\n";
  return out;
}

}  // namespace nuvix::cli
