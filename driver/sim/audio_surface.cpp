// The simulator's control surface for the boards' audio inputs.
#include "simulator.h"

using nuvixsim::Simulator;

extern "C" {

uint32_t NUVIXI_SIM_AudioToneHz(uint32_t channel) { return nuvixsim::ToneHz(channel); }

int NUVIXI_SIM_SoundCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped) {
  auto audio = Simulator::Instance().Engine<&nuvixsim::BoardState::audio>(board);
  uint64_t blocks = 0, lost = 0;
  if (!audio || !audio->Counters(channel, blocks, lost)) return -1;
  if (delivered) *delivered = blocks;
  if (dropped) *dropped = lost;
  return 0;
}

int NUVIXI_SIM_AudioClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  auto audio = Simulator::Instance().Engine<&nuvixsim::BoardState::audio>(board);
  uint64_t used = 0;
  if (!audio || !audio->ClockCpuTime(used)) return -1;
  if (nanoseconds) *nanoseconds = used;
  return 0;
}

}  // extern "C"
