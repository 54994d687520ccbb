#include "self_test_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "driver_version.h"
#include "log_file.h"

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Rounded to 1 / steps: the file keeps what the measure can tell and no more.
// Dividing by the whole number of steps gives the double nearest to the
// decimal, which the file then shows in as few digits.
double Rounded(double value, double steps) { return std::round(value * steps) / steps; }

template <typename Number>
QJsonArray Numbers(const std::vector<Number>& values, double steps) {
  QJsonArray array;
  for (Number value : values) array.append(Rounded(static_cast<double>(value), steps));
  return array;
}

constexpr double kThousandths = 1000, kTenths = 10;

QJsonObject SeriesJson(const IntervalSeries& series) {
  QJsonObject object{{"expectedMs", Rounded(series.expectedMs, kThousandths)}, {"ms", Numbers(series.ms, kThousandths)}};
  if (!series.plannedMs.empty()) object["plannedMs"] = Numbers(series.plannedMs, kThousandths);
  return object;
}

QJsonObject ChannelSeriesJson(const IntervalSeries& series) {
  QJsonObject object = SeriesJson(series);
  object["channel"] = static_cast<qint64>(series.channel);
  return object;
}

QJsonObject AudioJson(const AudioTrace& trace) {
  return QJsonObject{{"channel", static_cast<qint64>(trace.channel)},
                     {"sampleRate", static_cast<qint64>(trace.sampleRate)},
                     {"samples", Numbers(trace.samples, 1)},
                     {"spectrum", QJsonObject{{"binHz", Rounded(trace.binHz, kThousandths)}, {"db", Numbers(trace.levelDb, kTenths)}}},
                     {"peakHz", Rounded(trace.peakHz, kTenths)},
                     {"blockMs", Rounded(trace.blocks.expectedMs, kThousandths)},
                     {"blockIntervalsMs", Numbers(trace.blocks.ms, kThousandths)}};
}

QJsonObject MeasurementsJson(const Measurements& measured) {
  QJsonObject object;
  if (!measured.frames.empty()) {
    QJsonArray frames;
    for (const IntervalSeries& series : measured.frames) frames.append(ChannelSeriesJson(series));
    object["frameIntervals"] = frames;
  }
  if (!measured.audio.empty()) {
    QJsonArray audio;
    for (const AudioTrace& trace : measured.audio) audio.append(AudioJson(trace));
    object["audio"] = audio;
  }
  if (measured.refills) object["refillIntervals"] = SeriesJson(*measured.refills);
  if (measured.roundTrips) object["roundTrips"] = SeriesJson(*measured.roundTrips);
  if (measured.ioMap) object["ioMap"] = Numbers(std::vector<uint32_t>(measured.ioMap->begin(), measured.ioMap->end()), 1);
  return object;
}

QJsonObject TestJson(const SelfTestReport::Test& test) {
  QJsonArray log;
  for (const std::string& line : test.log) log.append(Text(line));
  QJsonObject object{{"block", Text(test.block)},
                     {"test", Text(test.name)},
                     {"result", VerdictText(test.outcome.verdict)},
                     {"text", Text(test.outcome.text)},
                     {"ms", static_cast<qint64>(test.ms)},
                     {"log", log}};
  if (!test.measured.Empty()) object["measurements"] = MeasurementsJson(test.measured);
  return object;
}

QJsonObject FactsJson(const BoardFacts& facts) {
  return QJsonObject{{"boardId", static_cast<qint64>(facts.boardId)},
                     {"revisionId", static_cast<qint64>(facts.revisionId)},
                     {"fpgaRevision", static_cast<qint64>(facts.fpgaRevision)},
                     {"customId", static_cast<qint64>(facts.customId)},
                     {"captureChannels", static_cast<qint64>(facts.captureChannels)},
                     {"audioChannels", static_cast<qint64>(facts.audioChannels)},
                     {"tvOutChannels", static_cast<qint64>(facts.tvOutChannels)}};
}

}  // namespace

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk: return "OK";
    case Verdict::kFail: return "FAIL";
    case Verdict::kSkip: return "SKIP";
  }
  return "";
}

