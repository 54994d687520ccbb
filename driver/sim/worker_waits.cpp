// The calls a worker thread blocks in, and the calls that break them.
#include "simulator.h"

using nuvixsim::BoardQueues;
using nuvixsim::Simulator;

namespace {

constexpr uint32_t kSerialReadMax = 256;

// A channel's queue of image or sound buffers; null for a channel the board lacks.
nuvixsim::BufferQueue* ChannelQueue(BoardQueues& queues, bool sound, uint32_t channel) {
  if (sound) return channel < BoardQueues::kSoundChannels ? &queues.sounds[channel] : nullptr;
  return channel < BoardQueues::kImageChannels ? &queues.images[channel] : nullptr;
}

NUVIXI_RESULT WaitBuffer(uint32_t board, uint32_t channel, void** address, uint32_t timeoutMs, bool sound) {
  if (auto fault = Simulator::Instance().TakeFault(sound ? "LockWait4GetSoundAddress" : "LockWait4GetImageAddress"))
    return *fault;
  uint32_t code;
  auto queues = Simulator::Instance().OpenEngine<&nuvixsim::BoardState::queues>(board, sound ? NUVIXI_OPEN_AUDIO : NUVIXI_OPEN_VIDEO, code);
  if (!queues) return code;
  nuvixsim::BufferQueue* queue = ChannelQueue(*queues, sound, channel);
  if (!queue || !address) return NUVIXI_ERR_INVALID_ARGUMENT;
  nuvixsim::ReachTheBoard();
  return queue->Wait(address, timeoutMs);
}

NUVIXI_RESULT CancelWait(const char* function, uint32_t board, uint32_t channel, bool sound) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall(function, {board, channel})) return *fault;
  uint32_t code;
  auto queues = sim.OpenEngine<&nuvixsim::BoardState::queues>(board, 0, code);
  if (!queues) return code;
  nuvixsim::BufferQueue* queue = ChannelQueue(*queues, sound, channel);
  if (!queue) return NUVIXI_ERR_INVALID_ARGUMENT;
  queue->Cancel();
  return NUVIXI_SUCCESS;
}

}  // namespace

extern "C" {

NUVIXI_RESULT NUVIXI_LockWait4GetImageAddress(uint32_t board, uint32_t channel, void** address, uint32_t timeoutMs) {
  return WaitBuffer(board, channel, address, timeoutMs, false);
}

NUVIXI_RESULT NUVIXI_LockWait4GetSoundAddress(uint32_t board, uint32_t channel, void** address, uint32_t timeoutMs) {
  return WaitBuffer(board, channel, address, timeoutMs, true);
}

NUVIXI_RESULT NUVIXI_CancelLockWait4GetImageAddress(uint32_t board, uint32_t channel) {
  return CancelWait("CancelLockWait4GetImageAddress", board, channel, false);
}

NUVIXI_RESULT NUVIXI_CancelLockWait4GetSoundAddress(uint32_t board, uint32_t channel) {
  return CancelWait("CancelLockWait4GetSoundAddress", board, channel, true);
}

uint32_t NUVIXI_RUART_QUERY_RXBUFSIZE(uint32_t board) {
  uint32_t code;
  auto queues = Simulator::Instance().OpenEngine<&nuvixsim::BoardState::queues>(board, NUVIXI_OPEN_SERIAL, code);
  return queues ? static_cast<uint32_t>(queues->serialRx.Size()) : 0;
}

NUVIXI_RESULT NUVIXI_RUART_READ(uint32_t board, void* buffer, uint32_t length, uint32_t timeoutMs) {
  if (auto fault = Simulator::Instance().TakeFault("RUART_READ")) return *fault;
  uint32_t code;
  auto queues = Simulator::Instance().OpenEngine<&nuvixsim::BoardState::queues>(board, NUVIXI_OPEN_SERIAL, code);
  if (!queues) return code;
  if (!buffer || length == 0 || length > kSerialReadMax) return NUVIXI_ERR_INVALID_ARGUMENT;
  nuvixsim::ReachTheBoard();
  return queues->serialRx.Read(static_cast<uint8_t*>(buffer), length, timeoutMs);
}

NUVIXI_RESULT NUVIXI_RUART_ESCAPE(uint32_t board) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall("RUART_ESCAPE", {board})) return *fault;
  uint32_t code;
  auto queues = sim.OpenEngine<&nuvixsim::BoardState::queues>(board, 0, code);
  if (!queues) return code;
  queues->serialRx.Cancel();
  return NUVIXI_SUCCESS;
}

}  // extern "C"
