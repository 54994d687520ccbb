// Each CHROMIX conversion against the libyuv call it wraps, and Y41P (which
// libyuv lacks) against a naive scalar loop. Single thread; frames per second
// and the ratio to the peer.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "chromix.h"
#include "bench_race.h"
#include "libyuv/convert.h"
#include "libyuv/convert_argb.h"

namespace {

using bench::Race;

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The straightforward per-pixel loop one would write without a library.
void NaiveY41PToRgb32(const uint8_t* src, int w, int h, uint8_t* dst) {
  const int groups = (w + 7) / 8;
  static constexpr int kLuma[8] = {1, 3, 5, 7, 8, 9, 10, 11};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* g = src + (static_cast<size_t>(y) * groups + x / 8) * 12;
      const int k = x % 8;
      const int c = 298 * (g[kLuma[k]] - 16);
      const int d = (k < 4 ? g[0] : g[4]) - 128;
      const int e = (k < 4 ? g[2] : g[6]) - 128;
      uint8_t* p = dst + (static_cast<size_t>(y) * w + x) * 4;
      p[0] = Clamp((c + 516 * d + 128) >> 8);
      p[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
      p[2] = Clamp((c + 409 * e + 128) >> 8);
      p[3] = 255;
    }
  }
}

void Line(const char* what, double fps, const char* peer, double peerFps) {
  std::printf("  %-22s %9.0f fps   %-20s %9.0f fps   ratio %.3f\n", what, fps, peer, peerFps, fps / peerFps);
}

}  // namespace

int main() {
  std::printf("Colour conversion, single thread\n");
  for (auto [w, h] : {std::pair{704, 576}, {352, 288}}) {
    const int frames = w > 400 ? 60 : 240;
    std::mt19937 rng(3);
    std::vector<uint8_t> packed(static_cast<size_t>(w) * h * 2), y41p(static_cast<size_t>(w) * h * 3 / 2);
    std::vector<uint8_t> planar(static_cast<size_t>(w) * h * 3 / 2), rgb(static_cast<size_t>(w) * h * 4);
    for (auto* v : {&packed, &y41p, &planar})
      for (auto& b : *v) b = static_cast<uint8_t>(16 + rng() % 220);
    uint8_t* py = planar.data();
    uint8_t* pu = py + w * h;
    uint8_t* pv = pu + w * h / 4;
    std::printf("%dx%d\n", w, h);

    auto r = Race([&] { CHROMIX_UYVY_TO_RGB32(packed.data(), w, h, rgb.data(), 0); },
                  [&] { libyuv::UYVYToARGB(packed.data(), w * 2, rgb.data(), w * 4, w, h); }, frames);
    Line("CHROMIX_UYVY_TO_RGB32", r.first, "UYVYToARGB", r.second);
    r = Race([&] { CHROMIX_YUY2_TO_RGB32(packed.data(), w, h, rgb.data(), 0); },
             [&] { libyuv::YUY2ToARGB(packed.data(), w * 2, rgb.data(), w * 4, w, h); }, frames);
    Line("CHROMIX_YUY2_TO_RGB32", r.first, "YUY2ToARGB", r.second);
    r = Race([&] { CHROMIX_YUY2_TO_Y420(packed.data(), w, h, py, pu, pv, 0); },
             [&] { libyuv::YUY2ToI420(packed.data(), w * 2, py, w, pu, w / 2, pv, w / 2, w, h); }, frames);
    Line("CHROMIX_YUY2_TO_Y420", r.first, "YUY2ToI420", r.second);
    r = Race([&] { CHROMIX_Y420_TO_RGB32(py, pu, pv, w, h, rgb.data(), 0); },
             [&] { libyuv::I420ToARGB(py, w, pu, w / 2, pv, w / 2, rgb.data(), w * 4, w, h); }, frames);
    Line("CHROMIX_Y420_TO_RGB32", r.first, "I420ToARGB", r.second);
    r = Race([&] { CHROMIX_Y41P_TO_RGB32(y41p.data(), w, h, rgb.data(), 0); },
             [&] { NaiveY41PToRgb32(y41p.data(), w, h, rgb.data()); }, frames / 3);
    Line("CHROMIX_Y41P_TO_RGB32", r.first, "naive scalar loop", r.second);
  }
  return 0;
}
