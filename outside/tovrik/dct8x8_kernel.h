// The one definition of the 8-point transforms, written once over a vector
// type so that the plain, AVX2 and AVX-512 kernels perform the same IEEE
// double operations in the same order for every lane and agree bit for bit.
// Uses nothing but the Ops class it is given (no library functions), so it
// can be compiled for different instruction sets in different files.
#ifndef TOVRIK_DCT8X8_KERNEL_H
#define TOVRIK_DCT8X8_KERNEL_H

namespace tovrik::kernel {

// kC[k][n] = c(k) cos((2n + 1) k pi / 16), c(0) = sqrt(1/8), c(k > 0) = 1/2, n = 0..3.
inline constexpr double kC[8][4] = {
    {0.3535533905932738, 0.3535533905932738, 0.3535533905932738, 0.3535533905932738},
    {0.4903926402016152, 0.4157348061512726, 0.2777851165098011, 0.09754516100806414},
    {0.46193976625564337, 0.1913417161825449, -0.1913417161825449, -0.46193976625564337},
    {0.4157348061512726, -0.09754516100806414, -0.4903926402016152, -0.2777851165098011},
    {0.3535533905932738, -0.3535533905932738, -0.3535533905932738, 0.3535533905932738},
    {0.2777851165098011, -0.4903926402016152, 0.09754516100806414, 0.4157348061512726},
    {0.1913417161825449, -0.46193976625564337, 0.46193976625564337, -0.1913417161825449},
    {0.09754516100806414, -0.2777851165098011, 0.4157348061512726, -0.4903926402016152},
};

inline constexpr double kA4 = kC[0][0];  // c(0) = cos(pi/4) / 2
inline constexpr double kC2 = kC[2][0];  // cos(pi/8) / 2
inline constexpr double kC6 = kC[2][1];  // cos(3pi/8) / 2

// Exact halves round away from zero despite the last bits of the arithmetic.
inline constexpr double kHalfUp = 0.5 + 1.0 / (1 << 30);

// Forward 8-point DCT of x[0..7] in place.
template <typename O, typename V>
inline void Forward8(V* x) {
  const V s0 = O::Add(x[0], x[7]), s1 = O::Add(x[1], x[6]), s2 = O::Add(x[2], x[5]), s3 = O::Add(x[3], x[4]);
  const V d0 = O::Sub(x[0], x[7]), d1 = O::Sub(x[1], x[6]), d2 = O::Sub(x[2], x[5]), d3 = O::Sub(x[3], x[4]);
  const V e0 = O::Add(s0, s3), e1 = O::Add(s1, s2), e2 = O::Sub(s0, s3), e3 = O::Sub(s1, s2);
  x[0] = O::Mul(O::Set(kA4), O::Add(e0, e1));
  x[4] = O::Mul(O::Set(kA4), O::Sub(e0, e1));
  x[2] = O::Add(O::Mul(O::Set(kC2), e2), O::Mul(O::Set(kC6), e3));
  x[6] = O::Sub(O::Mul(O::Set(kC6), e2), O::Mul(O::Set(kC2), e3));
  for (int k = 1; k < 8; k += 2) {
    const double* c = kC[k];
    x[k] = O::Add(O::Add(O::Add(O::Mul(O::Set(c[0]), d0), O::Mul(O::Set(c[1]), d1)), O::Mul(O::Set(c[2]), d2)),
                  O::Mul(O::Set(c[3]), d3));
  }
}

// Inverse 8-point DCT of x[0..7] in place.
template <typename O, typename V>
inline void Inverse8(V* x) {
  const V p = O::Mul(O::Set(kA4), x[0]), q = O::Mul(O::Set(kA4), x[4]);
  const V t0 = O::Add(p, q), t1 = O::Sub(p, q);
  const V r0 = O::Add(O::Mul(O::Set(kC2), x[2]), O::Mul(O::Set(kC6), x[6]));
  const V r1 = O::Sub(O::Mul(O::Set(kC6), x[2]), O::Mul(O::Set(kC2), x[6]));
  const V e[4] = {O::Add(t0, r0), O::Add(t1, r1), O::Sub(t1, r1), O::Sub(t0, r0)};
  V o[4];
  for (int n = 0; n < 4; ++n)
    o[n] = O::Add(O::Add(O::Add(O::Mul(O::Set(kC[1][n]), x[1]), O::Mul(O::Set(kC[3][n]), x[3])),
                         O::Mul(O::Set(kC[5][n]), x[5])),
                  O::Mul(O::Set(kC[7][n]), x[7]));
  for (int n = 0; n < 4; ++n) {
    x[n] = O::Add(e[n], o[n]);
    x[7 - n] = O::Sub(e[n], o[n]);
  }
}

}  // namespace tovrik::kernel

#endif
