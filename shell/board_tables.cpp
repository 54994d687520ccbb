#include "board_tables.h"

#include <algorithm>
#include <array>

namespace {

using CapsRow = std::array<uint32_t, 7>;

constexpr std::array<CapsRow, kModelCount> kInitialCaps = {{
    {10, 16, 15, 16, 16, 4, 4},   // QLA04
    {10, 16, 15, 16, 16, 8, 2},   // QLA08
    {10, 16, 15, 16, 16, 16, 1},  // QLA16
    {0, 0, 0, 4, 32, 2, 8},       // QCA02
    {0, 0, 0, 8, 32, 4, 4},       // QCA04
    {0, 0, 0, 16, 32, 8, 2},      // QCA08
}};

constexpr uint32_t kWidths[kImageSizeCount] = {0, 720, 704, 640, 720, 704, 640, 360, 352, 320, 180, 176, 160};
constexpr uint32_t kHeightsPal[kImageSizeCount] = {0, 576, 576, 576, 288, 288, 288, 288, 288, 288, 144, 144, 144};
constexpr uint32_t kHeightsNtsc[kImageSizeCount] = {0, 480, 480, 480, 240, 240, 240, 240, 240, 240, 120, 120, 120};

}  // namespace

const char* ModelLabel(int32_t modelCode) {
  static const char* const kLabels[kModelCount] = {"QLA04", "QLA08", "QLA16", "QCA02", "QCA04", "QCA08"};
  return IsKnownModel(modelCode) ? kLabels[modelCode] : "UNKNOWN";
}

bool IsKnownModel(int32_t modelCode) { return modelCode >= 0 && modelCode < kModelCount; }
bool IsQlaModel(int32_t modelCode) { return modelCode >= QLA04 && modelCode <= QLA16; }

BoardCaps::BoardCaps(int32_t model) : BoardCaps(model, IsKnownModel(model) ? kInitialCaps[model][4] : 0) {}

BoardCaps::BoardCaps(int32_t model, uint32_t captureChannels) : model_(model) {
  if (!IsKnownModel(model)) return;
  row_ = kInitialCaps[model];
  // Every per-channel table of the program has 32 entries; a board that
  // reports more must not make group walks index past them.
  row_[4] = std::min<uint32_t>(captureChannels, kMaxChannels);
  // Rounded up: a board with fewer channels than groups still has one
  // channel in each of its first groups, not none anywhere.
  row_[6] = (row_[4] + row_[5] - 1) / row_[5];
}

uint32_t BoardCaps::GroupPosition(uint32_t channel) const {
  return IsKnownModel(model_) ? channel % ChannelGroups() : channel;
}

GroupChannelList BoardCaps::GroupChannels(uint32_t channel) const {
  GroupChannelList list;
  const uint32_t position = GroupPosition(channel);
  for (uint32_t i = 0; i < ChannelsPerGroup(); ++i) {
    const uint32_t ch = position + ChannelGroups() * i;
    if (ch < CaptureChannels()) list.channels[list.count++] = ch;
  }
  return list;
}

uint32_t BoardCaps::GroupSum(uint32_t channel, const uint32_t* values) const {
  uint32_t sum = 0;
  for (uint32_t ch : GroupChannels(channel)) sum += values[ch];
  return sum;
}

uint32_t BoardCaps::GroupNonZeroCount(uint32_t channel, const uint32_t* values) const {
  uint32_t count = 0;
  for (uint32_t ch : GroupChannels(channel)) count += values[ch] != 0;
  return count;
}

std::pair<uint32_t, uint32_t> ColumnRange(uint32_t column, uint32_t count) {
  if (column == 0) return count == 0 ? std::pair<uint32_t, uint32_t>{1, 0} : std::pair<uint32_t, uint32_t>{0, count - 1};
  return {column - 1, column - 1};
}

uint32_t ImageWidth(uint32_t sizeIndex) { return sizeIndex < kImageSizeCount ? kWidths[sizeIndex] : 0; }

uint32_t ImageHeight(uint32_t sizeIndex, uint32_t standard) {
  if (sizeIndex >= kImageSizeCount) return 0;
  return standard == 1 ? kHeightsNtsc[sizeIndex] : kHeightsPal[sizeIndex];
}
