#include "screen_division_hand_off.h"

void CScreenDivisionHandOff::Set(IScreenDivisionSink* sink) {
  std::unique_lock lock(mutex_);
  sink_ = sink;
  // New calls reach only the new receiver; wait for the ones still inside the old.
  idle_.wait(lock, [this] { return inFlight_ == 0; });
}

void CScreenDivisionHandOff::Pass(int32_t channel, const void* image, int32_t width, int32_t height) {
  IScreenDivisionSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
    if (!sink) return;
    ++inFlight_;
  }
  if (sink->IsViewActive()) sink->OnCameraFrame(channel, image, width, height);
  std::lock_guard lock(mutex_);
  if (--inFlight_ == 0) idle_.notify_all();
}
