// The variable-length codes of the H.263 baseline syntax, shared by the
// encoder and the decoder. Codes are right-aligned; a length of 0 marks a
// combination without a code. Sign bits are not part of the MVD and TCOEF codes.
#ifndef OSPREL_VLC_TABLES_H
#define OSPREL_VLC_TABLES_H

#include <array>
#include <cstdint>

namespace osprel {

struct Vlc {
  uint16_t code;
  uint8_t len;
};

// MCBPC of I pictures, index 4 * CBPC + k: k = 0 stuffing (CBPC 0 only), 1 INTRA, 2 INTRA+Q.
inline constexpr Vlc kMcbpcI[16] = {
    {1, 9}, {1, 1}, {1, 4}, {0, 0},  {0, 0}, {1, 3}, {1, 6}, {0, 0},
    {0, 0}, {2, 3}, {2, 6}, {0, 0},  {0, 0}, {3, 3}, {3, 6}, {0, 0},
};

// MCBPC of P pictures, index 8 * CBPC + MB type (0 INTER, 1 INTER+Q, 2 INTER4V,
// 3 INTRA, 4 INTRA+Q); stuffing at CBPC 0, type 5.
inline constexpr Vlc kMcbpcP[32] = {
    {1, 1}, {3, 3}, {2, 3}, {3, 5}, {4, 6}, {1, 9}, {0, 0}, {0, 0},
    {3, 4}, {7, 7}, {5, 7}, {4, 8}, {4, 9}, {0, 0}, {0, 0}, {0, 0},
    {2, 4}, {6, 7}, {4, 7}, {3, 8}, {3, 9}, {0, 0}, {0, 0}, {0, 0},
    {5, 6}, {5, 9}, {5, 8}, {3, 7}, {2, 9}, {0, 0}, {0, 0}, {0, 0},
};

// CBPY, index = luma pattern of an intra macroblock (Y0 in bit 3); inter
// macroblocks use the index pattern ^ 15.
inline constexpr Vlc kCbpy[16] = {
    {3, 4}, {5, 5}, {4, 5}, {9, 4}, {3, 5}, {7, 4}, {2, 6}, {11, 4},
    {2, 5}, {3, 6}, {5, 4}, {10, 4}, {4, 4}, {8, 4}, {6, 4}, {3, 2},
};

// MVD by magnitude of the difference in half-pel units, 0..32.
inline constexpr Vlc kMvd[33] = {
    {1, 1},   {1, 2},   {1, 3},   {1, 4},   {3, 6},   {5, 7},   {4, 7},   {3, 7},
    {11, 9},  {10, 9},  {9, 9},   {17, 10}, {16, 10}, {15, 10}, {14, 10}, {13, 10},
    {12, 10}, {11, 10}, {10, 10}, {9, 10},  {8, 10},  {7, 10},  {6, 10},  {5, 10},
    {4, 10},  {7, 11},  {6, 11},  {5, 11},  {4, 11},  {3, 11},  {2, 11},  {3, 12},
    {2, 12},
};

inline constexpr Vlc kTcoefEscape = {3, 7};
inline constexpr int kMaxCodedLevel = 12;

// TCOEF codes as [LAST][RUN][|LEVEL|] with RUN 0..63 and |LEVEL| 0..12.
struct TcoefTable {
  Vlc v[2][64][kMaxCodedLevel + 1];
};

namespace detail {

struct TcoefRow {
  uint8_t last, run;
  Vlc levels[kMaxCodedLevel];  // levels 1.. until the first empty entry
};

inline constexpr TcoefRow kTcoefRows[] = {
    {0, 0, {{2, 2}, {15, 4}, {21, 6}, {23, 7}, {31, 8}, {37, 9}, {36, 9}, {33, 10}, {32, 10}, {7, 11}, {6, 11}, {32, 11}}},
    {0, 1, {{6, 3}, {20, 6}, {30, 8}, {15, 10}, {33, 11}, {80, 12}}},
    {0, 2, {{14, 4}, {29, 8}, {14, 10}, {81, 12}}},
    {0, 3, {{13, 5}, {35, 9}, {13, 10}}},
    {0, 4, {{12, 5}, {34, 9}, {82, 12}}},
    {0, 5, {{11, 5}, {12, 10}, {83, 12}}},
    {0, 6, {{19, 6}, {11, 10}, {84, 12}}},
    {0, 7, {{18, 6}, {10, 10}}},
    {0, 8, {{17, 6}, {9, 10}}},
    {0, 9, {{16, 6}, {8, 10}}},
    {0, 10, {{22, 7}, {85, 12}}},
    {0, 11, {{21, 7}}}, {0, 12, {{20, 7}}}, {0, 13, {{28, 8}}}, {0, 14, {{27, 8}}},
    {0, 15, {{33, 9}}}, {0, 16, {{32, 9}}}, {0, 17, {{31, 9}}}, {0, 18, {{30, 9}}},
    {0, 19, {{29, 9}}}, {0, 20, {{28, 9}}}, {0, 21, {{27, 9}}}, {0, 22, {{26, 9}}},
    {0, 23, {{34, 11}}}, {0, 24, {{35, 11}}}, {0, 25, {{86, 12}}}, {0, 26, {{87, 12}}},
    {1, 0, {{7, 4}, {25, 9}, {5, 11}}},
    {1, 1, {{15, 6}, {4, 11}}},
    {1, 2, {{14, 6}}}, {1, 3, {{13, 6}}}, {1, 4, {{12, 6}}}, {1, 5, {{19, 7}}},
    {1, 6, {{18, 7}}}, {1, 7, {{17, 7}}}, {1, 8, {{16, 7}}}, {1, 9, {{26, 8}}},
    {1, 10, {{25, 8}}}, {1, 11, {{24, 8}}}, {1, 12, {{23, 8}}}, {1, 13, {{22, 8}}},
    {1, 14, {{21, 8}}}, {1, 15, {{20, 8}}}, {1, 16, {{19, 8}}}, {1, 17, {{24, 9}}},
    {1, 18, {{23, 9}}}, {1, 19, {{22, 9}}}, {1, 20, {{21, 9}}}, {1, 21, {{20, 9}}},
    {1, 22, {{19, 9}}}, {1, 23, {{18, 9}}}, {1, 24, {{17, 9}}}, {1, 25, {{7, 10}}},
    {1, 26, {{6, 10}}}, {1, 27, {{5, 10}}}, {1, 28, {{4, 10}}}, {1, 29, {{36, 11}}},
    {1, 30, {{37, 11}}}, {1, 31, {{38, 11}}}, {1, 32, {{39, 11}}}, {1, 33, {{88, 12}}},
    {1, 34, {{89, 12}}}, {1, 35, {{90, 12}}}, {1, 36, {{91, 12}}}, {1, 37, {{92, 12}}},
    {1, 38, {{93, 12}}}, {1, 39, {{94, 12}}}, {1, 40, {{95, 12}}},
};

constexpr TcoefTable BuildTcoef() {
  TcoefTable t{};
  for (const TcoefRow& row : kTcoefRows)
    for (int l = 0; l < kMaxCodedLevel && row.levels[l].len; ++l) t.v[row.last][row.run][l + 1] = row.levels[l];
  return t;
}

constexpr std::array<uint8_t, 64> kScanToRaster = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

constexpr std::array<uint8_t, 64> InvertScan() {
  std::array<uint8_t, 64> z{};
  for (int i = 0; i < 64; ++i) z[kScanToRaster[i]] = static_cast<uint8_t>(i);
  return z;
}

}  // namespace detail

inline constexpr TcoefTable kTcoef = detail::BuildTcoef();

// Zigzag scan: scan position -> raster position (row * 8 + column), and back.
inline constexpr std::array<uint8_t, 64> kScanToRaster = detail::kScanToRaster;
inline constexpr std::array<uint8_t, 64> kZigzag = detail::InvertScan();
// Scan position -> position in the transposed block (column * 8 + row).
inline constexpr std::array<uint8_t, 64> kScanToTransposed = [] {
  std::array<uint8_t, 64> t{};
  for (int i = 0; i < 64; ++i) t[i] = static_cast<uint8_t>((kScanToRaster[i] % 8) * 8 + kScanToRaster[i] / 8);
  return t;
}();

}  // namespace osprel

#endif
