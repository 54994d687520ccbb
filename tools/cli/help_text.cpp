#include "help_text.h"

#include <algorithm>

namespace nuvix::cli {

namespace {

// Labels longer than this start their text on the next line.
constexpr size_t kMaxLabelColumn = 24;

// Appends text's words to out, filling lines up to kHelpWidth; column is where
// out's last line stands, indent where continued lines start.
void Fill(std::string& out, const std::string& text, size_t column, size_t indent) {
  size_t start = 0;
  bool lineHasWord = false;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const size_t length = end - start;
    if (length > 0) {
      if (lineHasWord && column + 1 + length > kHelpWidth) {
        out += '\n';
        out.append(indent, ' ');
        column = indent;
        lineHasWord = false;
      }
      if (lineHasWord) {
        out += ' ';
        ++column;
      }
      out.append(text, start, length);
      column += length;
      lineHasWord = true;
    }
    start = end + 1;
  }
  out += '\n';
}

std::string UsageLines(const Program& program) {
  std::string out;
  for (size_t k = 0; k < program.synopsis.size(); ++k) {
    const std::string lead = (k == 0 ? "usage: " : "       ") + program.name + " ";
    out += lead;
    Fill(out, program.synopsis[k], lead.size(), lead.size());
  }
  return out;
}

// Two-column lists: a label, and its text beside it.
void List(std::string& out, const std::string& label, const std::string& text, size_t textColumn) {
  out += "  " + label;
  size_t column = 2 + label.size();
  if (column + 2 > textColumn) {
    out += "\n";
    column = 0;
  }
  out += std::string(textColumn - column, ' ');
  Fill(out, text, textColumn, textColumn);
}

size_t TextColumn(const Program& program) {
  size_t widest = 0;
  auto consider = [&widest](const std::string& label) {
    if (label.size() <= kMaxLabelColumn) widest = std::max(widest, label.size());
  };
  for (const Operand& operand : program.operands) consider(operand.name);
  for (const Section& section : program.sections)
    for (const Option& option : section.options) consider(Label(option));
  for (const Entry& entry : program.environment) consider(entry.name);
  for (const Entry& entry : program.exitStatus) consider(entry.name);
  return 2 + widest + 2;
}

void Paragraphs(std::string& out, const std::vector<std::string>& paragraphs) {
  for (const std::string& paragraph : paragraphs) {
    out += "\n";
    Fill(out, paragraph, 0, 0);
  }
}

void Entries(std::string& out, const std::string& title, const std::vector<Entry>& entries, size_t textColumn) {
  if (entries.empty()) return;
  out += "\n" + title + ":\n";
  for (const Entry& entry : entries) List(out, entry.name, entry.text, textColumn);
}

}  // namespace

std::string Label(const Option& option) {
  std::string label;
  for (const std::string& name : Names(option)) label += (label.empty() ? "" : ", ") + name;
  return option.value.empty() ? label : label + " " + option.value;
}

std::string HelpText(const Program& program) {
  const size_t textColumn = TextColumn(program);
  std::string out = UsageLines(program);
  Paragraphs(out, program.description);
  if (!program.operands.empty()) {
    out += "\nArguments:\n";
    for (const Operand& operand : program.operands) List(out, operand.name, operand.help, textColumn);
  }
  for (const Section& section : program.sections) {
    out += "\n" + section.title + ":\n";
    for (const Option& option : section.options) List(out, Label(option), option.help, textColumn);
  }
  Entries(out, "Environment", program.environment, textColumn);
  Entries(out, "Exit status", program.exitStatus, textColumn);
  Paragraphs(out, program.notes);
  return out;
}

std::string RefusalText(const Program& program, const std::string& problem) {
  return program.name + ": " + problem + "\n" + UsageLines(program) + "Try '" + program.name +
         " --help' for more information.\n";
}

}  // namespace nuvix::cli
