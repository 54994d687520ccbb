// The simulator's control surface for the boards' audio inputs.
#include "simulator.h"

using nuvixsim::Simulator;

extern "C" {

uint32_t NUVIXI_SIM_AudioToneHz(uint32_t channel) { return nuvixsim::ToneHz(channel); }

int NUVIXI_SIM_SoundCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped) {
  return nuvixsim::ReadCounters<&nuvixsim::BoardState::audio>(board, channel, delivered, dropped);
}

int NUVIXI_SIM_AudioClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  return nuvixsim::ReadClockCpuTime<&nuvixsim::BoardState::audio>(board, nanoseconds);
}

}  // extern "C"
