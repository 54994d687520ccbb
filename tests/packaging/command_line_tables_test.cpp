// The three programs' command-line tables, read as a user reads --help and the
// manual page: every option is in the usage, says what its value is, and the
// texts made from the tables fit a terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "command_line.h"
#include "command_line_parser.h"
#include "export_command_line.h"
#include "help_text.h"
#include "osprel_enc_command_line.h"

namespace nuvix::cli {
namespace {

const Program* const kPrograms[] = {&CommandLineProgram(), &ExportCommandLineProgram(),
                                    &EncoderCommandLineProgram()};

TEST(CommandLineTables, EveryOptionIsInTheUsageAndNamesItsValue) {
  for (const Program* program : kPrograms) {
    SCOPED_TRACE(program->name);
    std::string usage;
    for (const std::string& line : program->synopsis) usage += " " + line + " ";
    for (const Section& section : program->sections)
      for (const Option& option : section.options) {
        SCOPED_TRACE(option.names);
        EXPECT_FALSE(option.help.empty());
        const std::string shown = Names(option).back() + (option.value.empty() ? "" : " " + option.value);
        const std::string first = DisplayName(option) + (option.value.empty() ? "" : " " + option.value);
        EXPECT_TRUE(usage.find(first) != std::string::npos || usage.find(shown) != std::string::npos)
            << "the usage lines leave it out";
        if (option.answer == Option::Answer::kNone) {
          EXPECT_TRUE(option.take) << "nothing reads it";
        }
        if (!option.value.empty()) {
          EXPECT_FALSE(option.accepts.empty()) << "its refusals would not say what it takes";
        }
      }
    for (const Operand& operand : program->operands) EXPECT_NE(usage.find(operand.name), std::string::npos);
  }
}

TEST(CommandLineTables, EachProgramAnswersHelpAndVersionAndRefusesAlike) {
  for (const Program* program : kPrograms) {
    SCOPED_TRACE(program->name);
    const char* help[] = {"x", "--help"};
    const char* version[] = {"x", "--version"};
    const char* bogus[] = {"x", "--bogus"};
    EXPECT_EQ(Parse(*program, 2, help).outcome, Parsed::Outcome::kHelp);
    EXPECT_EQ(Parse(*program, 2, version).outcome, Parsed::Outcome::kVersion);
    EXPECT_EQ(Parse(*program, 2, bogus).problem, "unknown option: --bogus");
    std::istringstream text(HelpText(*program));
    for (std::string line; std::getline(text, line);) {
      // Only a word longer than a line may stick out.
      if (line.size() > kHelpWidth) {
        EXPECT_EQ(line.find(' ', line.find_first_not_of(' ')), std::string::npos) << line;
      }
    }
  }
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Every environment variable the simulated board reads, as its sources read it.
std::set<std::string> SimulatorVariables() {
  const std::string read = "getenv(\"";
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(NUVIX_SOURCE_DIR "/driver/sim")) {
    const std::string text = FileText(entry.path());
    for (size_t at = text.find(read); at != std::string::npos; at = text.find(read, at + 1)) {
      const size_t begin = at + read.size();
      names.insert(text.substr(begin, text.find('"', begin) - begin));
    }
  }
  return names;
}

TEST(CommandLineTables, EverySimulatorVariableIsInTheReadmeAndTheHelp) {
  const std::set<std::string> names = SimulatorVariables();
  ASSERT_TRUE(names.count("NUVIXI_SIM_BOARDS")) << "the scan of the simulator's sources found nothing";
  const std::string readme = FileText(NUVIX_SOURCE_DIR "/README.md");
  const std::string help = HelpText(CommandLineProgram());
  for (const std::string& name : names) {
    EXPECT_NE(readme.find(name), std::string::npos) << name << " is not in README.md";
    EXPECT_NE(help.find(name), std::string::npos) << name << " is not in nuvixsdk --help";
  }
}

}  // namespace
}  // namespace nuvix::cli