void SelfTestReport::BeginBoard(int index, const std::string& model) {
  boards_.push_back({index, model, {}, {}});
  lastBlock_.clear();
  std::fprintf(out_, "board %d (%s)\n", index, model.c_str());
  std::fflush(out_);
}

void SelfTestReport::SetBoardFacts(const BoardFacts& facts) {
  if (!boards_.empty()) boards_.back().facts = facts;
}

void SelfTestReport::AddLog(const LogLines& lines) {
  std::lock_guard lock(logMutex_);
  if (logFile_) logFile_->Write(lines.result + lines.error);
  for (const std::string* line : {&lines.result, &lines.error}) {
    if (line->empty()) continue;
    std::string text = *line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    pendingLog_.push_back(std::move(text));
  }
}

void SelfTestReport::AddTest(const std::string& block, const std::string& name, const TestOutcome& outcome,
                             uint32_t ms, Measurements measured) {
  Test test{block, name, outcome, ms, {}, std::move(measured)};
  {
    std::lock_guard lock(logMutex_);
    test.log.swap(pendingLog_);
  }
  if (block != lastBlock_) std::fprintf(out_, "  %s\n", block.c_str());
  lastBlock_ = block;
  // "OK (5 ms)  what was seen" or "FAIL: reason (5 ms)".
  const bool ok = outcome.verdict == Verdict::kOk;
  std::string verdict = VerdictText(outcome.verdict);
  if (!ok) verdict += ": " + outcome.text;
  const std::string seen = ok && !outcome.text.empty() ? "  " + outcome.text : "";
  std::fprintf(out_, "    %-20s %s (%u ms)%s\n", name.c_str(), verdict.c_str(), ms, seen.c_str());
  std::fflush(out_);
  if (boards_.empty()) boards_.push_back({-1, "", {}, {}});
  boards_.back().tests.push_back(std::move(test));
}

SelfTestReport::Counts SelfTestReport::CountVerdicts(const Board& board) {
  Counts counts{};
  for (const Test& test : board.tests) ++counts[static_cast<size_t>(test.outcome.verdict)];
  return counts;
}

SelfTestReport::Counts SelfTestReport::CountVerdicts() const {
  Counts counts{};
  for (const Board& board : boards_) {
    const Counts own = CountVerdicts(board);
    for (size_t k = 0; k < counts.size(); ++k) counts[k] += own[k];
  }
  return counts;
}

int SelfTestReport::Finish() {
  const Counts counts = CountVerdicts();
  const int total = counts[0] + counts[1] + counts[2];
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
  std::fprintf(out_, "self-test: %d tests on %zu board(s): %d OK, %d FAIL, %d SKIP (%.1f s)\n", total, boards_.size(),
               counts[0], counts[1], counts[2], static_cast<double>(ms.count()) / 1000.0);
  std::fflush(out_);
  return counts[static_cast<size_t>(Verdict::kFail)] == 0 ? 0 : 1;
}

std::string SelfTestReport::Json(const std::string& standard, bool quick) const {
  QJsonArray boards;
  for (const Board& board : boards_) {
    QJsonArray tests;
    for (const Test& test : board.tests) tests.append(TestJson(test));
    QJsonObject object{{"board", board.index}, {"model", Text(board.model)}, {"tests", tests}};
    if (board.facts) object["detail"] = FactsJson(*board.facts);
    boards.append(object);
  }
  const Counts counts = CountVerdicts();
  const QJsonObject summary{{"ok", counts[0]}, {"fail", counts[1]}, {"skip", counts[2]}};
  const QJsonObject root{{"schema", "nuvixsdk-self-test/2"},
                         {"driverVersion", Text(DriverVersionText())},
                         {"standard", Text(standard)},
                         {"quick", quick},
                         {"boards", boards},
                         {"summary", summary},
                         {"exitCode", counts[1] == 0 ? 0 : 1}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}
