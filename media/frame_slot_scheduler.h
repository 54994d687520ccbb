// Turns per-channel frame-rate requests into the board's per-second frame-slot list.
#pragma once

#include <cstdint>

namespace nuvix {

class FrameSlotScheduler {
 public:
  static constexpr uint32_t kMaxSlots = 30;
  static constexpr uint32_t kMaxCameras = 32;
  static constexpr uint32_t kDefaultRows = 20;
  static constexpr uint32_t kRowLength = 32;

  // Slots per second (reduced mod 31, 0 becomes 1), length of the request array
  // (reduced mod 33, 0 becomes 1) and the value of an unused slot. Traces the
  // two counts as passed.
  void SetupAttribute(uint32_t maxRate, uint32_t maxCameras, uint32_t emptyMarker);

  // Copies row `row` (0..19) of the 30-slot (ntsc non-zero) or 25-slot default
  // rate table into out[0..31]. An unknown row yields 32 zeros.
  static void DefaultRates(int ntsc, uint32_t row, int32_t out[kRowLength]);

  // requests[0..cameraCount-1]: rate per channel (0 = not scheduled).
  // slots[0..slotCount-1] receives a channel number or the empty marker per slot;
  // all 0 when any request exceeds slotCount.
  void ComputeSlots(const int32_t* requests, int32_t* slots) const;

  uint32_t slotCount() const { return slotCount_; }
  uint32_t cameraCount() const { return cameraCount_; }
  uint32_t emptyMarker() const { return emptyMarker_; }

 private:
  uint32_t slotCount_ = kMaxSlots;
  uint32_t cameraCount_ = kMaxCameras;
  uint32_t emptyMarker_ = 99;
};

}  // namespace nuvix
