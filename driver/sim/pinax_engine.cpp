#include "pinax_engine.h"

#include <algorithm>
#include <cstring>

#include "nuvixi.h"

namespace nuvixsim {

PinaxEngine::PinaxEngine(const NUVIXI_SIM_BOARD& config)
    : cameras_(std::min<uint32_t>(config.maxCaptureChannels, 32)), muxes_(std::min<uint32_t>(config.tvOutChannels, kMuxes)) {
  std::copy_n(config.eepromKey, key_.size(), key_.begin());
  std::copy_n(config.eepromBlock, block_.size(), block_.begin());
  Open();
}

void PinaxEngine::Open() {
  std::lock_guard lock(mutex_);
  outputs_.fill(0);
  tvOut_.camera.fill(0);
  for (auto& line : tvOut_.osd) line.fill(kBlankCode);
}

uint32_t PinaxEngine::SetOutputs(const uint32_t* outputs) {
  if (!outputs) return NUVIXI_ERR_INVALID_ARGUMENT;
  // All or nothing: one bad value leaves every output as it was.
  if (!std::all_of(outputs, outputs + kSignals, [](uint32_t v) { return v <= 1; })) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  std::copy_n(outputs, kSignals, outputs_.begin());
  return NUVIXI_SUCCESS;
}

uint32_t PinaxEngine::ReadInputs(void* buffer) {
  if (!buffer) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::array<uint32_t, kSignals> inputs{};
  {
    std::lock_guard lock(mutex_);
    for (int k = 0; k < kSignals; ++k) inputs[k] = levels_[k] | (testPlug_ ? outputs_[k] : 0);
  }
  static_assert(sizeof inputs <= kInputBufferBytes);
  std::memcpy(buffer, inputs.data(), sizeof inputs);
  return NUVIXI_SUCCESS;
}

uint32_t PinaxEngine::SelectCamera(int mux, uint32_t camera) {
  if (static_cast<uint32_t>(mux) >= muxes_) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (camera >= cameras_) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  tvOut_.camera[mux] = camera;
  return NUVIXI_SUCCESS;
}

uint32_t PinaxEngine::WriteOsd(int line, uint32_t start, uint32_t count, const uint32_t* codes) {
  if (start > kOsdCells || count > kOsdCells - start || (count > 0 && !codes)) return NUVIXI_ERR_INVALID_ARGUMENT;
  if (count == 0) return NUVIXI_SUCCESS;
  if (!std::all_of(codes, codes + count, [](uint32_t c) { return c <= kBlankCode; }))
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  std::copy_n(codes, count, tvOut_.osd[line].begin() + start);
  return NUVIXI_SUCCESS;
}

uint32_t PinaxEngine::ReadEeprom(const uint8_t* key, uint8_t* block) {
  if (!key || !block) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!std::equal(key_.begin(), key_.end(), key)) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::copy(block_.begin(), block_.end(), block);
  return NUVIXI_SUCCESS;
}

std::array<uint32_t, PinaxEngine::kSignals> PinaxEngine::Outputs() {
  std::lock_guard lock(mutex_);
  return outputs_;
}

bool PinaxEngine::SetInputLevel(uint32_t input, bool high) {
  if (input >= kSignals) return false;
  std::lock_guard lock(mutex_);
  levels_[input] = high ? 1 : 0;
  return true;
}

void PinaxEngine::SetTestPlug(bool plugged) {
  std::lock_guard lock(mutex_);
  testPlug_ = plugged;
}

PinaxEngine::TvOut PinaxEngine::TvOutState() {
  std::lock_guard lock(mutex_);
  return tvOut_;
}

void PinaxEngine::SetEeprom(const uint8_t* key, const uint8_t* block) {
  std::lock_guard lock(mutex_);
  if (key) std::copy_n(key, key_.size(), key_.begin());
  if (block) std::copy_n(block, block_.size(), block_.begin());
}

}  // namespace nuvixsim
