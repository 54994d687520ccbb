#include "html_report.h"

#include <ctime>

#include "driver_version.h"
#include "markup_text.h"
#include "report_plots.h"
#include "text_format.h"

namespace {

constexpr const char* kStyle = R"(
@page { size: A4; margin: 12mm; }
body { font: 14px/1.4 "DejaVu Sans", "Liberation Sans", Arial, sans-serif; color: #222; max-width: 1100px;
       margin: 0 auto; padding: 16px; }
h1 { font-size: 22px; margin: 0 0 2px; }
h2 { font-size: 17px; margin: 22px 0 6px; border-bottom: 2px solid #333; }
p { margin: 2px 0; }
.run { color: #555; }
.summary { font-size: 16px; margin: 8px 0; }
table { border-collapse: collapse; }
th, td { border-bottom: 1px solid #ddd; padding: 3px 10px 3px 0; text-align: left; vertical-align: bottom; }
td { white-space: nowrap; }
th { font-weight: bold; font-size: 12px; color: #555; }
.verdict { display: inline-block; min-width: 3.4em; text-align: center; border-radius: 3px; font-weight: bold;
           color: #fff; padding: 0 4px; font-size: 12px; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
.verdict.ok { background: #2e7d32; } .verdict.fail { background: #c62828; } .verdict.skip { background: #757575; }
.verdict.none { background: none; color: #555; border: 1px solid #bbb; }
.test { border-bottom: 1px solid #e4e4e4; padding: 5px 0; }
.test h3 { font-size: 14px; font-weight: normal; margin: 0; }
.test h3 .time { color: #666; font-size: 12px; margin-left: 6px; }
.test .text { margin-left: 4.6em; color: #333; overflow-wrap: anywhere; }
.test.fail .text { color: #a31515; }
.plots { display: grid; grid-template-columns: repeat(auto-fill, minmax(460px, 1fr)); gap: 10px 16px; margin: 6px 0 4px 4.6em; }
.plots.wide { grid-template-columns: minmax(0, 1fr); }
figure { margin: 0; break-inside: avoid; page-break-inside: avoid; }
figcaption { font-size: 12px; color: #444; }
figure svg { display: block; max-width: 100%; height: auto; }
.missing { color: #a31515; font-style: italic; }
details { margin-left: 4.6em; font-size: 12px; }
summary { color: #555; cursor: pointer; }
pre { font: 11px/1.35 "DejaVu Sans Mono", "Liberation Mono", monospace; background: #f6f6f6; padding: 6px;
      white-space: pre-wrap; overflow-wrap: anywhere; margin: 2px 0 6px; }
@media print {
  body { max-width: none; padding: 0; font-size: 11px; }
  h2 { break-after: avoid; page-break-after: avoid; }
  .plots { grid-template-columns: repeat(2, minmax(0, 1fr)); margin-left: 0; }
  .plots.wide { grid-template-columns: minmax(0, 1fr); }
  .test h3 { break-after: avoid; page-break-after: avoid; }
}
)";

std::string VerdictClass(Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk: return "ok";
    case Verdict::kFail: return "fail";
    case Verdict::kSkip: return "skip";
  }
  return "";
}

std::string CountsText(const SelfTestReport::Counts& counts) {
  return TextFormat("%d OK, %d FAIL, %d SKIP", counts[0], counts[1], counts[2]);
}

// Every document cairo writes names its glyphs and clips the same way;
// within one page each plot's names get a prefix of their own.
std::string WithOwnIds(std::string svg, const std::string& prefix) {
  for (const std::string& mark : {std::string("id=\""), std::string("href=\"#"), std::string("url(#")})
    for (size_t at = svg.find(mark); at != std::string::npos; at = svg.find(mark, at + mark.size() + prefix.size()))
      svg.insert(at + mark.size(), prefix);
  return svg;
}

// A plot as it stands in the page: its own names, without the XML declaration.
std::string InlineSvg(const std::string& svg, int number) {
  if (svg.empty()) return "<p class=\"missing\">the plot could not be drawn</p>";
  const size_t start = svg.find("<svg");
  return WithOwnIds(svg.substr(start == std::string::npos ? 0 : start), TextFormat("p%d-", number));
}

struct Figure {
  std::string caption;  // empty: none
  std::string channel;  // empty: the plot is not of one channel
  std::string svg;
};

std::vector<Figure> Figures(const Measurements& measured) {
  std::vector<Figure> figures;
  for (const IntervalSeries& series : measured.frames)
    figures.push_back({TextFormat("channel %u", series.channel), std::to_string(series.channel), FrameIntervalPlot(series)});
  for (const AudioTrace& trace : measured.audio)
    figures.push_back({TextFormat("channel %u, %u Hz", trace.channel, trace.sampleRate), std::to_string(trace.channel),
                       AudioPlot(trace)});
  if (measured.refills) figures.push_back({"", "", RefillPlot(*measured.refills)});
  if (measured.roundTrips) figures.push_back({"", "", RoundTripPlot(*measured.roundTrips)});
  if (measured.ioMap) figures.push_back({"", "", IoMapPlot(*measured.ioMap)});
  return figures;
}

class Page {
 public:
  Page(const SelfTestReport& report, const std::string& standard, bool quick) : report_(report) {
    const SelfTestReport::Counts counts = report.CountVerdicts();
    html_ += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n";
    html_ += "<title>NUVIX self-test: " + CountsText(counts) + "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    html_ += "<h1>NUVIX self-test</h1>\n";
    html_ += "<p class=\"run\">board driver " + MarkupText(DriverVersionText()) + " \u00b7 " + (standard == "pal" ? "PAL" : "NTSC") +
             (quick ? " \u00b7 quick measuring windows" : "") + " \u00b7 " + Now() + "</p>\n";
    html_ += "<p class=\"summary\">" + TextFormat("%zu board(s): ", report.Boards().size()) + Tally(counts) +
             TextFormat("\u00b7 exit code %d", counts[1] == 0 ? 0 : 1) + "</p>\n";
  }

  std::string Finish() {
    BoardTable();
    for (const SelfTestReport::Board& board : report_.Boards()) BoardSection(board);
    html_ += "</body>\n</html>\n";
    return std::move(html_);
  }

 private:
  static std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
  }

  static std::string Tally(const SelfTestReport::Counts& counts) {
    std::string tally;
    for (Verdict verdict : {Verdict::kOk, Verdict::kFail, Verdict::kSkip}) {
      const int count = counts[static_cast<size_t>(verdict)];
      // A verdict no test had is shown plainly, so the colours point at what happened.
      tally += TextFormat("<span class=\"verdict %s\">%d %s</span> ", count > 0 ? VerdictClass(verdict).c_str() : "none", count,
                          VerdictText(verdict));
    }
    return tally;
  }

  void BoardTable() {
    html_ += "<h2>Boards</h2>\n<table class=\"boards\">\n<tr><th>board</th><th>model</th><th>board ID</th><th>revision</th>"
             "<th>FPGA</th><th>custom ID</th><th>capture channels</th><th>audio channels</th><th>TV-out channels</th>"
             "<th>results</th></tr>\n";
    for (const SelfTestReport::Board& board : report_.Boards()) {
      html_ += TextFormat("<tr><td><a href=\"#board-%d\">%d</a></td><td>", board.index, board.index) + MarkupText(board.model) + "</td>";
      if (const auto& f = board.facts)
        html_ += TextFormat("<td>%u</td><td>%X</td><td>%08X</td><td>%X</td><td>%u</td><td>%u</td><td>%u</td>", f->boardId,
                            f->revisionId, f->fpgaRevision, f->customId, f->captureChannels, f->audioChannels, f->tvOutChannels);
      else
        html_ += "<td colspan=\"7\">no detail record</td>";
      html_ += "<td>" + CountsText(SelfTestReport::CountVerdicts(board)) + "</td></tr>\n";
    }
    html_ += "</table>\n";
  }

  void BoardSection(const SelfTestReport::Board& board) {
    html_ += TextFormat("<section class=\"board\" id=\"board-%d\">\n<h2>Board %d: ", board.index, board.index) +
             MarkupText(board.model) + "</h2>\n";
    for (const SelfTestReport::Test& test : board.tests) TestSection(test);
    html_ += "</section>\n";
  }

  void TestSection(const SelfTestReport::Test& test) {
    const std::string verdict = VerdictClass(test.outcome.verdict);
    html_ += "<section class=\"test " + verdict + "\" data-test=\"" + MarkupText(test.block + "/" + test.name) +
             "\" data-verdict=\"" + VerdictText(test.outcome.verdict) + "\">\n";
    html_ += "<h3><span class=\"verdict " + verdict + "\">" + VerdictText(test.outcome.verdict) + "</span> " +
             MarkupText(test.block) + " \u00b7 " + MarkupText(test.name) + TextFormat("<span class=\"time\">%u ms</span></h3>\n", test.ms);
    if (!test.outcome.text.empty()) html_ += "<p class=\"text\">" + MarkupText(test.outcome.text) + "</p>\n";
    Plots(test.measured);
    if (!test.log.empty()) {
      html_ += TextFormat("<details><summary>log, %zu line(s)</summary><pre>", test.log.size());
      for (const std::string& line : test.log) html_ += MarkupText(line) + "\n";
      html_ += "</pre></details>\n";
    }
    html_ += "</section>\n";
  }

  void Plots(const Measurements& measured) {
    const std::vector<Figure> figures = Figures(measured);
    if (figures.empty()) return;
    // Audio plots are wide, and a single plot gets the whole width.
    html_ += measured.audio.empty() && figures.size() > 1 ? "<div class=\"plots\">\n" : "<div class=\"plots wide\">\n";
    for (const Figure& figure : figures) {
      html_ += figure.channel.empty() ? "<figure class=\"plot\">" : "<figure class=\"plot\" data-channel=\"" + figure.channel + "\">";
      if (!figure.caption.empty()) html_ += "<figcaption>" + MarkupText(figure.caption) + "</figcaption>";
      html_ += InlineSvg(figure.svg, ++plots_) + "</figure>\n";
    }
    html_ += "</div>\n";
  }

  const SelfTestReport& report_;
  std::string html_;
  int plots_ = 0;
};

}  // namespace

std::string HtmlReport(const SelfTestReport& report, const std::string& standard, bool quick) {
  return Page(report, standard, quick).Finish();
}
