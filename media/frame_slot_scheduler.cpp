#include "frame_slot_scheduler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "nuvix_trace.h"

namespace nuvix {
namespace {

using Row = std::array<int32_t, FrameSlotScheduler::kRowLength>;
using Table = std::array<Row, FrameSlotScheduler::kDefaultRows>;

// Rows 1, 2, 4 and 8 fill a group exactly; the others are kept as the board
// software has always shipped them (some overflow a group on purpose, so the
// rate editor has to trim them).
constexpr Table kRates30 = {{
    {30},
    {30},
    {15, 15},
    {10, 10, 10},
    {8, 7, 8, 7},
    {7, 7, 7, 7, 7},
    {6, 6, 6, 6, 6, 6},
    {4, 4, 5, 4, 4, 5, 4},
    {4, 4, 4, 3, 4, 4, 4, 3},
    {4, 3, 3, 4, 3, 3, 4, 3, 3},
    {3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {3, 3, 2, 3, 3, 3, 2, 3, 3, 2, 3},
    {3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2},
    {2, 2, 3, 2, 2, 2, 3, 2, 2, 3, 2, 2, 3},
    {2, 2, 2, 2, 2, 2, 3, 2, 2, 2, 2, 2, 2, 3},
    {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
    {2, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 2, 1},
    {8, 7, 8, 7, 8, 7, 8, 7, 8, 7, 8, 7, 8, 7, 8, 7},
    {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15},
    {30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
}};

constexpr Table kRates25 = {{
    {25},
    {25},
    {13, 12},
    {8, 8, 9},
    {6, 6, 7, 6},
    {5, 5, 5, 5, 5},
    {4, 4, 5, 4, 4, 4},
    {3, 4, 3, 4, 3, 4, 4},
    {3, 3, 3, 4, 3, 3, 3, 3},
    {3, 3, 3, 2, 3, 3, 3, 3, 2},
    {3, 2, 3, 2, 3, 2, 3, 2, 3, 2},
    {2, 2, 3, 2, 2, 2, 3, 2, 2, 2, 3},
    {2, 2, 2, 2, 2, 3, 2, 2, 2, 2, 2, 2},
    {2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2},
    {2, 2, 2, 2, 1, 2, 2, 2, 2, 1, 2, 2, 2, 1},
    {2, 2, 1, 2, 2, 1, 2, 2, 1, 2, 2, 1, 2, 2, 1},
    {2, 1, 2, 1, 2, 1, 2, 3, 2, 1, 2, 1, 2, 1, 2, 1},
    {},
    {},
    {},
}};

}  // namespace

void FrameSlotScheduler::SetupAttribute(uint32_t maxRate, uint32_t maxCameras, uint32_t emptyMarker) {
  NuvixTraceF("SetupAttribute::Max %dFPS, Max %dCAM \n", static_cast<int>(maxRate),
              static_cast<int>(maxCameras));
  slotCount_ = maxRate % (kMaxSlots + 1);
  if (slotCount_ == 0) slotCount_ = 1;
  cameraCount_ = maxCameras % (kMaxCameras + 1);
  if (cameraCount_ == 0) cameraCount_ = 1;
  emptyMarker_ = emptyMarker;
}

void FrameSlotScheduler::DefaultRates(int ntsc, uint32_t row, int32_t out[kRowLength]) {
  if (row >= kDefaultRows) {
    std::fill_n(out, kRowLength, 0);
    return;
  }
  const Row& source = ntsc ? kRates30[row] : kRates25[row];
  std::copy(source.begin(), source.end(), out);
}

void FrameSlotScheduler::ComputeSlots(const int32_t* requests, int32_t* slots) const {
  std::fill_n(slots, slotCount_, 0);

  // Rates are compared unsigned, so a negative request counts as too large.
  std::array<uint32_t, kMaxCameras> working{};
  for (uint32_t c = 0; c < cameraCount_; ++c) {
    working[c] = static_cast<uint32_t>(requests[c]);
    if (working[c] > slotCount_) return;
  }
  std::array<uint32_t, kMaxCameras> sorted = working;
  std::sort(sorted.begin(), sorted.begin() + cameraCount_, std::greater<>());
  const uint32_t scheduled =
      static_cast<uint32_t>(std::count_if(sorted.begin(), sorted.begin() + cameraCount_,
                                          [](uint32_t r) { return r != 0; }));

  std::array<uint32_t, kMaxSlots> assigned{};  // 0 = free, else channel + 1
  std::array<uint32_t, kMaxSlots> freeSlots{};
  for (uint32_t i = 0; i < scheduled; ++i) {
    uint32_t freeCount = 0;
    for (uint32_t s = 0; s < slotCount_; ++s) {
      if (assigned[s] == 0) freeSlots[freeCount++] = s;
    }

    const uint32_t rate = sorted[i];
    uint32_t channel = 0;
    while (working[channel] != rate) ++channel;
    working[channel] = 0;

    // The spacing is defined in double precision, rounding after every
    // operation (this file is built without floating-point contraction), so
    // the slot lists match the ones the board software has always produced.
    const double step = static_cast<double>(freeCount) / static_cast<double>(rate);
    for (uint32_t k = 0; k < rate; ++k) {
      const double scaled = static_cast<double>(k + 1) * step;
      const double shifted = scaled + 0.5;
      const double position = std::floor(shifted) - 1.0;
      // Only requests that overbook the second can land outside the free list.
      if (position < 0.0 || position >= static_cast<double>(freeCount)) continue;
      assigned[freeSlots[static_cast<uint32_t>(position)]] = channel + 1;
    }
  }

  for (uint32_t s = 0; s < slotCount_; ++s) {
    slots[s] = assigned[s] != 0 ? static_cast<int32_t>(assigned[s] - 1) : static_cast<int32_t>(emptyMarker_);
  }
}

}  // namespace nuvix
