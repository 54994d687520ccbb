// Error bounds of the single-precision transforms and the dispatch to their
// kernels.
//
// The kernels run the shared 8-point butterflies of dct8x8_kernel.h in
// single precision. Every rounding in them (of a sum, a product, or a
// constant to single precision) is at most 2^-24 of the value rounded, and
// every value is a linear form of the 64 inputs, so the error of each output
// is at most sum_i |x_i| g_i, where g_i bounds the error that one unit of
// input i alone causes. BoundPerUnit() walks the same butterflies with
// (magnitude bound, error bound) pairs instead of numbers, once for each
// single unit input, and returns the largest g_i. The walk counts the
// products of errors too, so the bound is not only a first-order one; a
// factor of 1.05 in the kernels covers evaluating it in single precision. A
// multiply and add the compiler fuses rounds once instead of twice, which
// the bound also covers. (Rounding to nearest is assumed, the floating-point
// environment's default.)
#include "fast_transform.h"

#include "dct8x8_kernel.h"
#include "fast_transform_simd.h"

#include <cmath>

namespace osprel::fast_transform {
namespace {

struct Bound {
  double magnitude, error;
};

struct BoundOps {
  static constexpr double kUnit = 1.0 / (1 << 24);  // rounding to single precision, relative
  static Bound Add(Bound a, Bound b) {
    const double m = a.magnitude + b.magnitude, e = a.error + b.error;
    return {m, e + (m + e) * kUnit};
  }
  static Bound Sub(Bound a, Bound b) { return Add(a, b); }
  static Bound Mul(Bound a, Bound b) {
    const double m = a.magnitude * b.magnitude;
    const double e = a.magnitude * b.error + b.magnitude * a.error + a.error * b.error;
    return {m, e + (m + e) * kUnit};
  }
  static Bound Set(double c) { return {std::fabs(c), std::fabs(c - static_cast<double>(static_cast<float>(c)))}; }
};

template <bool kForward>
double BoundPerUnit() {
  double worst = 0;
  for (int input = 0; input < 64; ++input) {
    Bound m[64] = {};
    m[input] = {1.0, 0.0};
    Bound v[8];
    // Vertical, then horizontal. (The inverse kernel takes its coefficients
    // transposed; over all inputs and outputs the largest bound is the same.)
    for (int c = 0; c < 8; ++c) {
      for (int r = 0; r < 8; ++r) v[r] = m[8 * r + c];
      kForward ? tovrik::kernel::Forward8<BoundOps>(v) : tovrik::kernel::Inverse8<BoundOps>(v);
      for (int r = 0; r < 8; ++r) m[8 * r + c] = v[r];
    }
    for (int r = 0; r < 8; ++r)
      kForward ? tovrik::kernel::Forward8<BoundOps>(m + 8 * r) : tovrik::kernel::Inverse8<BoundOps>(m + 8 * r);
    for (const Bound& b : m) worst = std::fmax(worst, b.error);
  }
  return worst;
}

bool HasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512dq");
}

const float kForwardBound = static_cast<float>(BoundPerUnit<true>());
const float kInverseBound = static_cast<float>(BoundPerUnit<false>());
// The forward kernel finds the coefficients that are whole multiples of 1/8
// (and the intra DC) by rounding 8 x their value: that needs the bound for
// the largest input sum (64 residuals of 255) to stay below 1/16.
const bool kAvailable = HasAvx512() && 8.0 * (1.05 * kForwardBound * 64 * 255 + 1e-7) < 0.5;

}  // namespace

bool Available() { return kAvailable; }

unsigned ForwardQuantisePair(const PixelPair& in, int qp, bool intra, int16_t* scanA, int16_t* scanB,
                             bool coded[2]) {
  return detail::ForwardQuantisePairAvx512(in, qp, intra, scanA, scanB, coded, kForwardBound);
}

unsigned InversePair(const int16_t* scanA, const int16_t* scanB, unsigned blocks, int qp, bool intra,
                     int16_t* outA, int16_t* outB) {
  return detail::InversePairAvx512(scanA, scanB, blocks, qp, intra, outA, outB, kInverseBound);
}

}  // namespace osprel::fast_transform
