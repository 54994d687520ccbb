#include "man_page.h"

#include <cctype>

namespace nuvix::cli {

namespace {

// Text for roff: backslashes escaped, the dashes of option-like words as minus
// signs (so they can be copied and typed), a dot or quote at a line's start
// kept as text.
std::string Escape(const std::string& text) {
  std::string out;
  bool wordStart = true, optionWord = false;
  for (char c : text) {
    if (wordStart) optionWord = c == '-';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && optionWord) {
      out += "\\-";
    } else {
      out += c;
    }
    wordStart = c == ' ' || c == '(' || c == '[' || c == '|' || c == '\'' || c == '"';
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string Bold(const std::string& text) { return "\\fB" + Escape(text) + "\\fR"; }
std::string Italic(const std::string& text) { return "\\fI" + Escape(text) + "\\fR"; }

// A usage word: option names bold, values italic, brackets and bars plain.
std::string SynopsisWord(const std::string& word) {
  std::string out, part;
  auto flush = [&]() {
    if (!part.empty()) out += part[0] == '-' ? Bold(part) : Italic(part);
    part.clear();
  };
  for (char c : word) {
    if (c == '[' || c == ']' || c == '|') {
      flush();
      out += c;
    } else {
      part += c;
    }
  }
  flush();
  return out;
}

std::string Synopsis(const Program& program) {
  std::string out = ".SH SYNOPSIS\n";
  for (const std::string& line : program.synopsis) {
    out += ".SY " + program.name + "\n";
    // An option and its value are never parted: the space inside brackets does not break.
    int depth = 0;
    size_t start = 0;
    while (start < line.size()) {
      size_t end = line.find(' ', start);
      if (end == std::string::npos) end = line.size();
      const std::string word = line.substr(start, end - start);
      for (char c : word) depth += c == '[' ? 1 : c == ']' ? -1 : 0;
      out += SynopsisWord(word) + (end == line.size() ? "\n" : depth > 0 ? "\\ " : " ");
      start = end + 1;
    }
    out += ".YS\n";
  }
  return out;
}

std::string Paragraphs(const std::vector<std::string>& paragraphs) {
  std::string out;
  for (size_t k = 0; k < paragraphs.size(); ++k) out += (k ? ".PP\n" : "") + Escape(paragraphs[k]) + "\n";
  return out;
}

std::string Tagged(const std::string& tag, const std::string& text) { return ".TP\n" + tag + "\n" + Escape(text) + "\n"; }

std::string OptionTag(const Option& option) {
  std::string tag;
  for (const std::string& name : Names(option)) tag += (tag.empty() ? "" : ", ") + Bold(name);
  return option.value.empty() ? tag : tag + " " + SynopsisWord(option.value);
}

std::string Options(const Program& program) {
  std::string out = ".SH OPTIONS\n";
  for (size_t k = 0; k < program.sections.size(); ++k) {
    const Section& section = program.sections[k];
    if (k > 0) out += ".SS \"" + section.title + "\"\n";
    for (const Option& option : section.options) out += Tagged(OptionTag(option), option.help);
  }
  return out;
}

std::string Entries(const std::string& title, const std::vector<Entry>& entries) {
  if (entries.empty()) return {};
  std::string out = ".SH " + title + "\n";
  for (const Entry& entry : entries) out += Tagged(Bold(entry.name), entry.text);
  return out;
}

std::string Examples(const Program& program) {
  if (program.examples.empty()) return {};
  std::string out = ".SH EXAMPLES\n";
  for (const Entry& example : program.examples)
    out += ".PP\n" + Escape(example.text) + "\n.PP\n.in +4n\n.EX\n" + Escape(example.name) + "\n.EE\n.in\n";
  return out;
}

std::string SeeAlso(const Program& program) {
  if (program.seeAlso.empty()) return {};
  std::string out = ".SH SEE ALSO\n";
  for (size_t k = 0; k < program.seeAlso.size(); ++k) {
    const std::string& page = program.seeAlso[k];
    const size_t open = page.find('(');
    out += ".BR " + Escape(page.substr(0, open)) + " " + page.substr(open) + (k + 1 < program.seeAlso.size() ? ",\n" : "\n");
  }
  return out;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string ManPage(const Program& program, const std::string& version, const std::string& date) {
  std::string out = ".\\\" Made from the program's command-line table at build time.\n";
  out += ".TH " + Upper(program.name) + " 1 " + date + " \"" + version + "\" \"User Commands\"\n";
  out += ".SH NAME\n" + Escape(program.name) + " \\- " + Escape(program.purpose) + "\n";
  out += Synopsis(program);
  out += ".SH DESCRIPTION\n" + Paragraphs(program.description);
  out += Options(program);
  if (!program.operands.empty()) {
    out += ".SH OPERANDS\n";
    for (const Operand& operand : program.operands) out += Tagged(Italic(operand.name), operand.help);
  }
  out += Entries("EXIT STATUS", program.exitStatus);
  out += Entries("ENVIRONMENT", program.environment);
  if (!program.notes.empty()) out += ".SH NOTES\n" + Paragraphs(program.notes);
  out += Examples(program);
  out += SeeAlso(program);
  return out;
}

}  // namespace nuvix::cli
