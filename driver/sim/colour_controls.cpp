#include "colour_controls.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nuvixsim {
namespace {

constexpr uint32_t Pack(const uint8_t v[4]) {
  return uint32_t{v[0]} | uint32_t{v[1]} << 8 | uint32_t{v[2]} << 16 | uint32_t{v[3]} << 24;
}

constexpr uint32_t kDefaultPacked = Pack(ColourControls::kDefaults);

// Byte positions of luma and of (U, V) pairs in one unit of each packed format.
struct UnitLayout {
  int bytes;
  int lumaCount;
  int luma[8];
  int chromaCount;
  int chroma[2][2];
};

constexpr UnitLayout kUyvy{4, 2, {1, 3}, 1, {{0, 2}}};
constexpr UnitLayout kYuy2{4, 2, {0, 2}, 1, {{1, 3}}};
constexpr UnitLayout kY41p{12, 8, {1, 3, 5, 7, 8, 9, 10, 11}, 2, {{0, 2}, {4, 6}}};

const UnitLayout& LayoutOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::kYuy2: return kYuy2;
    case PixelFormat::kY41p: return kY41p;
    case PixelFormat::kUyvy: break;
  }
  return kUyvy;
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

void ColourControls::Reset() {
  for (auto& word : packed_) word.store(kDefaultPacked, std::memory_order_relaxed);
}

void ColourControls::Set(uint32_t channel, Control control, uint8_t value) {
  const int shift = 8 * static_cast<int>(control);
  uint32_t word = packed_[channel].load(std::memory_order_relaxed);
  while (!packed_[channel].compare_exchange_weak(word, (word & ~(0xFFu << shift)) | uint32_t{value} << shift,
                                                 std::memory_order_relaxed)) {
  }
}

void ColourControls::Apply(uint32_t channel, uint8_t* picture, const FrameGeometry& geometry) const {
  if (channel >= kChannels) return;
  const uint32_t word = packed_[channel].load(std::memory_order_relaxed);
  if (word == kDefaultPacked) return;
  const int brightness = static_cast<int>(word & 0xFF) - kDefaults[kBrightness];
  const int contrast = static_cast<int>(word >> 8 & 0xFF);
  const double angle = (static_cast<int>(word >> 16 & 0xFF) - 128) * std::numbers::pi / 128;
  const double saturation = static_cast<double>(word >> 24) / 128;
  // Luma stretched about mid-grey, then shifted; chroma turned and scaled (12-bit fixed point).
  uint8_t luma[256];
  for (int y = 0; y < 256; ++y) luma[y] = Clamp(128 + (y - 128) * contrast / kDefaults[kContrast] + brightness);
  const int cosine = static_cast<int>(std::lround(std::cos(angle) * saturation * 4096));
  const int sine = static_cast<int>(std::lround(std::sin(angle) * saturation * 4096));

  const UnitLayout& unit = LayoutOf(geometry.format);
  const size_t units = geometry.stride / static_cast<size_t>(unit.bytes);
  for (int row = 0; row < geometry.height; ++row) {
    uint8_t* p = picture + static_cast<size_t>(row) * geometry.stride;
    for (size_t i = 0; i < units; ++i, p += unit.bytes) {
      for (int k = 0; k < unit.lumaCount; ++k) p[unit.luma[k]] = luma[p[unit.luma[k]]];
      for (int k = 0; k < unit.chromaCount; ++k) {
        const int u = p[unit.chroma[k][0]] - 128, v = p[unit.chroma[k][1]] - 128;
        p[unit.chroma[k][0]] = Clamp(128 + ((cosine * u - sine * v) >> 12));
        p[unit.chroma[k][1]] = Clamp(128 + ((sine * u + cosine * v) >> 12));
      }
    }
  }
}

}  // namespace nuvixsim
