// Synthetic test content of the encoder benchmark: planar 4:2:0 frames.
#ifndef OSPREL_BENCH_CONTENT_H
#define OSPREL_BENCH_CONTENT_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace osprel_bench {

using Frame = std::vector<uint8_t>;

inline uint8_t Clip(double v) { return uint8_t(std::clamp(int(std::lround(v)), 0, 255)); }

inline double Lattice(int i, int j, uint32_t seed) {
  uint32_t v = uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u ^ seed * 83492791u;
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  v ^= v >> 15;
  return double(v & 0xFFFF) / 65535.0;
}

// Value noise with smooth interpolation at a real-valued position.
inline double Noise(double x, double y, uint32_t seed) {
  const int i = int(std::floor(x)), j = int(std::floor(y));
  double fx = x - i, fy = y - j;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  const double a = Lattice(i, j, seed), b = Lattice(i + 1, j, seed);
  const double c = Lattice(i, j + 1, seed), d = Lattice(i + 1, j + 1, seed);
  return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

// Fractal (fBm) texture, 0..1: octaves from 32-pixel features down to
// 2-pixel detail, each only a little weaker than the last.
inline double Fractal(double x, double y, uint32_t seed) {
  double s = 0, amp = 0.5, f = 1.0 / 32, norm = 0;
  for (int o = 0; o < 5; ++o, amp *= 0.8, f *= 2) {
    s += amp * Noise(x * f, y * f, seed + o);
    norm += amp;
  }
  return s / norm;
}

// Smooth 1/f noise for the large-scale shading of the still picture.
inline double Smooth(double x, double y, uint32_t seed) {
  double s = 0, amp = 0.5, f = 1.0 / 256;
  for (int o = 0; o < 7; ++o, amp *= 0.5, f *= 2) s += amp * Noise(x * f, y * f, seed + o);
  return s;
}

// Colour bars, a scrolling ramp, a moving box and a moving disc.
inline Frame TestPattern(int w, int h, int t) {
  Frame f(size_t(w) * h * 3 / 2);
  uint8_t* y = f.data();
  uint8_t* u = y + w * h;
  uint8_t* v = u + w * h / 4;
  static const uint8_t bars[8][3] = {{235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34},
                                     {106, 202, 222}, {81, 90, 240},  {41, 240, 110}, {16, 128, 128}};
  const int boxX = (40 + 5 * t) % (w - 64), boxY = h / 5 + (t * 2) % (h / 3);
  const int discX = w - 100 - (3 * t) % (w - 200), discY = h / 2 + int(40 * std::sin(t / 8.0));
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      int val;
      if (r < h * 2 / 3)
        val = bars[c * 8 / w][0];
      else
        val = 16 + ((c + 2 * t) * 219 / w) % 220;
      if (c >= boxX && c < boxX + 64 && r >= boxY && r < boxY + 48) val = ((c - boxX) / 8 + (r - boxY) / 8) % 2 ? 230 : 30;
      const int dx = c - discX, dy = r - discY;
      if (dx * dx + dy * dy < 900) val = 128 + dx * 2;
      y[r * w + c] = uint8_t(std::clamp(val, 0, 255));
    }
  for (int r = 0; r < h / 2; ++r)
    for (int c = 0; c < w / 2; ++c) {
      const int bar = (2 * c) * 8 / w;
      const bool top = 2 * r < h * 2 / 3;
      int cu = top ? bars[bar][1] : 128, cv = top ? bars[bar][2] : 128;
      const int lx = 2 * c, ly = 2 * r;
      if (lx >= boxX && lx < boxX + 64 && ly >= boxY && ly < boxY + 48) cu = 90, cv = 200;
      const int dx = lx - discX, dy = ly - discY;
      if (dx * dx + dy * dy < 900) cu = 200, cv = 70;
      u[r * (w / 2) + c] = uint8_t(cu);
      v[r * (w / 2) + c] = uint8_t(cv);
    }
  return f;
}

// Dense fractal texture drifting by a fraction of a pixel per frame and slowly zooming.
inline Frame FractalTexture(int w, int h, int t) {
  Frame f(size_t(w) * h * 3 / 2);
  uint8_t* y = f.data();
  uint8_t* u = y + w * h;
  uint8_t* v = u + w * h / 4;
  const double zoom = std::pow(0.997, t), ox = 1.37 * t, oy = 0.71 * t;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) y[r * w + c] = Clip(128 + 400 * (Fractal(c * zoom + ox, r * zoom + oy, 1) - 0.5));
  for (int r = 0; r < h / 2; ++r)
    for (int c = 0; c < w / 2; ++c) {
      u[r * (w / 2) + c] = Clip(128 + 160 * (Fractal(2 * c * zoom + ox, 2 * r * zoom + oy, 20) - 0.5));
      v[r * (w / 2) + c] = Clip(128 + 160 * (Fractal(2 * c * zoom + ox, 2 * r * zoom + oy, 40) - 0.5));
    }
  return f;
}

