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

// TCOEF events decoded in the table: the level without its sign (which
// follows the code), the run, LAST, and the code's length. The escape and
// bits that start no code are marked in `last`, so one rarely taken branch
// tells them from an event.
struct TcoefEvent {
  uint8_t level;
  uint8_t run;
  uint8_t last;  // 0, 1, or kEventEscape / kEventInvalid
  uint8_t len;
};
inline constexpr uint8_t kEventEscape = 2, kEventInvalid = 3;

constexpr std::array<TcoefEvent, (1u << kTcoefBits)> BuildTcoefEvents() {
  std::array<TcoefEvent, (1u << kTcoefBits)> t{};
  for (auto& e : t) e = TcoefEvent{0, 0, kEventInvalid, 0};
  auto fill = [&t](osprel::Vlc v, TcoefEvent e) {
    const uint32_t first = uint32_t(v.code) << (kTcoefBits - v.len);
    for (uint32_t i = 0; i < (1u << (kTcoefBits - v.len)); ++i) t[first + i] = e;
  };
  for (int last = 0; last < 2; ++last)
    for (int run = 0; run < 64; ++run)
      for (int level = 1; level <= osprel::kMaxCodedLevel; ++level) {
        const osprel::Vlc v = osprel::kTcoef.v[last][run][level];
        if (v.len) fill(v, TcoefEvent{uint8_t(level), uint8_t(run), uint8_t(last), v.len});
      }
  fill(osprel::kTcoefEscape, TcoefEvent{0, 0, kEventEscape, osprel::kTcoefEscape.len});
  return t;
}

inline constexpr auto kTcoefEvents = BuildTcoefEvents();

}  // namespace corvane

#endif
