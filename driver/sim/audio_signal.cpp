#include "audio_signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace nuvixsim {
namespace {

constexpr int kTableBits = 12;

// One period of a sine in Q15.
const std::array<int16_t, 1u << kTableBits>& SineTable() {
  static const auto table = [] {
    std::array<int16_t, 1u << kTableBits> t{};
    for (size_t i = 0; i < t.size(); ++i)
      t[i] = static_cast<int16_t>(std::lround(32767.0 * std::sin(2.0 * std::numbers::pi * i / t.size())));
    return t;
  }();
  return table;
}

}  // namespace

uint32_t ToneHz(uint32_t channel) { return 250 + 125 * (channel % 16); }

int32_t Amplitude(const AudioLevel& level) {
  // Full volume, gain 3 and a mid reference give half scale; the product is
  // held at full scale rather than wrapping.
  const uint64_t ceiling = std::max<uint32_t>(level.volumeCeiling, 1);
  const uint64_t volume = std::min<uint64_t>(level.volume, ceiling);
  const uint64_t numerator = 32767ull * volume * (level.gain + 1) * (level.reference + 1);
  const uint64_t denominator = ceiling * 4 * 64;
  return static_cast<int32_t>(std::min<uint64_t>(numerator / denominator, 32767));
}

void RenderAudio(int16_t* out, uint32_t count, uint32_t channel, uint32_t rate, uint64_t first, int32_t amplitude) {
  const auto& table = SineTable();
  // Phase step per sample as a fraction of 2^32; the phase of sample n is
  // step × n modulo 2^32, so any block starts exactly where the last ended.
  const auto step = static_cast<uint32_t>((static_cast<uint64_t>(ToneHz(channel)) << 32) / rate);
  const uint32_t clickSamples = std::max<uint32_t>(rate / 500, 2);  // 2 ms
  uint32_t phase = step * static_cast<uint32_t>(first);
  uint64_t inSecond = first % rate;
  for (uint32_t i = 0; i < count; ++i) {
    int32_t value;
    if (inSecond < clickSamples) value = inSecond < clickSamples / 2 ? amplitude : -amplitude;
    else value = table[phase >> (32 - kTableBits)] * amplitude / 32767;
    out[i] = static_cast<int16_t>(value);
    phase += step;
    if (++inSecond == rate) inSecond = 0;
  }
}

}  // namespace nuvixsim
