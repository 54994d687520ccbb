// The command-line kit on a small table: the forms users type by habit, the
// order in which answers and problems win, and the texts made from the table.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bash_completion.h"
#include "command_line_parser.h"
#include "help_text.h"
#include "man_page.h"

namespace nuvix::cli {
namespace {

// What the options of the test table received, in order.
struct Received {
  std::vector<std::string> takes;
};

Program TestProgram(Received& received) {
  auto record = [&received](std::string name) {
    return [&received, name](const std::string& value) {
      received.takes.push_back(name + "=" + value);
      return Verdict::Taken();
    };
  };
  return {
      .name = "tool",
      .purpose = "a tool for the tests",
      .synopsis = {"-s WxH [-q] [--json FILE] [--quick] in [out]", "--help | --version"},
      .description = {"Reads in, writes out."},
      .operands = {{"in", "what it reads", "no input given", {Completion::Kind::kFile}},
                   {"out", "what it writes", "", {Completion::Kind::kFile}}},
      .sections = {{"Options",
                    {{"-s,--size", "WxH", "a size WxH", "the size",
                      [&received](const std::string& value) {
                        if (value == "0x0") return Verdict::Refused("0x0 is no size");
                        if (value.find('x') == std::string::npos) return Verdict::Unreadable();
                        received.takes.push_back("size=" + value);
                        return Verdict::Taken();
                      },
                      {Completion::Kind::kWords, {"176x144", "352x288"}},
                      Option::Answer::kNone,
                      true},
                     {"-q", "", "", "quiet", record("q")},
                     {"--json", "FILE", "a file", "also write JSON to FILE", record("json"), {Completion::Kind::kFile}},
                     {"--quick", "", "", "be quick", record("quick")},
                     {"-h,--help", "", "", "display this help and exit", {}, {}, Option::Answer::kHelp},
                     {"--version", "", "", "print the version", {}, {}, Option::Answer::kVersion}}}},
      .exitStatus = {{"0", "done"}, {"2", "a command line it cannot use"}},
      .examples = {{"tool -s 176x144 .hidden", "A file whose name starts with a dot:"}},
      .seeAlso = {"other-tool(1)"},
  };
}

struct Outcome {
  Parsed parsed;
  std::vector<std::string> takes;
};

Outcome ParseLine(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "tool");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  Received received;
  const Program program = TestProgram(received);
  Outcome outcome{Parse(program, static_cast<int>(argv.size()), argv.data()), {}};
  outcome.takes = received.takes;
  return outcome;
}

std::string Shown(const std::vector<std::string>& arguments) {
  std::string shown = "tool";
  for (const std::string& argument : arguments) shown += " '" + argument + "'";
  return shown;
}

TEST(CommandLineParser, TakesTheFormsUsersTypeByHabit) {
  using Takes = std::vector<std::string>;
  const struct {
    std::vector<std::string> arguments;
    Takes takes;
    std::vector<std::string> operands;
  } cases[] = {
      {{"-s", "352x288", "in"}, {"size=352x288"}, {"in"}},
      {{"-s352x288", "in"}, {"size=352x288"}, {"in"}},
      {{"--size=352x288", "in"}, {"size=352x288"}, {"in"}},
      {{"--size", "352x288", "in"}, {"size=352x288"}, {"in"}},
      {{"in", "--json=a=b.json", "-s", "1x1"}, {"json=a=b.json", "size=1x1"}, {"in"}},
      {{"--json", "-dash.json", "-s", "1x1", "in"}, {"json=-dash.json", "size=1x1"}, {"in"}},
      {{"-qs352x288", "in", "out"}, {"q=", "size=352x288"}, {"in", "out"}},
      {{"-s", "1x1", "--", "-in.yuv", "--quick"}, {"size=1x1"}, {"-in.yuv", "--quick"}},
      {{"-s", "1x1", "-", "-"}, {"size=1x1"}, {"-", "-"}},
      {{"--quick=true", "-s", "1x1", "in"}, {"quick=", "size=1x1"}, {"in"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Shown(c.arguments));
    const Outcome outcome = ParseLine(c.arguments);
    EXPECT_EQ(outcome.parsed.outcome, Parsed::Outcome::kGo) << outcome.parsed.problem;
    EXPECT_EQ(outcome.takes, c.takes);
    EXPECT_EQ(outcome.parsed.operands, c.operands);
  }
}

TEST(CommandLineParser, RefusesInTheProjectsWords) {
  const struct {
    std::vector<std::string> arguments;
    std::string problem;
  } cases[] = {
      {{"--bogus", "-s", "1x1", "in"}, "unknown option: --bogus"},
      {{"-s", "1x1", "in", "-x"}, "unknown option: -x"},
      {{"-s", "1x1", "in", "out", "more"}, "too many files given"},
      {{"-s", "1x1"}, "no input given"},
      {{"in"}, "-s WxH is required"},
      {{"in", "-s"}, "-s needs a size WxH"},
      {{"in", "--size="}, "-s needs a size WxH"},
      {{"--size=", "in"}, "-s needs a size WxH"},
      {{"--json=", "-s", "1x1", "in"}, "--json needs a file"},
      {{"in", "-s", ""}, "-s needs a size WxH"},
      {{"in", "-s", "large"}, "-s takes a size WxH: large"},
      {{"in", "--size=0x0"}, "0x0 is no size"},
      {{"in", "-s", "1x1", "--json"}, "--json needs a file"},
      {{"in", "-s", "1x1", "--quick=yes"}, "--quick takes no value"},
      // The first problem in the line's order wins, and ends the parse.
      {{"--json", "", "-s", "large", "in"}, "--json needs a file"},
      {{"-s", "large", "--json", "", "in"}, "-s takes a size WxH: large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Shown(c.arguments));
    const Outcome outcome = ParseLine(c.arguments);
    EXPECT_EQ(outcome.parsed.outcome, Parsed::Outcome::kRefused);
    EXPECT_EQ(outcome.parsed.problem, c.problem);
  }
}

TEST(CommandLineParser, HelpAndVersionAnswerUnlessAProblemCameFirst) {
  const struct {
    std::vector<std::string> arguments;
    Parsed::Outcome outcome;
  } cases[] = {
      {{"--help"}, Parsed::Outcome::kHelp},
      {{"-h", "--bogus", "--json"}, Parsed::Outcome::kHelp},
      {{"in", "--version", "-s", "large"}, Parsed::Outcome::kVersion},
      {{"--bogus", "--help"}, Parsed::Outcome::kHelp},  // unknown options are counted at the end
      {{"-s", "large", "--help"}, Parsed::Outcome::kRefused},
      {{"--help=yes"}, Parsed::Outcome::kHelp},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Shown(c.arguments));
    EXPECT_EQ(ParseLine(c.arguments).parsed.outcome, c.outcome);
  }
  // Nothing after the answer was taken.
  EXPECT_TRUE(ParseLine({"--help", "--json", "x"}).takes.empty());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(HelpText, LaysTheTableOutInColumns) {
  Received received;
  Program program = TestProgram(received);
  program.sections[0].options[2].help =
      "also write JSON to FILE, a sentence long enough to be wrapped onto a second line of the help text";
  const std::string help = HelpText(program);
  const std::vector<std::string> lines = Lines(help);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "usage: tool -s WxH [-q] [--json FILE] [--quick] in [out]");
  EXPECT_EQ(lines[1], "       tool --help | --version");
  for (const std::string& line : lines) EXPECT_LE(line.size(), kHelpWidth) << line;
  // Every text starts in one column, continued lines too.
  const std::string::size_type column = help.find("the size") - help.rfind('\n', help.find("the size")) - 1;
  for (const char* text : {"the size", "quiet", "also write JSON", "what it reads", "a command line it"}) {
    const size_t at = help.find(text);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(at - help.rfind('\n', at) - 1, column) << text;
  }
  const size_t wrapped = help.find("\n", help.find("also write JSON")) + 1;
  EXPECT_EQ(help.substr(wrapped, column), std::string(column, ' '));
  EXPECT_NE(help.find("\n  -s, --size WxH "), std::string::npos);
  EXPECT_NE(help.find("\nExit status:\n  0 "), std::string::npos);
}

TEST(HelpText, RefusalNamesTheProgramAndShowsTheUsage) {
  Received received;
  EXPECT_EQ(RefusalText(TestProgram(received), "unknown option: --x"),
            "tool: unknown option: --x\n"
            "usage: tool -s WxH [-q] [--json FILE] [--quick] in [out]\n"
            "       tool --help | --version\n"
            "Try 'tool --help' for more information.\n");
}

TEST(ManPage, EscapesForRoffAndKeepsOptionsWithTheirValues) {
  Received received;
  Program program = TestProgram(received);
  program.description = {".starts with a dot, has a back\\slash, a self-test and --json"};
  const std::string page = ManPage(program, "tool 1.2", "2026-12-10");
  EXPECT_EQ(page.find(".TH TOOL 1 2026-12-10 \"tool 1.2\" \"User Commands\"\n"), page.find("\n") + 1);
  EXPECT_NE(page.find("\n.SH NAME\ntool \\- a tool for the tests\n"), std::string::npos);
  EXPECT_NE(page.find("\n\\&.starts with a dot, has a back\\eslash, a self-test and \\-\\-json\n"), std::string::npos);
  // Inside brackets an option and its value are joined by a space that does not break.
  EXPECT_NE(page.find("[\\fB\\-\\-json\\fR\\ \\fIFILE\\fR] "), std::string::npos) << page;
  EXPECT_NE(page.find(".TP\n\\fB\\-s\\fR, \\fB\\-\\-size\\fR \\fIWxH\\fR\nthe size\n"), std::string::npos);
  EXPECT_NE(page.find(".EX\ntool \\-s 176x144 .hidden\n.EE\n"), std::string::npos);
  EXPECT_NE(page.find(".SH SEE ALSO\n.BR other-tool (1)\n"), std::string::npos);
  for (const std::string& line : Lines(page)) EXPECT_TRUE(line.empty() || line[0] != '\'') << line;
}

TEST(BashCompletion, OffersEachOptionsValuesAndFilesForOperands) {
  Received received;
  const std::string script = BashCompletion(TestProgram(received));
  EXPECT_NE(script.find("    -s|--size)\n      COMPREPLY=($(compgen -W '176x144 352x288' -- \"$cur\"))\n"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("    --json)\n      _filedir\n"), std::string::npos);
  EXPECT_NE(script.find("compgen -W '-s --size -q --json --quick -h --help --version'"), std::string::npos);
  EXPECT_NE(script.find("  _filedir\n}"), std::string::npos);
  EXPECT_NE(script.find("complete -F _tool tool\n"), std::string::npos);
}

}  // namespace
}  // namespace nuvix::cli
