// Starting, stopping and measuring the thread an engine's clock runs on. The
// engine owns the thread, the mutex its clock waits under, the condition that
// wakes it and the stop flag the clock checks.
#pragma once

#include <pthread.h>

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <thread>

namespace nuvixsim {

// Clears stop and starts body unless the thread runs; throws std::system_error
// when no thread can be made.
template <typename Body>
void StartClockThread(std::thread& thread, std::mutex& mutex, bool& stop, Body body) {
  if (thread.joinable()) return;
  {
    std::lock_guard lock(mutex);
    stop = false;
  }
  thread = std::thread(std::move(body));
}

// Sets stop, wakes the clock and waits for its thread to end; nothing when none runs.
inline void StopClockThread(std::thread& thread, std::mutex& mutex, std::condition_variable& wake, bool& stop) {
  if (!thread.joinable()) return;
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake.notify_all();
  thread.join();
}

// CPU time of a running thread in nanoseconds; false when it does not run.
inline bool ClockThreadCpuTime(std::thread& thread, uint64_t& nanoseconds) {
  clockid_t clock;
  timespec used{};
  if (!thread.joinable() || pthread_getcpuclockid(thread.native_handle(), &clock) != 0 ||
      clock_gettime(clock, &used) != 0)
    return false;
  nanoseconds = static_cast<uint64_t>(used.tv_sec) * 1000000000u + static_cast<uint64_t>(used.tv_nsec);
  return true;
}

}  // namespace nuvixsim
