// The blocking hand-outs of a board: buffers per channel and received serial
// bytes, each with a cancel that breaks a blocked wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "nuvixi.h"
#include "strict_mode.h"

namespace nuvixsim {

// What every hand-out shares: a wait with time-out that a cancel or a close
// breaks. A cancel breaks every wait blocked when it comes. One that finds no
// waiter is kept for the next wait, so a worker that was between two waits
// when it was told to stop still stops; in strict mode it is lost.
class BreakableWait {
 public:
  void Cancel();
  // A transfer starts: a cancel kept from before must not break its first wait.
  void ForgetCancel();
  // The board was opened again: waits block once more.
  void Reopen();

 protected:
  // readyIsData: ready() means there is something the wait hands out, which
  // in strict mode a cancel that meets it lets through.
  explicit BreakableWait(bool readyIsData) : readyIsData_(readyIsData) {}

  // Waits until ready() holds (NUVIXI_SUCCESS), timeoutMs runs out
  // (NUVIXI_TIMEOUT) or a cancel or close breaks it (NUVIXI_ERR_ESCAPED). In
  // strict mode a wait without time-out may end with NUVIXI_TIMEOUT early.
  template <typename Ready>
  uint32_t WaitUntil(std::unique_lock<std::mutex>& lock, uint32_t timeoutMs, Ready ready) {
    // A wait that passed the board's open check just before the close must
    // not block on a board that is gone.
    if (closed_) return NUVIXI_ERR_ESCAPED;
    if (keptCancel_) {
      keptCancel_ = false;
      return NUVIXI_ERR_ESCAPED;
    }
    const bool strict = StrictMode();
    if (strict && timeoutMs == NUVIXI_INFINITE) timeoutMs = StrictWaitLimitMs();
    const uint64_t closesAtStart = closes_, breaksAtStart = breaks_;
    auto broken = [&] { return breaks_ != breaksAtStart || closes_ != closesAtStart; };
    auto done = [&] { return ready() || broken(); };
    bool finished = true;
    ++waiters_;
    if (timeoutMs == NUVIXI_INFINITE) ready_.wait(lock, done);
    else finished = ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    --waiters_;
    if (closes_ != closesAtStart) return NUVIXI_ERR_ESCAPED;
    if (breaks_ != breaksAtStart) return strict && readyIsData_ && ready() ? NUVIXI_SUCCESS : NUVIXI_ERR_ESCAPED;
    return finished ? NUVIXI_SUCCESS : NUVIXI_TIMEOUT;
  }
  void ForgetCancelLocked() { keptCancel_ = false; }
  // Breaks every blocked wait and forgets a kept cancel; call with the lock held.
  void MarkClosed() {
    ForgetCancelLocked();
    ++closes_;
    closed_ = true;
  }
  bool ClosedLocked() const { return closed_; }

  std::mutex mutex_;
  std::condition_variable ready_;

 private:
  const bool readyIsData_;
  uint32_t waiters_ = 0;
  uint64_t breaks_ = 0;  // cancels that found waiters: each breaks those blocked then
  bool keptCancel_ = false;
  uint64_t closes_ = 0;
  bool closed_ = false;
};

// Addresses handed out one per wait, oldest first. The address a wait hands
// out stays the consumer's until it enters its next wait, so a producer that
// reuses buffers asks Holds() before writing into one.
class BufferQueue : public BreakableWait {
 public:
  BufferQueue() : BreakableWait(true) {}
  void Push(void* address);
  uint32_t Wait(void** address, uint32_t timeoutMs);
  // Drops queued addresses and breaks blocked waits.
  void Close();
  // True while address is queued or is the one the consumer holds.
  bool Holds(const void* address);
  // Takes address out of the queue if it is queued there.
  void Retract(const void* address);

 private:
  std::deque<void*> addresses_;
  const void* handedOut_ = nullptr;
};

// A producer letting go of its buffers (a channel stopping or changing size):
// the queued ones are taken back; true when the consumer still holds one, so
// the buffers must be kept until HoldsAny says they are free.
template <typename Buffers>
bool RetractAll(BufferQueue& queue, const Buffers& buffers) {
  bool held = false;
  for (const auto& buffer : buffers) {
    if (!buffer) continue;
    queue.Retract(buffer.get());
    held = held || queue.Holds(buffer.get());
  }
  return held;
}

template <typename Buffers>
bool HoldsAny(BufferQueue& queue, const Buffers& buffers) {
  for (const auto& buffer : buffers)
    if (buffer && queue.Holds(buffer.get())) return true;
  return false;
}

// Received bytes of the remote serial port.
class ByteQueue : public BreakableWait {
 public:
  ByteQueue() : BreakableWait(true) {}
  void Push(const uint8_t* bytes, size_t count);
  size_t Size();
  // Waits until count bytes are there and copies them out.
  uint32_t Read(uint8_t* out, size_t count, uint32_t timeoutMs);
  void Close();

 private:
  std::deque<uint8_t> bytes_;
};

// Everything of one board that a worker thread blocks on.
struct BoardQueues {
  static constexpr int kImageChannels = 32;
  static constexpr int kSoundChannels = 16;
  BufferQueue images[kImageChannels];
  BufferQueue sounds[kSoundChannels];
  ByteQueue serialRx;

  void CloseAll();
  void OpenAll();
};

}  // namespace nuvixsim
