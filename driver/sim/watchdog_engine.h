// The hardware watchdog of one simulated board: armed for 3..250 seconds,
// it expires unless re-armed or disarmed in time. A real board would reset
// the host; the simulated one counts the expiry, says so on standard error
// and disarms.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace nuvixsim {

class WatchdogEngine {
 public:
  static constexpr uint32_t kMinSeconds = 3, kMaxSeconds = 250;

  WatchdogEngine() = default;
  ~WatchdogEngine();
  WatchdogEngine(const WatchdogEngine&) = delete;
  WatchdogEngine& operator=(const WatchdogEngine&) = delete;

  // The board was opened: the watchdog can be armed.
  void Open();
  // Arms or re-arms the watchdog for seconds from now.
  uint32_t Enable(uint32_t seconds);
  uint32_t Disable();
  // The board was closed: disarmed, and no expiry can follow.
  void Close();

  // Control surface: expiries since the engine was made.
  uint64_t Expiries();

 private:
  using Clock = std::chrono::steady_clock;
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;  // an arm that passed the board's open check before the close finds it closed
  bool armed_ = false;
  bool stopping_ = false;
  uint32_t seconds_ = 0;
  Clock::time_point deadline_;
  uint64_t expiries_ = 0;
  std::thread thread_;  // started on the first arm, joined by Close
};

}  // namespace nuvixsim
