// A worker thread that runs one blocking board call in a loop and hands each
// successful result to its owner's callback.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <thread>

// (user data, channel, address); called on the worker thread.
class CNuvixSdkDlg;

using CaptCallback = void (*)(void* userData, int32_t channel, uintptr_t address);

class CCaptThread {
 public:
  enum Kind : int32_t { ImageWait = 0, SoundWait = 1, AudioPlay = 2, TimedTick = 3, SerialRead = 4 };
  enum RunStatus : int32_t { kStarting = 0, kRunning = 1, kEnded = 99 };
  enum Control : int32_t { kIdle = 10, kStopRequested = 11 };

  // What a SerialRead pass hands to its callback; valid during the callback only.
  struct ReceiveRecord {
    uint32_t count;  // bytes requested and received, 1..15
    uint8_t data[256];
  };

  static constexpr uint32_t kTickMs = 30;
  // Pause after a blocking call fails with anything but a time-out, so a
  // failing board cannot spin a core.
  static constexpr uint32_t kFailureBackOffMs = 10;
  // Pause between two breaking calls while Stop waits for the thread to end.
  static constexpr uint32_t kBreakRepeatMs = 5;

  // What one worker runs: set before every Start.
  struct Settings {
    int32_t kind = ImageWait;
    void* userData = nullptr;
    CaptCallback callback = nullptr;
    int32_t board = 0;
    int32_t channel = 0;
    int32_t playArg1 = 0;  // AudioPlay: the two arguments of NUVIXI_APLAY_ON
    int32_t playArg2 = 0;
    CNuvixSdkDlg* log = nullptr;  // where a failed breaking call is logged
  };

  CCaptThread() = default;
  CCaptThread(const CCaptThread&) = delete;
  CCaptThread& operator=(const CCaptThread&) = delete;
  virtual ~CCaptThread();

  void Setup(const Settings& settings) { settings_ = settings; }
  // Starts the thread and returns once it runs (at once when it cannot be created).
  void Start();
  // Ends the thread and returns once it has ended; nothing when none runs.
  // The breaking call is repeated every kBreakRepeatMs until the thread has
  // ended, whatever it returns (a failure is logged once): a driver may lose
  // a break that comes while the worker is between two waits, or refuse one.
  void Stop();

  bool IsRunning() const { return thread_.joinable(); }
  int32_t RunStatusNow() const { return runStatus_.load(); }

 private:
  void Run();
  // One blocking call; returns its result and the address for the callback.
  uint32_t Pass(uintptr_t& address, ReceiveRecord& record);
  // The kind's breaking call; its result (success for TimedTick).
  uint32_t Break();
  void LogBreakFailure(uint32_t code) const;

  // Waits out the back-off after a failed call; returns at once on a stop request.
  void BackOff();
  // Waits up to kBreakRepeatMs for the thread to end; true once it has.
  bool AwaitEnd();

  Settings settings_;
  std::thread thread_;
  std::atomic<int32_t> runStatus_{kStarting};
  std::atomic<int32_t> control_{kIdle};
  // Wakes the worker from a back-off when a stop is requested, and Stop when
  // the worker has ended.
  std::mutex wakeMutex_;
  std::condition_variable wake_;
};
