#include "board_tables.h"

#include <array>
#include <algorithm>
#include <atomic>

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

// Process-wide like the original table; c4 and c6 change when a board is
// selected, from the GUI thread, while workers may read them.
std::array<std::array<std::atomic<uint32_t>, 7>, kModelCount> g_caps;
[[maybe_unused]] const bool g_capsReady = (ResetModelCaps(), true);

constexpr uint32_t kWidths[kImageSizeCount] = {0, 720, 704, 640, 720, 704, 640, 360, 352, 320, 180, 176, 160};
constexpr uint32_t kHeightsPal[kImageSizeCount] = {0, 576, 576, 576, 288, 288, 288, 288, 288, 288, 144, 144, 144};
constexpr uint32_t kHeightsNtsc[kImageSizeCount] = {0, 480, 480, 480, 240, 240, 240, 240, 240, 240, 120, 120, 120};

uint32_t Column(int32_t model, int column) { return IsKnownModel(model) ? g_caps[model][column].load() : 0; }

}  // namespace

const char* ModelLabel(int32_t modelCode) {
  static const char* const kLabels[kModelCount] = {"QLA04", "QLA08", "QLA16", "QCA02", "QCA04", "QCA08"};
  return IsKnownModel(modelCode) ? kLabels[modelCode] : "UNKNOWN";
}

bool IsKnownModel(int32_t modelCode) { return modelCode >= 0 && modelCode < kModelCount; }
bool IsQlaModel(int32_t modelCode) { return modelCode >= QLA04 && modelCode <= QLA16; }

uint32_t LiveShapeModes(int32_t model) { return Column(model, 0); }
uint32_t LiveStartChannels(int32_t model) { return Column(model, 1); }
uint32_t LiveValue(int32_t model) { return Column(model, 2); }
uint32_t AudioChannels(int32_t model) { return Column(model, 3); }
uint32_t CaptureChannels(int32_t model) { return Column(model, 4); }
uint32_t ChannelGroups(int32_t model) { return Column(model, 5); }
uint32_t ChannelsPerGroup(int32_t model) { return Column(model, 6); }

void SetCaptureChannels(int32_t model, uint32_t channels) {
  if (!IsKnownModel(model)) return;
  // Every per-channel table of the program has 32 entries; a board that
  // reports more must not make group walks index past them.
  channels = std::min<uint32_t>(channels, kMaxChannels);
  g_caps[model][4] = channels;
  // Rounded up: a board with fewer channels than groups still has one
  // channel in each of its first groups, not none anywhere.
  const uint32_t groups = g_caps[model][5];
  g_caps[model][6] = (channels + groups - 1) / groups;
}

void ResetModelCaps() {
  for (int m = 0; m < kModelCount; ++m)
    for (int c = 0; c < 7; ++c) g_caps[m][c] = kInitialCaps[m][c];
}

uint32_t MultiplexerCount(int32_t model) { return IsKnownModel(model) ? 2 : 1; }

uint32_t GroupPosition(int32_t model, uint32_t channel) {
  return IsKnownModel(model) ? channel % ChannelGroups(model) : channel;
}

GroupChannelList GroupChannels(int32_t model, uint32_t channel) {
  GroupChannelList list;
  const uint32_t groups = ChannelGroups(model);
  const uint32_t channels = CaptureChannels(model);
  const uint32_t position = GroupPosition(model, channel);
  for (uint32_t i = 0; i < ChannelsPerGroup(model); ++i) {
    const uint32_t ch = position + groups * i;
    if (ch < channels) list.channels[list.count++] = ch;
  }
  return list;
}

uint32_t GroupSum(int32_t model, uint32_t channel, const uint32_t* values) {
  uint32_t sum = 0;
  for (uint32_t ch : GroupChannels(model, channel)) sum += values[ch];
  return sum;
}

uint32_t GroupNonZeroCount(int32_t model, uint32_t channel, const uint32_t* values) {
  uint32_t count = 0;
  for (uint32_t ch : GroupChannels(model, channel)) count += values[ch] != 0;
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
