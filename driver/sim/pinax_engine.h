// The digital I/O sub-board of one simulated board and the functions beside
// it: the two TV-out multiplexers with their OSD text lines, and the EEPROM
// main block that the board gives out against its access key.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "nuvixi_sim.h"

namespace nuvixsim {

class PinaxEngine {
 public:
  static constexpr int kSignals = 32;  // 16 master, then 16 slave
  static constexpr int kMuxes = 2;
  static constexpr uint32_t kOsdCells = 24;
  static constexpr uint32_t kBlankCode = 127;
  static constexpr uint32_t kInputBufferBytes = 168;

  struct TvOut {
    std::array<uint32_t, kMuxes> camera{};
    std::array<std::array<uint32_t, kOsdCells>, kMuxes> osd{};
  };

  explicit PinaxEngine(const NUVIXI_SIM_BOARD& config);

  // The board was opened: outputs low, camera 0 on both multiplexers, blank OSD lines.
  void Open();

  uint32_t SetOutputs(const uint32_t* outputs);
  uint32_t ReadInputs(void* buffer);
  uint32_t SelectCamera(int mux, uint32_t camera);
  uint32_t WriteOsd(int line, uint32_t start, uint32_t count, const uint32_t* codes);
  uint32_t ReadEeprom(const uint8_t* key, uint8_t* block);

  // Control surface.
  std::array<uint32_t, kSignals> Outputs();
  bool SetInputLevel(uint32_t input, bool high);
  void SetTestPlug(bool plugged);
  TvOut TvOutState();
  void SetEeprom(const uint8_t* key, const uint8_t* block);

 private:
  const uint32_t cameras_;
  const uint32_t muxes_;
  std::mutex mutex_;
  std::array<uint32_t, kSignals> outputs_{};
  std::array<uint32_t, kSignals> levels_{};  // inputs driven from outside the plug
  bool testPlug_ = true;                      // output k wired to input k
  TvOut tvOut_;
  std::array<uint8_t, 8> key_{};
  std::array<uint8_t, 16> block_{};
};

}  // namespace nuvixsim
