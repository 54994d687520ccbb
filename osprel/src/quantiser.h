// Table-driven quantiser and dequantiser of the H.263 coder.
#ifndef OSPREL_QUANTISER_H
#define OSPREL_QUANTISER_H

#include <cstdint>

namespace osprel {

inline constexpr int kQuantTableOffset = 2048;  // tables cover coefficients -2048..2047

struct QuantTables {
  int qp = 0;
  int8_t intraAc[4096];
  int8_t inter[4096];
  int16_t dequant[255];  // index level + 127
};

// Rebuilds the tables for a quantiser of 1..31.
void BuildQuantTables(int qp, QuantTables* t);

// Quantises a transformed block (raster order) into levels in scan order.
// Intra: scan[0] is the DC level 1..254. Returns true when any level other
// than the intra DC is nonzero (the block is coded).
bool QuantiseIntra(const QuantTables& t, const int16_t* coef, int16_t* scan);
bool QuantiseInter(const QuantTables& t, const int16_t* coef, int16_t* scan);

// Bit i set when scan[i] is nonzero.
uint64_t NonzeroMask(const int16_t* scan);

// Levels in scan order back to reconstruction values in raster order; an
// intra DC becomes 8 x its level.
void DequantiseIntra(const QuantTables& t, const int16_t* scan, int16_t* raster);
void DequantiseInter(const QuantTables& t, const int16_t* scan, int16_t* raster);

}  // namespace osprel

#endif
