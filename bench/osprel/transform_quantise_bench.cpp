// The coder's per-block transform work, the exact path against the
// single-precision pair path, on the same blocks in one run: residual,
// forward transform and quantisation of blocks of pixels, then
// dequantisation and inverse transform of their levels. Blocks the pair path hands back are
// redone exactly inside its timing, as the coder does.
#include "../bench_race.h"
#include "block_ops.h"
#include "fast_transform.h"
#include "quantiser.h"
#include "tovrik.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kBlocks = 4096, kQp = 4;
using Block = int16_t[64];

using Pixels = uint8_t[64];

bool ExactForward(const osprel::QuantTables& t, const uint8_t* src, const uint8_t* pred, int16_t* scan) {
  alignas(16) int16_t work[64];
  osprel::Residual(src, 8, pred, 8, work);
  ippiDCT8x8Fwd_16s_C1(work, work);
  return osprel::QuantiseInter(t, work, scan);
}

void ExactInverse(const osprel::QuantTables& t, const int16_t* scan, int16_t* out) {
  osprel::DequantiseInter(t, scan, out);
  ippiDCT8x8Inv_16s_C1(out, out);
}

}  // namespace

int main() {
  if (!osprel::fast_transform::Available()) {
    std::printf("no AVX-512 on this processor: the pair path does not run here\n");
    return 0;
  }
  osprel::QuantTables t;
  osprel::BuildQuantTables(kQp, &t);
  std::mt19937 rng(5);
  std::normal_distribution<double> d(0.0, 24.0);
  std::uniform_int_distribution<int> base(40, 215);
  std::vector<Pixels> src(kBlocks), pred(kBlocks);
  std::vector<Block> levels(kBlocks), out(kBlocks);
  for (int b = 0; b < kBlocks; ++b)
    for (int i = 0; i < 64; ++i) {
      pred[b][i] = uint8_t(base(rng));
      src[b][i] = uint8_t(std::clamp(pred[b][i] + d(rng), 0.0, 255.0));
    }
  std::vector<bool> coded(kBlocks);
  for (int b = 0; b < kBlocks; ++b) coded[b] = ExactForward(t, src[b], pred[b], levels[b]);

  long sink = 0;
  const auto exactForward = [&] {
    alignas(64) int16_t scan[64];
    for (int b = 0; b < kBlocks; ++b) sink += ExactForward(t, src[b], pred[b], scan) + scan[1];
  };
  const auto pairForward = [&] {
    alignas(64) int16_t scan[2][64];
    for (int b = 0; b < kBlocks; b += 2) {
      bool c[2];
      const osprel::fast_transform::PixelPair pixels = {src[b], src[b + 1], 8, pred[b], pred[b + 1], 8};
      const unsigned back = osprel::fast_transform::ForwardQuantisePair(pixels, kQp, false, scan[0], scan[1], c);
      for (int j = 0; j < 2; ++j)
        if (back >> j & 1) c[j] = ExactForward(t, src[b + j], pred[b + j], scan[j]);
      sink += c[0] + c[1] + scan[0][1];
    }
  };
  const auto exactInverse = [&] {
    for (int b = 0; b < kBlocks; ++b)
      if (coded[b]) ExactInverse(t, levels[b], out[b]);
    sink += out[7][9];
  };
  const auto pairInverse = [&] {
    for (int b = 0; b < kBlocks; b += 2) {
      const unsigned present = (coded[b] ? 1u : 0u) | (coded[b + 1] ? 2u : 0u);
      if (!present) continue;
      const unsigned back = osprel::fast_transform::InversePair(levels[b], levels[b + 1], present, kQp, false,
                                                                out[b], out[b + 1]);
      for (int j = 0; j < 2; ++j)
        if (back >> j & 1) ExactInverse(t, levels[b + j], out[b + j]);
    }
    sink += out[7][9];
  };

  const auto [exactF, pairF] = bench::Race(exactForward, pairForward, 4);
  const auto [exactI, pairI] = bench::Race(exactInverse, pairInverse, 4);
  const auto ns = [](double rate) { return 1e9 / (rate * kBlocks); };
  std::printf("%d inter blocks, residual sigma 24, QP %d (time per block):\n", kBlocks, kQp);
  std::printf("  forward + quantise: exact %.1f ns, pair %.1f ns, %.2fx\n", ns(exactF), ns(pairF), pairF / exactF);
  std::printf("  dequantise + inverse: exact %.1f ns, pair %.1f ns, %.2fx\n", ns(exactI), ns(pairI), pairI / exactI);
  std::printf("(check %ld)\n", sink);
  return 0;
}
