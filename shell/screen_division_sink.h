// Where captured camera frames go when the screen-division view is active.
#pragma once

#include <cstdint>

class IScreenDivisionSink {
 public:
  virtual ~IScreenDivisionSink() = default;
  // Called on capture worker threads.
  virtual bool IsViewActive() const = 0;
  virtual void OnCameraFrame(int32_t channel, const void* image, int32_t width, int32_t height) = 0;
};
