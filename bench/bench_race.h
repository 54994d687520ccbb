// Timing for the side-by-side benchmarks: thread CPU time, and the best rate
// of two contenders over many short interleaved batches.
#pragma once

#include <time.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace bench {

// The time of clock in seconds.
inline double ClockSeconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Thread CPU time: on a shared machine, time spent descheduled is not ours.
inline double CpuSeconds() { return ClockSeconds(CLOCK_THREAD_CPUTIME_ID); }

// Best frames per second of a and of b over interleaved batches of frames calls.
inline std::pair<double, double> Race(const std::function<void()>& a, const std::function<void()>& b, int frames) {
  double bestA = 0, bestB = 0;
  for (int round = 0; round < 40; ++round) {  // many short batches: the best ones escape other load
    for (int which = 0; which < 2; ++which) {
      const auto& f = which == 0 ? a : b;
      const double t0 = CpuSeconds();
      for (int i = 0; i < frames; ++i) f();
      const double s = CpuSeconds() - t0;
      double& best = which == 0 ? bestA : bestB;
      best = std::max(best, frames / s);
    }
  }
  return {bestA, bestB};
}

}  // namespace bench
