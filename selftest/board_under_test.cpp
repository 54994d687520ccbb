#include "board_under_test.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "error_text.h"

void BoardUnderTest::Run(const std::string& block, const std::string& name, const std::function<TestOutcome()>& test) {
  measured_ = {};
  const Clock::time_point start = Clock::now();
  const TestOutcome outcome = test();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  report_.AddTest(block, name, outcome, static_cast<uint32_t>(ms), std::exchange(measured_, {}));
}

bool BoardUnderTest::Call(uint32_t code, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  report_.AddLog(FormatLogLines(code, text));
  if (code == NUVIXI_SUCCESS) return true;
  char reason[320];
  std::snprintf(reason, sizeof reason, "%s returned %X %s", text, code, ErrorText(code));
  std::lock_guard lock(failureMutex_);
  lastFailure_ = reason;
  return false;
}

TestOutcome BoardUnderTest::LastFailure() const {
  std::lock_guard lock(failureMutex_);
  return Failed(lastFailure_);
}

uint8_t* BoardUnderTest::KeepUntilClosed(size_t bytes) {
  kept_.push_back(std::make_unique<uint8_t[]>(bytes));
  return kept_.back().get();
}
