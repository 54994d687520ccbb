// When the coder leaves residual blocks unsent: the limits of both skip rules.
#ifndef OSPREL_SKIP_RULES_H
#define OSPREL_SKIP_RULES_H

namespace osprel {

// A luma block whose 8x8 SAD is below this is not sent (both rules).
inline constexpr int kSkipSad8 = 270;
// Luma-only rule: both chroma blocks are not sent when the 16x16 SAD is below this.
inline constexpr int kSkipSad16 = 540;

// Own-residual rule: a chroma block whose SAD against its prediction is below
// this is not sent, and an unchanged luma macroblock is only not coded when
// both its chroma blocks' zero-vector SADs are below it. No DCT basis value
// exceeds 0.25 cos^2(pi/16) = 0.240485 in magnitude, so no coefficient of
// such a block reaches floor(qp/2) + 2 qp - 1/2, the least that rounds to a
// nonzero inter level: leaving it out changes no coded bit and no sample.
constexpr int ChromaSkipSad(int qp) {
  const double firstNonzero = qp / 2 + 2 * qp - 0.5;
  int limit = 0;
  while (0.240486 * limit < firstNonzero) ++limit;
  return limit;
}

}  // namespace osprel

#endif
