// The simulator's own control surface for tests and tools.
#include <cstring>

#include "simulator.h"

using nuvixsim::Simulator;

extern "C" {

int NUVIXI_SIM_SetBoards(const NUVIXI_SIM_BOARD* boards, uint32_t count) {
  if (count > NUVIXI_SIM_MAX_BOARDS || (count > 0 && !boards)) return -1;
  std::vector<nuvixsim::BoardState> states;
  for (uint32_t i = 0; i < count; ++i) states.emplace_back(boards[i]);
  Simulator::Instance().SetBoards(std::move(states));
  return 0;
}

int NUVIXI_SIM_SetBoardsFromText(const char* text) {
  auto boards = nuvixsim::ParseBoardList(text ? text : "");
  if (!boards) return -1;
  return NUVIXI_SIM_SetBoards(boards->data(), static_cast<uint32_t>(boards->size()));
}

uint32_t NUVIXI_SIM_BoardCount(void) {
  return Simulator::Instance().WithBoards([](const auto& boards) { return static_cast<uint32_t>(boards.size()); });
}

void NUVIXI_SIM_Reset(void) { Simulator::Instance().Reset(); }

void NUVIXI_SIM_SetStrict(int on) { nuvixsim::SetStrictMode(on != 0); }

uint64_t NUVIXI_SIM_UnmatchedCancels(void) { return nuvixsim::UnmatchedCancels(); }

int NUVIXI_SIM_SetCloseDelay(uint32_t board, uint32_t milliseconds) {
  return Simulator::Instance().WithBoards([&](auto& boards) {
    if (board >= boards.size()) return -1;
    boards[board].closeDelayMs = milliseconds;
    return 0;
  });
}

void NUVIXI_SIM_FailNext(const char* function, uint32_t code) {
  if (function) Simulator::Instance().FailNext(function, code);
}

size_t NUVIXI_SIM_ReadJournal(char* buffer, size_t size) {
  std::string journal = Simulator::Instance().Journal();
  if (buffer && size > 0) {
    size_t n = std::min(size - 1, journal.size());
    std::memcpy(buffer, journal.data(), n);
    buffer[n] = '\0';
  }
  return journal.size();
}

void NUVIXI_SIM_ClearJournal(void) { Simulator::Instance().ClearJournal(); }

int NUVIXI_SIM_QueueImage(uint32_t board, uint32_t channel, void* address) {
  auto queues = Simulator::Instance().Engine<&nuvixsim::BoardState::queues>(board);
  if (!queues || channel >= nuvixsim::BoardQueues::kImageChannels) return -1;
  queues->images[channel].Push(address);
  return 0;
}

int NUVIXI_SIM_QueueSound(uint32_t board, uint32_t channel, void* address) {
  auto queues = Simulator::Instance().Engine<&nuvixsim::BoardState::queues>(board);
  if (!queues || channel >= nuvixsim::BoardQueues::kSoundChannels) return -1;
  queues->sounds[channel].Push(address);
  return 0;
}

int NUVIXI_SIM_QueueAudioRefill(uint32_t board) {
  auto aplay = Simulator::Instance().Engine<&nuvixsim::BoardState::aplay>(board);
  if (!aplay) return -1;
  aplay->QueueRefill();
  return 0;
}

int NUVIXI_SIM_QueueSerialRx(uint32_t board, const void* bytes, uint32_t count) {
  auto queues = Simulator::Instance().Engine<&nuvixsim::BoardState::queues>(board);
  if (!queues || (count > 0 && !bytes)) return -1;
  queues->serialRx.Push(static_cast<const uint8_t*>(bytes), count);
  return 0;
}

}  // extern "C"

extern "C" {

int NUVIXI_SIM_SetCameraSignal(uint32_t board, uint32_t channel, int present) {
  auto capture = Simulator::Instance().Engine<&nuvixsim::BoardState::capture>(board);
  return capture && capture->SetCamera(channel, present != 0) ? 0 : -1;
}

int NUVIXI_SIM_CaptureCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped) {
  return nuvixsim::ReadCounters<&nuvixsim::BoardState::capture>(board, channel, delivered, dropped);
}

int NUVIXI_SIM_CaptureClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  return nuvixsim::ReadClockCpuTime<&nuvixsim::BoardState::capture>(board, nanoseconds);
}

void NUVIXI_SIM_CameraColour(uint32_t channel, uint8_t yuv[3]) {
  if (!yuv) return;
  const nuvixsim::Yuv colour = nuvixsim::CameraColour(channel);
  yuv[0] = colour.y;
  yuv[1] = colour.u;
  yuv[2] = colour.v;
}

}  // extern "C"

extern "C" {

int NUVIXI_SIM_AudioPlayState(uint32_t board, NUVIXI_SIM_APLAY_STATE* state) {
  auto aplay = Simulator::Instance().Engine<&nuvixsim::BoardState::aplay>(board);
  if (!aplay || !state) return -1;
  *state = aplay->State();
  return 0;
}

size_t NUVIXI_SIM_TakePlayedAudio(uint32_t board, int16_t* samples, size_t max) {
  auto aplay = Simulator::Instance().Engine<&nuvixsim::BoardState::aplay>(board);
  return aplay && samples ? aplay->TakePlayed(samples, max) : 0;
}

int NUVIXI_SIM_ReadTvOut(uint32_t board, void* buffer, size_t size, uint32_t* lines, uint64_t* pictures) {
  auto tvout = Simulator::Instance().Engine<&nuvixsim::BoardState::tvout>(board);
  uint32_t height = 0;
  uint64_t count = 0;
  if (!tvout || !tvout->ReadPicture(static_cast<uint8_t*>(buffer), buffer ? size : 0, height, count)) return -1;
  if (lines) *lines = height;
  if (pictures) *pictures = count;
  return 0;
}

int NUVIXI_SIM_TvOutClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  return nuvixsim::ReadClockCpuTime<&nuvixsim::BoardState::tvout>(board, nanoseconds);
}

}  // extern "C"
