// Brightness, contrast, hue and saturation of a board's video inputs, as the
// decoder applies them to every picture it delivers (capture and live).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "camera_picture.h"

namespace nuvixsim {

class ColourControls {
 public:
  static constexpr int kChannels = 32;
  enum Control { kBrightness, kContrast, kHue, kSaturation };
  // The settings that leave a picture unchanged.
  static constexpr uint8_t kDefaults[4] = {110, 110, 128, 128};

  ColourControls() { Reset(); }

  void Reset();
  // Channel and control must be in range (the caller checks).
  void Set(uint32_t channel, Control control, uint8_t value);

  // Applies the channel's settings to a packed picture (a snapshot of all
  // four taken at once); nothing to do when they are the defaults.
  void Apply(uint32_t channel, uint8_t* picture, const FrameGeometry& geometry) const;

 private:
  // Four settings per channel in one word, so a reader sees them together.
  std::array<std::atomic<uint32_t>, kChannels> packed_;
};

}  // namespace nuvixsim
