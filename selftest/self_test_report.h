// The results of a self-test run: printed as they come, summed up, and
// written as a JSON file with the log lines of each test's board calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "log_lines.h"

class LogFile;

enum class Verdict { kOk, kFail, kSkip };

struct TestOutcome {
  Verdict verdict = Verdict::kOk;
  std::string text;  // FAIL and SKIP: the reason; OK: what was seen (may be empty)
};

inline TestOutcome Passed(std::string seen = {}) { return {Verdict::kOk, std::move(seen)}; }
inline TestOutcome Failed(std::string reason) { return {Verdict::kFail, std::move(reason)}; }
inline TestOutcome Skipped(std::string reason) { return {Verdict::kSkip, std::move(reason)}; }

class SelfTestReport {
 public:
  struct Test {
    std::string block, name;
    TestOutcome outcome;
    uint32_t ms = 0;
    std::vector<std::string> log;
  };
  struct Board {
    int index = 0;
    std::string model;
    std::vector<Test> tests;
  };

  // logFile, when given, receives every log line as the log window would show it.
  SelfTestReport(std::FILE* out, LogFile* logFile) : out_(out), logFile_(logFile) {}

  void BeginBoard(int index, const std::string& model);
  // Log lines from now on belong to the next test added; any thread may log.
  void AddLog(const LogLines& lines);
  void AddTest(const std::string& block, const std::string& name, const TestOutcome& outcome, uint32_t ms);

  // Prints the summary line; returns 0 when nothing failed, else 1.
  int Finish();
  // The whole run as JSON (see docs/selftest-schema.md).
  std::string Json(const std::string& standard, bool quick) const;

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
