// One program's command line as data: its options with their help texts and
// what each does with its value, its operands, environment and exit codes.
// The parser, the --help text, the manual page and the shell completion are all
// made from it, so none of them can tell the user something the others do not.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nuvix::cli {

// Exit code of every program for a command line it cannot use.
inline constexpr int kBadUse = 2;

// What an option made of the value it was given.
struct Verdict {
  bool taken = true;
  std::string problem = {};  // not taken: why; empty for a value that cannot be read at all

  static Verdict Taken() { return {}; }
  // Answered with the option's own "takes" sentence: "--board takes a board number or all: 1x".
  static Verdict Unreadable() { return {false, {}}; }
  static Verdict Refused(std::string why) { return {false, std::move(why)}; }
};

// What the shell offers to complete a value or an operand.
struct Completion {
  enum class Kind { kNothing, kFile, kDirectory, kWords };
  Kind kind = Kind::kNothing;
  std::vector<std::string> words = {};  // kWords
};

struct Option {
  // Answers that end the parse at once, whatever follows.
  enum class Answer { kNone, kHelp, kVersion };

  std::string names = {};  // as CLI11 takes them, short before long: "-s,--size", "--json"
  std::string value = {};  // the value's name in the usage ("FILE"); empty for a switch
  std::string accepts = {};  // the value in a sentence: "--log needs a file", "--board takes a board number or all: x"
  std::string help = {};  // one paragraph
  std::function<Verdict(const std::string& value)> take = {};  // a switch is given ""
  Completion completion = {};
  Answer answer = Answer::kNone;
  bool required = false;
};

// An argument that is not an option (a file name).
struct Operand {
  std::string name = {};  // "RECORDING"
  std::string help = {};
  std::string missing = {};  // the refusal when it is left out ("no recording given"); empty: optional
  Completion completion = {};
};

struct Section {
  std::string title = {};  // "Options", "Self-test options"
  std::vector<Option> options = {};
};

struct Entry {
  std::string name = {};  // an environment variable, an exit code, an example command
  std::string text = {};
};

struct Program {
  std::string name = {};
  std::string purpose = {};  // a phrase for the manual page's NAME line
  std::vector<std::string> synopsis = {};  // the usage lines, each without the program's name
  std::vector<std::string> description = {};  // paragraphs
  std::vector<Operand> operands = {};
  std::vector<Section> sections = {};
  std::vector<Entry> environment = {};
  std::vector<Entry> exitStatus = {};
  std::vector<std::string> notes = {};  // closing paragraphs
  std::vector<Entry> examples = {};  // the manual page only
  std::vector<std::string> seeAlso = {};  // the manual page only: "osprel-enc(1)"
};

// The option's name in messages and usage lines: the first of its names.
std::string DisplayName(const Option& option);
// Every name of the option: {"-s", "--size"}.
std::vector<std::string> Names(const Option& option);

}  // namespace nuvix::cli
