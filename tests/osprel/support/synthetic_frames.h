// Synthetic planar 4:2:0 frames for the coder tests: moving, textured, noisy.
#ifndef OSPREL_TEST_SYNTHETIC_FRAMES_H
#define OSPREL_TEST_SYNTHETIC_FRAMES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace osprel_test {

inline size_t FrameBytes(int w, int h) { return size_t(w) * h * 3 / 2; }

// Smooth pseudo-random texture: value noise on a 8-pixel lattice.
inline int Texture(int x, int y) {
  auto lattice = [](int i, int j) {
    uint32_t v = uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return int(v & 255);
  };
  const int i = x >> 3, j = y >> 3, fx = x & 7, fy = y & 7;
  const int a = lattice(i, j), b = lattice(i + 1, j), c = lattice(i, j + 1), d = lattice(i + 1, j + 1);
  const int top = a * (8 - fx) + b * fx, bottom = c * (8 - fx) + d * fx;
  return (top * (8 - fy) + bottom * fy) / 64;
}

// A textured background panning by (2, 1) pixels per frame, a checkered box
// moving by (3, -2), a bright disc moving by (-4, 1) and coloured chroma.
inline void MovingScene(int w, int h, int t, uint8_t* out) {
  uint8_t* y = out;
  uint8_t* cb = out + w * h;
  uint8_t* cr = cb + w * h / 4;
  const int boxX = (w / 4 + 3 * t) % w, boxY = ((h / 2 - 2 * t) % h + h) % h;
  const int discX = ((3 * w / 4 - 4 * t) % w + w) % w, discY = (h / 3 + t) % h;
  const int radius = h / 8;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      int v = 40 + Texture(c + 2 * t, r + t) * 3 / 4;
      const int bx = c - boxX, by = r - boxY;
      if (bx >= 0 && bx < w / 5 && by >= 0 && by < h / 5) v = (((bx >> 2) + (by >> 2)) & 1) ? 230 : 25;
      const int dx = c - discX, dy = r - discY;
      if (dx * dx + dy * dy < radius * radius) v = 200 + (dx * 3 + dy * 5) % 40;
      y[r * w + c] = uint8_t(v);
    }
  for (int r = 0; r < h / 2; ++r)
    for (int c = 0; c < w / 2; ++c) {
      cb[r * (w / 2) + c] = uint8_t(128 + 60 * std::sin((c + t) / 9.0));
      cr[r * (w / 2) + c] = uint8_t(128 + 50 * std::cos((r + 2 * t) / 7.0) + (Texture(c, r + t) - 128) / 8);
    }
}

inline void NoiseFrame(int w, int h, uint32_t seed, uint8_t* out) {
  std::mt19937 rng(seed);
  for (size_t i = 0; i < FrameBytes(w, h); ++i) out[i] = uint8_t(rng() >> 24);
}

struct Difference {
  int max = 0;
  double mean = 0;  // mean absolute difference
  double psnr = 0;  // 99 for identical planes
};

inline Difference Compare(const uint8_t* a, const uint8_t* b, size_t n) {
  Difference d;
  double sq = 0, sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const int e = std::abs(int(a[i]) - int(b[i]));
    d.max = std::max(d.max, e);
    sum += e;
    sq += double(e) * e;
  }
  d.mean = sum / double(n);
  d.psnr = sq == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(n) / sq);
  return d;
}

}  // namespace osprel_test

#endif
