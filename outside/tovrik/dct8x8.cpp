// Separable double-precision 8x8 DCT: a vertical pass over the columns, then a
// horizontal pass over the rows. Double precision keeps every result within
// 1e-10 of the exact transform for the blocks the coder produces, so rounding
// at the end gives the correctly rounded value; a margin of 2^-30 above one
// half makes exact halves (the DC and other rational positions) round away
// from zero whatever the last bits of the arithmetic say.
#include "dct8x8_internal.h"
#include "dct8x8_kernel.h"
#include "tovrik.h"

#include <emmintrin.h>

#include <cmath>

namespace tovrik {
namespace {

struct ScalarOps {
  static double Add(double a, double b) { return a + b; }
  static double Sub(double a, double b) { return a - b; }
  static double Mul(double a, double b) { return a * b; }
  static double Set(double c) { return c; }
};

}  // namespace

int16_t RoundSaturate(double x) {
  double y = x + std::copysign(kernel::kHalfUp, x);
  y = y < -32768.0 ? -32768.0 : y;
  y = y > 32767.0 ? 32767.0 : y;
  return static_cast<int16_t>(static_cast<int>(y));  // truncation
}

bool OnlyDc(const int16_t* src) {
  const __m128i zero = _mm_setzero_si128();
  __m128i any = _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), 2);  // drop the DC
  for (int i = 8; i < 64; i += 8) any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF;
}

namespace {

template <bool kForward>
void Transform(const int16_t* src, int16_t* dst) {
  double m[64];
  for (int i = 0; i < 64; ++i) m[i] = src[i];
  double v[8];
  for (int c = 0; c < 8; ++c) {  // vertical
    for (int r = 0; r < 8; ++r) v[r] = m[8 * r + c];
    kForward ? kernel::Forward8<ScalarOps>(v) : kernel::Inverse8<ScalarOps>(v);
    for (int r = 0; r < 8; ++r) m[8 * r + c] = v[r];
  }
  for (int r = 0; r < 8; ++r)  // horizontal
    kForward ? kernel::Forward8<ScalarOps>(m + 8 * r) : kernel::Inverse8<ScalarOps>(m + 8 * r);
  for (int i = 0; i < 64; ++i) dst[i] = RoundSaturate(m[i]);
}

using Kernel = void (*)(const int16_t*, int16_t*);

Kernel PickForward() {
  if (HasAvx512()) return ForwardAvx512;
  if (HasAvx2()) return ForwardAvx2;
  return ForwardPlain;
}

Kernel PickInverse() {
  if (HasAvx512()) return InverseAvx512;
  if (HasAvx2()) return InverseAvx2;
  return InversePlain;
}

const Kernel kForwardKernel = PickForward();
const Kernel kInverseKernel = PickInverse();

}  // namespace

void ForwardPlain(const int16_t* src, int16_t* dst) { Transform<true>(src, dst); }
void InversePlain(const int16_t* src, int16_t* dst) { Transform<false>(src, dst); }

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

bool HasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f");
}

}  // namespace tovrik

extern "C" {

IppStatus ippiDCT8x8Fwd_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  tovrik::kForwardKernel(pSrc, pDst);
  return ippStsNoErr;
}

IppStatus ippiDCT8x8Inv_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (tovrik::OnlyDc(pSrc)) {
    // Every sample is DC / 8, a multiple of 1/8: the full transform lands
    // within 1e-12 of it and rounds the same way, halves included.
    const Ipp16s v = tovrik::RoundSaturate(pSrc[0] * 0.125);
    for (int i = 0; i < 64; ++i) pDst[i] = v;
    return ippStsNoErr;
  }
  tovrik::kInverseKernel(pSrc, pDst);
  return ippStsNoErr;
}

}  // extern "C"
