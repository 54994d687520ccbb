#include "wait_queues.h"

namespace nuvixsim {

void BreakableWait::Cancel() {
  {
    std::lock_guard lock(mutex_);
    if (waiters_ > 0) {
      ++breaks_;
    } else {
      CountUnmatchedCancel();
      if (!StrictMode()) keptCancel_ = true;
    }
  }
  ready_.notify_all();
}

void BreakableWait::ForgetCancel() {
  std::lock_guard lock(mutex_);
  ForgetCancelLocked();
}

void BreakableWait::Reopen() {
  std::lock_guard lock(mutex_);
  closed_ = false;
}

void BufferQueue::Push(void* address) {
  {
    std::lock_guard lock(mutex_);
    addresses_.push_back(address);
  }
  ready_.notify_all();
}

uint32_t BufferQueue::Wait(void** address, uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  handedOut_ = nullptr;  // entering the next wait gives the previous buffer back
  const uint32_t code = WaitUntil(lock, timeoutMs, [this] { return !addresses_.empty(); });
  if (code != NUVIXI_SUCCESS) return code;
  *address = addresses_.front();
  handedOut_ = *address;
  addresses_.pop_front();
  return NUVIXI_SUCCESS;
}

void BufferQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    addresses_.clear();
    // The consumer keeps what it holds until its next wait, which the close breaks.
    MarkClosed();
  }
  ready_.notify_all();
}

bool BufferQueue::Holds(const void* address) {
  std::lock_guard lock(mutex_);
  if (address == handedOut_) return true;
  for (const void* queued : addresses_) {
    if (queued == address) return true;
  }
  return false;
}

void BufferQueue::Retract(const void* address) {
  std::lock_guard lock(mutex_);
  std::erase(addresses_, address);
}

void ByteQueue::Push(const uint8_t* bytes, size_t count) {
  {
    std::lock_guard lock(mutex_);
    bytes_.insert(bytes_.end(), bytes, bytes + count);
  }
  ready_.notify_all();
}

size_t ByteQueue::Size() {
  std::lock_guard lock(mutex_);
  return bytes_.size();
}

uint32_t ByteQueue::Read(uint8_t* out, size_t count, uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  const uint32_t code = WaitUntil(lock, timeoutMs, [&] { return bytes_.size() >= count; });
  if (code != NUVIXI_SUCCESS) return code;
  for (size_t i = 0; i < count; ++i) {
    out[i] = bytes_.front();
    bytes_.pop_front();
  }
  return NUVIXI_SUCCESS;
}

void ByteQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    bytes_.clear();
    MarkClosed();
  }
  ready_.notify_all();
}

void BoardQueues::CloseAll() {
  for (auto& q : images) q.Close();
  for (auto& q : sounds) q.Close();
  serialRx.Close();
}

void BoardQueues::OpenAll() {
  for (auto& q : images) q.Reopen();
  for (auto& q : sounds) q.Reopen();
  serialRx.Reopen();
}

}  // namespace nuvixsim
