#include "watchdog_engine.h"

#include <pthread.h>

#include <cstdio>
#include <system_error>

#include "nuvixi.h"

namespace nuvixsim {

WatchdogEngine::~WatchdogEngine() { Close(); }

void WatchdogEngine::Open() {
  std::lock_guard lock(mutex_);
  open_ = true;
}

uint32_t WatchdogEngine::Enable(uint32_t seconds) {
  if (seconds < kMinSeconds || seconds > kMaxSeconds) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  if (!thread_.joinable()) {
    stopping_ = false;
    try {
      thread_ = std::thread(&WatchdogEngine::Run, this);
    } catch (const std::system_error&) {
      return NUVIXI_ERR_MALLOC;
    }
  }
  armed_ = true;
  seconds_ = seconds;
  deadline_ = Clock::now() + std::chrono::seconds(seconds);
  changed_.notify_all();
  return NUVIXI_SUCCESS;
}

uint32_t WatchdogEngine::Disable() {
  std::lock_guard lock(mutex_);
  armed_ = false;
  changed_.notify_all();
  return NUVIXI_SUCCESS;
}

void WatchdogEngine::Close() {
  std::thread thread;
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    armed_ = false;
    stopping_ = true;
    thread = std::move(thread_);
  }
  changed_.notify_all();
  if (thread.joinable()) thread.join();
}

uint64_t WatchdogEngine::Expiries() {
  std::lock_guard lock(mutex_);
  return expiries_;
}

void WatchdogEngine::Run() {
  pthread_setname_np(pthread_self(), "nuvixi watchdog");
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!armed_) {
      changed_.wait(lock);
      continue;
    }
    if (Clock::now() < deadline_) {
      changed_.wait_until(lock, deadline_);
      continue;
    }
    armed_ = false;
    ++expiries_;
    std::fprintf(stderr,
                 "libnuvixi (simulated board): watchdog expired after %u s without a re-arm; a real board would "
                 "reset the host now\n",
                 seconds_);
  }
}

}  // namespace nuvixsim
