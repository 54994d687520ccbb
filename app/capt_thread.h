// A worker thread that runs one blocking board call in a loop and hands each
// successful result to its owner's callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// (user data, channel, address); called on the worker thread.
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

  CCaptThread() = default;
  CCaptThread(const CCaptThread&) = delete;
  CCaptThread& operator=(const CCaptThread&) = delete;
  virtual ~CCaptThread();

  void Setup(int32_t kind, void* userData, CaptCallback callback, int32_t board, int32_t channel, int32_t extra,
             int32_t playArg1, int32_t playArg2);
  // Starts the thread and returns once it runs (at once when it cannot be created).
  void Start();
  // Ends the thread and returns once it has ended; nothing when none runs.
  void Stop();

  bool IsRunning() const { return thread_.joinable(); }
  int32_t RunStatusNow() const { return runStatus_.load(); }

 private:
  void Run();
  // One blocking call; returns its result and the address for the callback.
  uint32_t Pass(uintptr_t& address, ReceiveRecord& record);
  void Break();

  CaptCallback callback_ = nullptr;
  void* userData_ = nullptr;
  std::thread thread_;
  int32_t board_ = 0;
  int32_t channel_ = 0;
  std::atomic<int32_t> runStatus_{kStarting};
  std::atomic<int32_t> control_{kIdle};
  int32_t extra_ = 0;
  int32_t playArg1_ = 0;
  int32_t playArg2_ = 0;
  int32_t kind_ = ImageWait;
};
