#include "command_line_parser.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "help_text.h"

namespace nuvix::cli {

namespace {

// Thrown from an option's callback to end the parse with an answer.
struct Stop {
  Parsed parsed;
};

Parsed Refused(std::string problem) {
  Parsed parsed;
  parsed.outcome = Parsed::Outcome::kRefused;
  parsed.problem = std::move(problem);
  return parsed;
}

std::string Needs(const Option& option) { return DisplayName(option) + " needs " + option.accepts; }

// CLI11 gives a switch "true", or the text after "=" when one was typed.
void TakeValue(const Option& option, const std::string& value) {
  if (option.answer != Option::Answer::kNone) {
    Parsed parsed;
    parsed.outcome = option.answer == Option::Answer::kHelp ? Parsed::Outcome::kHelp : Parsed::Outcome::kVersion;
    throw Stop{parsed};
  }
  const bool isSwitch = option.value.empty();
  if (isSwitch && value != "true") throw Stop{Refused(DisplayName(option) + " takes no value")};
  if (!isSwitch && value.empty()) throw Stop{Refused(Needs(option))};
  const Verdict verdict = option.take(isSwitch ? std::string() : value);
  if (verdict.taken) return;
  throw Stop{Refused(!verdict.problem.empty() ? verdict.problem
                                              : DisplayName(option) + " takes " + option.accepts + ": " + value)};
}

// The option an argument names: "--json", "--json=x.json", "-s", "-s352x288".
const Option* Named(const Program& program, std::string_view argument) {
  for (const Section& section : program.sections)
    for (const Option& option : section.options)
      for (const std::string& name : Names(option)) {
        const bool isLong = name.size() > 2;
        if (argument == name || (isLong && argument.starts_with(name + "=")) ||
            (!isLong && argument.starts_with(name)))
          return &option;
      }
  return nullptr;
}

// CLI11 reads "--opt=" as "--opt" and takes the next argument for its value;
// the user gave it an empty one, so it gets an empty one.
std::vector<const char*> WithEmptyValues(const Program& program, int argc, const char* const* argv) {
  std::vector<const char*> arguments;
  bool options = true;
  for (int k = 0; k < argc; ++k) {
    const std::string_view argument = argv[k];
    arguments.push_back(argv[k]);
    options = options && argument != "--";
    const Option* option = k > 0 && options && argument.starts_with("--") && argument.ends_with("=")
                                ? Named(program, argument)
                                : nullptr;
    if (option && !option->value.empty()) arguments.push_back("");
  }
  return arguments;
}

void Register(CLI::App& app, const Option& option, std::vector<const Option*>& given) {
  app.add_option(option.names,
                 [&option, &given](const CLI::results_t& results) {
                   given.push_back(&option);
                   TakeValue(option, results.empty() ? std::string() : results.back());
                   return true;
                 })
      ->expected(option.value.empty() ? 0 : 1)
      ->trigger_on_parse();
}

// What is wrong once every argument was read, if anything.
Parsed Check(const Program& program, const CLI::App& app, const std::vector<const Option*>& given,
             std::vector<std::string> operands) {
  for (const std::string& extra : app.remaining()) {
    if (extra == "--") continue;  // CLI11 lists the marker itself among the extras
    if (program.operands.empty() || (extra.size() > 1 && extra[0] == '-')) return Refused("unknown option: " + extra);
  }
  for (const Section& section : program.sections)
    for (const Option& option : section.options)
      if (option.required && std::find(given.begin(), given.end(), &option) == given.end())
        return Refused(DisplayName(option) + " " + option.value + " is required");
  if (operands.size() > program.operands.size()) return Refused("too many files given");
  for (size_t k = operands.size(); k < program.operands.size(); ++k)
    if (!program.operands[k].missing.empty()) return Refused(program.operands[k].missing);
  Parsed parsed;
  parsed.operands = std::move(operands);
  return parsed;
}

}  // namespace

Parsed Parse(const Program& program, int argc, const char* const* argv) {
  CLI::App app;
  app.set_help_flag();  // --help is an entry of the table like any other
  app.allow_extras();   // unknown options are reported in the project's words
  std::vector<std::string> operands;
  if (!program.operands.empty()) app.add_option("operands", operands);
  std::vector<const Option*> given;
  for (const Section& section : program.sections)
    for (const Option& option : section.options) Register(app, option, given);
  const std::vector<const char*> arguments = WithEmptyValues(program, argc, argv);
  try {
    app.parse(static_cast<int>(arguments.size()), arguments.data());
  } catch (const Stop& stop) {
    return stop.parsed;
  } catch (const CLI::ArgumentMismatch&) {
    // A value runs short only at the end of the line: the last argument names the option.
    const Option* option = arguments.size() > 1 ? Named(program, arguments.back()) : nullptr;
    return Refused(option ? Needs(*option) : "a value is missing");
  } catch (const CLI::ParseError& error) {
    return Refused(error.what());
  }
  return Check(program, app, given, std::move(operands));
}

void Refuse(const Program& program, const std::string& problem) {
  std::fputs(RefusalText(program, problem).c_str(), stderr);
  std::exit(kBadUse);
}

std::vector<std::string> ParseOrExit(const Program& program, int argc, const char* const* argv,
                                     const std::string& version) {
  Parsed parsed = Parse(program, argc, argv);
  switch (parsed.outcome) {
    case Parsed::Outcome::kGo:
      break;
    case Parsed::Outcome::kHelp:
      std::fputs(HelpText(program).c_str(), stdout);
      std::exit(0);
    case Parsed::Outcome::kVersion:
      std::printf("%s %s\n", program.name.c_str(), version.c_str());
      std::exit(0);
    case Parsed::Outcome::kRefused:
      Refuse(program, parsed.problem);
  }
  return std::move(parsed.operands);
}

}  // namespace nuvix::cli
