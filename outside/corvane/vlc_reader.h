// Direct lookup tables for reading the H.263 variable-length codes, built at
// compile time from the encoder's code tables so both sides share one source.
#ifndef CORVANE_VLC_READER_H
#define CORVANE_VLC_READER_H

#include "vlc_tables.h"

#include <array>
#include <cstdint>

namespace corvane {

struct VlcEntry {
  int16_t symbol;  // index into the source table
  uint8_t len;     // 0: no code starts with these bits
};

template <int Bits, size_t N>
constexpr std::array<VlcEntry, (1u << Bits)> BuildLookup(const osprel::Vlc (&codes)[N]) {
  std::array<VlcEntry, (1u << Bits)> t{};
  for (size_t s = 0; s < N; ++s) {
    const int len = codes[s].len;
    if (!len) continue;
    const uint32_t first = uint32_t(codes[s].code) << (Bits - len);
    for (uint32_t i = 0; i < (1u << (Bits - len)); ++i)
      t[first + i] = VlcEntry{static_cast<int16_t>(s), static_cast<uint8_t>(len)};
  }
  return t;
}

inline constexpr int kMcbpcBits = 9, kCbpyBits = 6, kMvdBits = 12, kTcoefBits = 12;
inline constexpr auto kMcbpcIRead = BuildLookup<kMcbpcBits>(osprel::kMcbpcI);
inline constexpr auto kMcbpcPRead = BuildLookup<kMcbpcBits>(osprel::kMcbpcP);
inline constexpr auto kCbpyRead = BuildLookup<kCbpyBits>(osprel::kCbpy);
inline constexpr auto kMvdRead = BuildLookup<kMvdBits>(osprel::kMvd);

// TCOEF: symbol = last * 1024 + run * 16 + level; kTcoefEscapeSymbol for the escape.
inline constexpr int16_t kTcoefEscapeSymbol = -1;

struct TcoefCodes {
  osprel::Vlc v[2 * 1024];
};

constexpr TcoefCodes FlattenTcoef() {
  TcoefCodes f{};
  for (int last = 0; last < 2; ++last)
    for (int run = 0; run < 64; ++run)
      for (int level = 1; level <= osprel::kMaxCodedLevel; ++level)
        f.v[last * 1024 + run * 16 + level] = osprel::kTcoef.v[last][run][level];
  return f;
}

constexpr std::array<VlcEntry, (1u << kTcoefBits)> BuildTcoefLookup() {
  constexpr TcoefCodes flat = FlattenTcoef();
  auto t = BuildLookup<kTcoefBits>(flat.v);
  const osprel::Vlc esc = osprel::kTcoefEscape;
  const uint32_t first = uint32_t(esc.code) << (kTcoefBits - esc.len);
  for (uint32_t i = 0; i < (1u << (kTcoefBits - esc.len)); ++i)
    t[first + i] = VlcEntry{kTcoefEscapeSymbol, esc.len};
  return t;
}

inline constexpr auto kTcoefRead = BuildTcoefLookup();

}  // namespace corvane

#endif
