#include "self_test_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "driver_version.h"
#include "log_file.h"

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QJsonObject TestJson(const SelfTestReport::Test& test) {
  QJsonArray log;
  for (const std::string& line : test.log) log.append(Text(line));
  return QJsonObject{{"block", Text(test.block)},
                     {"test", Text(test.name)},
                     {"result", VerdictText(test.outcome.verdict)},
                     {"text", Text(test.outcome.text)},
                     {"ms", static_cast<qint64>(test.ms)},
                     {"log", log}};
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
  boards_.push_back({index, model, {}});
  lastBlock_.clear();
  std::fprintf(out_, "board %d (%s)\n", index, model.c_str());
  std::fflush(out_);
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
                             uint32_t ms) {
  Test test{block, name, outcome, ms, {}};
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
  if (boards_.empty()) boards_.push_back({-1, "", {}});
  boards_.back().tests.push_back(std::move(test));
}

int SelfTestReport::Finish() {
  int counts[3] = {};
  size_t total = 0;
  for (const Board& board : boards_)
    for (const Test& test : board.tests) {
      ++counts[static_cast<int>(test.outcome.verdict)];
      ++total;
    }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
  std::fprintf(out_, "self-test: %zu tests on %zu board(s): %d OK, %d FAIL, %d SKIP (%.1f s)\n", total, boards_.size(),
               counts[0], counts[1], counts[2], static_cast<double>(ms.count()) / 1000.0);
  std::fflush(out_);
  return counts[static_cast<int>(Verdict::kFail)] == 0 ? 0 : 1;
}

std::string SelfTestReport::Json(const std::string& standard, bool quick) const {
  QJsonArray boards;
  int counts[3] = {};
  for (const Board& board : boards_) {
    QJsonArray tests;
    for (const Test& test : board.tests) {
      tests.append(TestJson(test));
      ++counts[static_cast<int>(test.outcome.verdict)];
    }
    boards.append(QJsonObject{{"board", board.index}, {"model", Text(board.model)}, {"tests", tests}});
  }
  const QJsonObject summary{{"ok", counts[0]}, {"fail", counts[1]}, {"skip", counts[2]}};
  const QJsonObject root{{"schema", "nuvixsdk-self-test/1"},
                         {"driverVersion", Text(DriverVersionText())},
                         {"standard", Text(standard)},
                         {"quick", quick},
                         {"boards", boards},
                         {"summary", summary},
                         {"exitCode", counts[1] == 0 ? 0 : 1}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}
