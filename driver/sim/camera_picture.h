// The picture a simulated camera delivers, drawn directly in the capture's
// packed YUV format (BT.601 studio range, rows top first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace nuvixsim {

enum class PixelFormat { kUyvy, kYuy2, kY41p };

struct FrameGeometry {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::kUyvy;
  size_t stride = 0;  // bytes per row
  size_t bytes = 0;   // stride × height
};

FrameGeometry GeometryOf(int width, int height, PixelFormat format);

struct Yuv {
  uint8_t y, u, v;
};

// The camera's own colour: its background chroma, with the luma of the
// background's middle row.
Yuv CameraColour(uint32_t channel);

// One camera's picture at one size and format. What never moves (the
// background, the camera number, the clock panel) is drawn once by Prepare;
// Render copies it and draws only the moving bar, the moving box and the
// clock digits, so a frame costs little more than a copy.
class CameraPicture {
 public:
  // False when the memory for the background cannot be had.
  bool Prepare(uint32_t channel, const FrameGeometry& geometry);
  const FrameGeometry& Geometry() const { return geometry_; }
  // Writes frame number frame, taken at slot tick of a clock of
  // ticksPerSecond slots, into out (Geometry().bytes long).
  void Render(uint8_t* out, uint32_t frame, uint64_t tick, uint32_t ticksPerSecond) const;

 private:
  FrameGeometry geometry_;
  uint32_t channel_ = 0;
  std::unique_ptr<uint8_t[]> background_;
};

}  // namespace nuvixsim
