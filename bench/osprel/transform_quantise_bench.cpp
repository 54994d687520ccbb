// Per-block cost of the forward transform alone and of the transform followed
// by the quantiser, on the same residual blocks, interleaved passes, best of
// each; the difference is the quantiser's share.
#include "quantiser.h"
#include "tovrik.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

namespace {

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
  constexpr int kBlocks = 4096, kPasses = 25;
  osprel::QuantTables t;
  osprel::BuildQuantTables(4, &t);
  std::mt19937 rng(5);
  std::normal_distribution<double> d(0.0, 12.0);
  std::vector<int16_t> blocks(size_t(kBlocks) * 64);
  for (auto& v : blocks) v = int16_t(std::max(-255.0, std::min(255.0, d(rng))));
  alignas(32) int16_t work[64], scan[64];
  double best[2] = {1e9, 1e9};
  long sink = 0;
  for (int p = 0; p < kPasses; ++p)
    for (int k = 0; k < 2; ++k) {
      const double t0 = ThreadSeconds();
      for (int b = 0; b < kBlocks; ++b) {
        for (int i = 0; i < 64; ++i) work[i] = blocks[size_t(b) * 64 + size_t(i)];
        ippiDCT8x8Fwd_16s_C1(work, work);
        if (k == 1) sink += osprel::QuantiseInter(t, work, scan) + scan[3];
        sink += work[5];
      }
      best[k] = std::min(best[k], ThreadSeconds() - t0);
    }
  std::printf("inter blocks, QP 4, residual sigma 12: transform %.1f ns/block, transform + quantise %.1f "
              "ns/block, quantiser %.1f ns/block (check %ld)\n",
              best[0] / kBlocks * 1e9, best[1] / kBlocks * 1e9, (best[1] - best[0]) / kBlocks * 1e9, sink);
  return 0;
}
