#include "junit_report.h"

#include "markup_text.h"
#include "text_format.h"

namespace {

std::string Seconds(uint64_t ms) { return TextFormat("%.3f", static_cast<double>(ms) / 1000.0); }

uint64_t BoardMs(const SelfTestReport::Board& board) {
  uint64_t ms = 0;
  for (const SelfTestReport::Test& test : board.tests) ms += test.ms;
  return ms;
}

// tests, failures, errors, skipped and time, as a suite or the whole run carries them.
std::string Totals(const SelfTestReport::Counts& counts, uint64_t ms) {
  return TextFormat(" tests=\"%d\" failures=\"%d\" errors=\"0\" skipped=\"%d\" time=\"%s\"", counts[0] + counts[1] + counts[2],
                    counts[1], counts[2], Seconds(ms).c_str());
}

std::string Property(const char* name, const std::string& value) {
  return std::string("      <property name=\"") + name + "\" value=\"" + MarkupText(value) + "\"/>\n";
}

std::string Properties(const SelfTestReport::Board& board) {
  std::string xml = "    <properties>\n" + Property("model", board.model);
  if (const auto& f = board.facts) {
    xml += Property("boardId", std::to_string(f->boardId)) + Property("revisionId", TextFormat("%X", f->revisionId)) +
           Property("fpgaRevision", TextFormat("%08X", f->fpgaRevision)) + Property("customId", TextFormat("%X", f->customId)) +
           Property("captureChannels", std::to_string(f->captureChannels)) +
           Property("audioChannels", std::to_string(f->audioChannels)) +
           Property("tvOutChannels", std::to_string(f->tvOutChannels));
  }
  return xml + "    </properties>\n";
}

std::string TestCase(const SelfTestReport::Test& test) {
  std::string xml = "    <testcase classname=\"" + MarkupText(test.block) + "\" name=\"" + MarkupText(test.name) +
                    "\" time=\"" + Seconds(test.ms) + "\">\n";
  const std::string reason = MarkupText(test.outcome.text);
  if (test.outcome.verdict == Verdict::kFail)
    xml += "      <failure message=\"" + reason + "\" type=\"FAIL\">" + reason + "</failure>\n";
  if (test.outcome.verdict == Verdict::kSkip) xml += "      <skipped message=\"" + reason + "\"/>\n";
  if (!test.log.empty()) {
    xml += "      <system-out>";
    for (const std::string& line : test.log) xml += MarkupText(line) + "\n";
    xml += "</system-out>\n";
  }
  return xml + "    </testcase>\n";
}

}  // namespace

std::string JUnitReport(const SelfTestReport& report) {
  uint64_t totalMs = 0;
  std::string suites;
  for (const SelfTestReport::Board& board : report.Boards()) {
    const uint64_t ms = BoardMs(board);
    totalMs += ms;
    suites += TextFormat("  <testsuite id=\"%d\" name=\"board %d (", board.index, board.index) + MarkupText(board.model) + ")\"" +
              Totals(SelfTestReport::CountVerdicts(board), ms) + ">\n" + Properties(board);
    for (const SelfTestReport::Test& test : board.tests) suites += TestCase(test);
    suites += "  </testsuite>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"nuvixsdk self-test\"" +
         Totals(report.CountVerdicts(), totalMs) + ">\n" + suites + "</testsuites>\n";
}
