#include "timing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "tick_count.h"

void CTickThrottle::Reset() { last_ = nuvix::GetTickCount(); }

bool CTickThrottle::Elapsed(uint32_t intervalMs) { return Elapsed(intervalMs, nuvix::GetTickCount()); }

bool CTickThrottle::Elapsed(uint32_t intervalMs, uint32_t now) {
  // Wrapping arithmetic, so a tick count that rolls over still works.
  if (now - last_ < intervalMs) return false;
  last_ = now;
  return true;
}

void CRateMeter::Restart(uint32_t now) {
  lastTick_ = windowStart_ = now;
  count_ = 0;
  rate_.store(0, std::memory_order_relaxed);
}

void CRateMeter::Tick() { Tick(nuvix::GetTickCount()); }

void CRateMeter::Tick(uint32_t now) {
  const uint32_t gap = now - lastTick_;
  lastTick_ = now;
  const uint32_t window = gap > 500 ? 2 : gap > 300 ? 3 : gap > 200 ? 5 : gap > 100 ? 10 : 30;
  if (++count_ < window) return;
  const uint32_t span = now == windowStart_ ? 1 : now - windowStart_;
  rate_.store(static_cast<uint32_t>(uint64_t{count_} * 10000 / span), std::memory_order_relaxed);
  count_ = 0;
  windowStart_ = now;
}

void PumpWait(uint32_t ms, QEventLoop::ProcessEventsFlags flags) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(flags);
    QThread::msleep(1);
  }
}
