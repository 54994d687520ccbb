#include "call_counter.h"

#include <thread>

namespace {

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(CallCounter::Clock::now().time_since_epoch()).count();
}

}  // namespace

void CallCounter::Start(CCaptThread::Settings settings, OnReturn onReturn) {
  Stop();
  count_ = 0;
  startNs_ = NowNs();
  onReturn_ = std::move(onReturn);
  returnNs_.clear();
  returnNs_.reserve(kKeptReturns);
  settings.userData = this;
  settings.callback = &Counted;
  worker_.Setup(settings);
  worker_.Start();
}

void CallCounter::Counted(void* userData, int32_t, uintptr_t address) {
  auto* self = static_cast<CallCounter*>(userData);
  const int64_t now = NowNs();
  if (self->count_.load() == 0) self->firstNs_ = now;
  self->lastNs_ = now;
  if (self->returnNs_.size() < kKeptReturns) self->returnNs_.push_back(now);
  if (self->onReturn_) self->onReturn_(address);
  self->count_.fetch_add(1);
}

bool CallCounter::WaitFor(uint32_t count, Clock::time_point deadline) const {
  while (count_.load() < count) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

double CallCounter::SpanMs() const { return count_.load() == 0 ? 0 : static_cast<double>(lastNs_.load() - startNs_.load()) / 1e6; }

double CallCounter::MeanIntervalMs() const {
  const uint32_t count = count_.load();
  return count == 0 ? 0 : SpanMs() / count;
}

double CallCounter::RateAfterFirst() const {
  const uint32_t count = count_.load();
  const int64_t span = lastNs_.load() - firstNs_.load();
  return count < 2 || span <= 0 ? 0 : (count - 1) * 1e9 / static_cast<double>(span);
}

std::vector<double> CallCounter::IntervalsMs() const {
  std::vector<double> intervals;
  for (size_t k = 1; k < returnNs_.size(); ++k) intervals.push_back(static_cast<double>(returnNs_[k] - returnNs_[k - 1]) / 1e6);
  return intervals;
}
