// The results of a self-test run: printed as they come, summed up, and
// written as a JSON file with the log lines of each test's board calls and
// what it measured.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "log_lines.h"
#include "measurements.h"

class LogFile;

enum class Verdict { kOk, kFail, kSkip };

struct TestOutcome {
  Verdict verdict = Verdict::kOk;
  std::string text;  // FAIL and SKIP: the reason; OK: what was seen (may be empty)
};

inline TestOutcome Passed(std::string seen = {}) { return {Verdict::kOk, std::move(seen)}; }
inline TestOutcome Failed(std::string reason) { return {Verdict::kFail, std::move(reason)}; }
inline TestOutcome Skipped(std::string reason) { return {Verdict::kSkip, std::move(reason)}; }

// What a board's detail record says about it.
struct BoardFacts {
  uint32_t boardId = 0, revisionId = 0, fpgaRevision = 0, customId = 0;
  uint32_t captureChannels = 0, audioChannels = 0, tvOutChannels = 0;
};

class SelfTestReport {
 public:
  struct Test {
    std::string block, name;
    TestOutcome outcome;
    uint32_t ms = 0;
    std::vector<std::string> log;
    Measurements measured;
  };
  struct Board {
    int index = 0;
    std::string model;
    std::vector<Test> tests;
    std::optional<BoardFacts> facts;  // once the detail record was read
  };
  // Tests with each verdict, indexed by Verdict.
  using Counts = std::array<int, 3>;

  // logFile, when given, receives every log line as the log window would show it.
  SelfTestReport(std::FILE* out, LogFile* logFile) : out_(out), logFile_(logFile) {}

  void BeginBoard(int index, const std::string& model);
  void SetBoardFacts(const BoardFacts& facts);
  // Log lines from now on belong to the next test added; any thread may log.
  void AddLog(const LogLines& lines);
  void AddTest(const std::string& block, const std::string& name, const TestOutcome& outcome, uint32_t ms,
               Measurements measured = {});

  // Prints the summary line; returns 0 when nothing failed, else 1.
  int Finish();
  // The whole run as JSON (see docs/selftest-schema.md).
  std::string Json(const std::string& standard, bool quick) const;

  const std::vector<Board>& Boards() const { return boards_; }
  Counts CountVerdicts() const;
  static Counts CountVerdicts(const Board& board);

 private:
  std::FILE* out_;
  LogFile* logFile_;
  std::vector<Board> boards_;
  std::string lastBlock_;
  std::mutex logMutex_;
  std::vector<std::string> pendingLog_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

const char* VerdictText(Verdict verdict);
