// What a simulated audio input hears: a tone of its own and a short click at
// the start of every second of the board's time, scaled by the input's
// volume, pre-amplifier gain and the board's reference level.
#pragma once

#include <cstdint>

namespace nuvixsim {

// The settings that shape one input's signal.
struct AudioLevel {
  uint32_t volume = 0;
  uint32_t volumeCeiling = 31;
  uint32_t gain = 1;       // pre-amplifier 0..7
  uint32_t reference = 31; // 0..63
};

// Tone of input channel in hertz (distinct per input, below 4 kHz so every
// sample rate carries it).
uint32_t ToneHz(uint32_t channel);

// Peak of the tone in sample units, 0..32767.
int32_t Amplitude(const AudioLevel& level);

// Writes count signed 16-bit samples of input channel at rate hertz,
// starting at sample number first counted from the board's open.
void RenderAudio(int16_t* out, uint32_t count, uint32_t channel, uint32_t rate, uint64_t first, int32_t amplitude);

}  // namespace nuvixsim
