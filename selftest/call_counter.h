// A worker blocked in one driver wait that counts the waits that returned and
// when, so a test can wait for them against its own deadline. Stopping breaks
// the wait with the driver's cancel call, so a wait that never returns
// cannot hang the test.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "capt_thread.h"

class CallCounter {
 public:
  using Clock = std::chrono::steady_clock;
  // Called on the worker thread after each counted return, with its address.
  using OnReturn = std::function<void(uintptr_t address)>;

  CallCounter() = default;
  ~CallCounter() { Stop(); }
  CallCounter(const CallCounter&) = delete;
  CallCounter& operator=(const CallCounter&) = delete;

  void Start(CCaptThread::Settings settings, OnReturn onReturn = {});
  void Stop() { worker_.Stop(); }

  // Waits until count returns were seen or the deadline passed; true for the former.
  bool WaitFor(uint32_t count, Clock::time_point deadline) const;
  uint32_t Count() const { return count_.load(); }
  // Milliseconds from the start to the last return. Measured from the start,
  // not from the first return, so returns that come late and then catch up
  // in a burst count at their true number.
  double SpanMs() const;
  // Per interval (the start to the first return is one) in milliseconds; 0 before any return.
  double MeanIntervalMs() const;
  // Returns per second from the first return to the last, for returns whose
  // first comes at any point of its interval (0 before two).
  double RateAfterFirst() const;
  // The intervals between consecutive returns (of the first kKeptReturns),
  // in milliseconds, in order. Read after Stop.
  std::vector<double> IntervalsMs() const;

  static constexpr size_t kKeptReturns = 512;

 private:
  static void Counted(void* userData, int32_t channel, uintptr_t address);

  CCaptThread worker_;
  OnReturn onReturn_;
  std::atomic<uint32_t> count_{0};
  std::atomic<int64_t> startNs_{0}, firstNs_{0}, lastNs_{0};
  std::vector<int64_t> returnNs_;  // written by the worker, sized before it starts
};
