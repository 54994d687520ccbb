#include "quantiser.h"

#include "nuvix_trace.h"
#include "vlc_tables.h"

#include <algorithm>
#include <cstdlib>

namespace osprel {
namespace {

int8_t Clamp127(int v) { return static_cast<int8_t>(std::clamp(v, -127, 127)); }

// Coefficients of 8-bit blocks stay within +-2040; anything outside the table
// is reported and clamped to its edge.
inline int TableIndex(int c) {
  if (c < -kQuantTableOffset || c >= kQuantTableOffset) [[unlikely]] {
    NuvixTrace("INDEX ERROR\n");
    c = std::clamp(c, -kQuantTableOffset, kQuantTableOffset - 1);
  }
  return c + kQuantTableOffset;
}

}  // namespace

void BuildQuantTables(int qp, QuantTables* t) {
  t->qp = qp;
  for (int c = -kQuantTableOffset; c < kQuantTableOffset; ++c) {
    const int a = std::abs(c), s = c < 0 ? -1 : 1;
    t->intraAc[c + kQuantTableOffset] = Clamp127(s * (a / (2 * qp)));
    const int inter = a < qp / 2 ? 0 : (a - qp / 2) / (2 * qp);
    t->inter[c + kQuantTableOffset] = Clamp127(s * inter);
  }
  for (int l = -127; l <= 127; ++l) {
    int r = 0;
    if (l != 0) {
      r = qp * (2 * std::abs(l) + 1) - (qp % 2 == 0 ? 1 : 0);
      if (l < 0) r = -r;
    }
    t->dequant[l + 127] = static_cast<int16_t>(r);
  }
}

bool QuantiseIntra(const QuantTables& t, const int16_t* coef, int16_t* scan) {
  const int dc = std::clamp(coef[0] / 8, 1, 254);  // truncating division
  scan[0] = static_cast<int16_t>(dc);
  int any = 0;
  for (int i = 1; i < 64; ++i) {
    const int l = t.intraAc[TableIndex(coef[i])];
    scan[kZigzag[i]] = static_cast<int16_t>(l);
    any |= l;
  }
  return any != 0;
}

bool QuantiseInter(const QuantTables& t, const int16_t* coef, int16_t* scan) {
  int any = 0;
  for (int i = 0; i < 64; ++i) {
    const int l = t.inter[TableIndex(coef[i])];
    scan[kZigzag[i]] = static_cast<int16_t>(l);
    any |= l;
  }
  return any != 0;
}

void DequantiseIntra(const QuantTables& t, const int16_t* scan, int16_t* raster) {
  raster[0] = static_cast<int16_t>(8 * scan[0]);
  for (int i = 1; i < 64; ++i) raster[kScanToRaster[i]] = t.dequant[scan[i] + 127];
}

void DequantiseInter(const QuantTables& t, const int16_t* scan, int16_t* raster) {
  for (int i = 0; i < 64; ++i) raster[kScanToRaster[i]] = t.dequant[scan[i] + 127];
}

}  // namespace osprel
