// Timing helpers: a once-per-interval throttle, a frame-rate meter whose
// averaging window follows the frame rate, and a wait that keeps the GUI alive.
#pragma once

#include <atomic>
#include <cstdint>

class CTickThrottle {
 public:
  void Reset();
  void Reset(uint32_t now) { last_ = now; }
  // False while the interval since the last firing has not passed; otherwise
  // the firing time becomes now and the result is true.
  bool Elapsed(uint32_t intervalMs);
  bool Elapsed(uint32_t intervalMs, uint32_t now);

 private:
  uint32_t last_ = 0;
};

class CRateMeter {
 public:
  // Called once per delivered frame (on the channel's worker thread).
  void Tick();
  void Tick(uint32_t now);
  // Frames per second x 10; read by the GUI thread.
  uint32_t Rate() const { return rate_.load(std::memory_order_relaxed); }
  // Starts over: no frames counted, no rate, the window starting at now.
  void Restart(uint32_t now);

 private:
  uint32_t lastTick_ = 0;
  uint32_t count_ = 0;
  std::atomic<uint32_t> rate_{0};
  uint32_t windowStart_ = 0;
};

#include <QEventLoop>

// Returns after ms milliseconds, dispatching the GUI thread's events meanwhile.
void PumpWait(uint32_t ms, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
