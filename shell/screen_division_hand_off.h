// The one place where capture workers hand frames to the screen-division
// view: a view can be swapped out while frames arrive, and swapping waits
// until no worker is still inside the old view.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "screen_division_sink.h"

class CScreenDivisionHandOff {
 public:
  // Makes sink (or nobody, when null) the receiver of frames. Returns when no
  // call into the previous receiver is in flight any more, so the caller may
  // delete it. Never call it from inside a receiver.
  void Set(IScreenDivisionSink* sink);

  // Passes one frame to the receiver when there is one and its view is active.
  // Called on capture worker threads.
  void Pass(int32_t channel, const void* image, int32_t width, int32_t height);

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  IScreenDivisionSink* sink_ = nullptr;
  int inFlight_ = 0;
};
