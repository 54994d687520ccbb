#include "transform_quantise.h"

#include "tovrik.h"
#include "vlc_tables.h"

namespace osprel {

namespace transform_detail {
bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
}  // namespace transform_detail

namespace {

const bool kFast = transform_detail::HasAvx2();

// Raster levels to scan order; true when any level from start on is nonzero.
inline bool ToScan(const int16_t* raster, int16_t* scan, int start) {
  int any = 0;
  for (int i = 0; i < 64; ++i) {
    scan[i] = raster[kScanToRaster[i]];
    any |= i >= start ? scan[i] : 0;
  }
  return any != 0;
}

}  // namespace

bool TransformQuantiseIntra(const QuantTables& t, int16_t* block, int16_t* scan) {
  alignas(32) int16_t raster[64];
  if (kFast && transform_detail::ForwardQuantiseAvx2(block, t.qp, true, kFastMargin, raster))
    return ToScan(raster, scan, 1);
  ippiDCT8x8Fwd_16s_C1(block, block);
  return QuantiseIntra(t, block, scan);
}

bool TransformQuantiseInter(const QuantTables& t, int16_t* block, int16_t* scan) {
  alignas(32) int16_t raster[64];
  if (kFast && transform_detail::ForwardQuantiseAvx2(block, t.qp, false, kFastMargin, raster))
    return ToScan(raster, scan, 0);
  ippiDCT8x8Fwd_16s_C1(block, block);
  return QuantiseInter(t, block, scan);
}

}  // namespace osprel
