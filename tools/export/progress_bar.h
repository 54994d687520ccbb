// A one-line progress bar on a terminal, drawn only once the work has taken
// a moment, so quick exports print nothing but their summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace nuvix {

class ProgressBar {
 public:
  static constexpr std::chrono::milliseconds kDelay{1000};
  static constexpr std::chrono::milliseconds kInterval{100};
  static constexpr int kWidth = 40;

  // Draws on to, and only when enabled.
  ProgressBar(FILE* to, bool enabled);

  void Update(uint64_t done, uint64_t total);
  // Clears the bar's line when one was drawn.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  FILE* to_;
  bool enabled_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point last_;
};

}  // namespace nuvix
