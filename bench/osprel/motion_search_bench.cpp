// Whole-pel motion search alone, outside the encoder: the plain (SSE2) descent
// against the AVX2 one on consecutive frames of a benchmark content, with the
// time per macroblock of each and their ratio. The two must agree on every
// macroblock; a checksum of the results is printed so that a change of the
// search can be checked for identical decisions.
//   osprel_motion_search_bench [pan|fractal|pattern] [frames]
#include "../bench_race.h"
#include "content.h"
#include "motion.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Search = osprel::SearchResult (*)(const uint8_t*, const uint8_t*, int, int, int, int);

// Best time of several passes over every macroblock of frames 1..n-1 (each
// searched against the frame before it); returns seconds, adds to *check.
double Measure(Search search, const std::vector<osprel_bench::Frame>& f, int w, int h, uint64_t* check) {
  double best = 1e9;
  for (int pass = 0; pass < 7; ++pass) {
    uint64_t sum = 0;
    const double t0 = bench::CpuSeconds();
    for (size_t i = 1; i < f.size(); ++i)
      for (int y = 0; y < h; y += 16)
        for (int x = 0; x < w; x += 16) {
          const osprel::SearchResult r = search(f[i].data(), f[i - 1].data(), w, h, x, y);
          sum = sum * 31 + uint64_t(r.sad16 + 65536) + uint64_t(r.dx + 16) * 7 + uint64_t(r.dy + 16) * 13 +
                uint64_t(r.sad8[0] + 3 * r.sad8[3]) + (r.isStatic ? 1 : 0);
        }
    const double s = bench::CpuSeconds() - t0;
    if (s < best) best = s;
    *check = sum;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string content = argc > 1 ? argv[1] : "pan";
  const int n = argc > 2 ? std::max(2, std::atoi(argv[2])) : 16;
  const int w = 704, h = 576;
  const std::vector<osprel_bench::Frame> f = osprel_bench::Frames(content, w, h, n);
  const double mbs = double(n - 1) * (w / 16) * (h / 16);
  uint64_t plainCheck = 0, avxCheck = 0;
  const double plain = Measure(osprel::motion_detail::SearchSse2, f, w, h, &plainCheck);
  std::printf("%s %dx%d, %d frames\n  plain  %7.1f ns per macroblock\n", content.c_str(), w, h, n, plain * 1e9 / mbs);
  if (osprel::motion_detail::HasAvx2()) {
    const double avx = Measure(osprel::motion_detail::SearchAvx2, f, w, h, &avxCheck);
    std::printf("  AVX2   %7.1f ns per macroblock (%.2fx)\n", avx * 1e9 / mbs, plain / avx);
    if (avxCheck != plainCheck) {
      std::printf("  RESULTS DIFFER\n");
      return 1;
    }
  }
  std::printf("  results checksum %016llx\n", static_cast<unsigned long long>(plainCheck));
  return 0;
}