// A large detailed still picture (4:4:4 planes, big enough for the whole pan).
struct Still {
  int w, h;
  std::vector<uint8_t> y, u, v;
};

// A detailed picture: a 1/f fractal base, textured everywhere with detail of
// 6 to 24 pixels (foliage, fabric, print), overlaid with soft-edged textured
// shapes and a few thin lines.
inline Still MakeStill(int w, int h) {
  Still s{w, h, std::vector<uint8_t>(size_t(w) * h), std::vector<uint8_t>(size_t(w) * h),
          std::vector<uint8_t>(size_t(w) * h)};
  std::mt19937 rng(3);
  struct Shape {
    double x, y, rx, ry, l, u, v;
  };
  std::vector<Shape> shapes;
  for (int i = 0; i < 60; ++i) {
    std::uniform_real_distribution<double> px(0, w), py(0, h), r(12, 90), c(30, 225), cc(70, 186);
    shapes.push_back({px(rng), py(rng), r(rng), r(rng), c(rng), cc(rng), cc(rng)});
  }
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      double l = Smooth(c, r, 7);
      double detail = 0, da = 0.5, df = 1.0 / 24;
      for (int o = 0; o < 3; ++o, da *= 0.6, df *= 2) detail += da * Noise(c * df, r * df, 31 + o);
      l = 30 + 120 * l + 110 * detail;
      double u = 128 + 50 * (Noise(c / 200.0, r / 200.0, 11) - 0.5);
      double v = 128 + 50 * (Noise(c / 180.0, r / 180.0, 13) - 0.5);
      for (const Shape& sh : shapes) {
        const double dx = (c - sh.x) / sh.rx, dy = (r - sh.y) / sh.ry, d = dx * dx + dy * dy;
        if (d < 1.0) {
          const double edge = std::min(1.0, (1.0 - d) * 8);  // soft edge
          l = l * (1 - edge) + (sh.l + 70 * (Noise(c / 7.0, r / 7.0, 5) - 0.5)) * edge;
          u = u * (1 - edge) + sh.u * edge;
          v = v * (1 - edge) + sh.v * edge;
        }
      }
      if (r % 173 == 0 || c % 211 == 0) l = 25;  // thin lines
      s.y[size_t(r) * w + c] = Clip(l);
      s.u[size_t(r) * w + c] = Clip(u);
      s.v[size_t(r) * w + c] = Clip(v);
    }
  return s;
}

// The window at (3t, t) of the still picture with a little seeded noise.
inline Frame Pan(const Still& s, int w, int h, int t) {
  Frame f(size_t(w) * h * 3 / 2);
  uint8_t* y = f.data();
  uint8_t* u = y + w * h;
  uint8_t* v = u + w * h / 4;
  std::mt19937 rng(1000 + t);
  std::uniform_int_distribution<int> noise(-2, 2);
  const int x0 = 3 * t, y0 = t;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      y[r * w + c] = Clip(s.y[size_t(y0 + r) * s.w + x0 + c] + noise(rng));
  for (int r = 0; r < h / 2; ++r)
    for (int c = 0; c < w / 2; ++c) {
      const size_t at = size_t(y0 + 2 * r) * s.w + x0 + 2 * c;
      u[r * (w / 2) + c] = s.u[at];
      v[r * (w / 2) + c] = s.v[at];
    }
  return f;
}

// n frames of a content by name: "pattern", "pan" (over a still picture of
// just the size the pan needs) or otherwise "fractal".
inline std::vector<Frame> Frames(const std::string& content, int w, int h, int n) {
  std::vector<Frame> frames;
  if (content == "pan") {
    const Still still = MakeStill(w + 3 * n + 16, h + n + 16);
    for (int t = 0; t < n; ++t) frames.push_back(Pan(still, w, h, t));
  } else {
    for (int t = 0; t < n; ++t) frames.push_back(content == "pattern" ? TestPattern(w, h, t) : FractalTexture(w, h, t));
  }
  return frames;
}

}  // namespace osprel_bench

#endif
