// The board-model capability table and the capture image-size table.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

enum ModelCode : int32_t { QLA04 = 0, QLA08 = 1, QLA16 = 2, QCA02 = 3, QCA04 = 4, QCA08 = 5 };

constexpr int kModelCount = 6;
constexpr int kImageSizeCount = 13;
constexpr uint32_t kMaxChannels = 32;

// Button label of a model code; "UNKNOWN" for codes other than 0..5.
const char* ModelLabel(int32_t modelCode);
bool IsKnownModel(int32_t modelCode);
// QLA series: codes 0..2.
bool IsQlaModel(int32_t modelCode);

// The channels of one group in order: p, p + groups, p + 2·groups, ... for the
// group position p, the board's channels only (a small board's groups may be short).
struct GroupChannelList {
  uint32_t count = 0;
  uint32_t channels[kMaxChannels] = {};
  const uint32_t* begin() const { return channels; }
  const uint32_t* end() const { return channels + count; }
};

// What one board can do: its model's row of the capability table (live shape
// modes, live start channels, the live value, audio channels, capture
// channels, channel groups, channels per group), with the capture channels
// the board itself reports. A value: the main dialog makes one for the
// selected board and hands it to each tab; the self-test makes its own.
class BoardCaps {
 public:
  BoardCaps() = default;  // no model: every count 0
  // The model's own counts, the channels per group following its capture
  // channels as below.
  explicit BoardCaps(int32_t model);
  // With the capture channels a board reports (at most kMaxChannels); the
  // channels per group follow, rounded up.
  BoardCaps(int32_t model, uint32_t captureChannels);

  int32_t Model() const { return model_; }
  uint32_t LiveShapeModes() const { return row_[0]; }
  uint32_t LiveStartChannels() const { return row_[1]; }
  uint32_t LiveValue() const { return row_[2]; }
  uint32_t AudioChannels() const { return row_[3]; }
  uint32_t CaptureChannels() const { return row_[4]; }
  uint32_t ChannelGroups() const { return row_[5]; }
  uint32_t ChannelsPerGroup() const { return row_[6]; }
  uint32_t MultiplexerCount() const { return IsKnownModel(model_) ? 2 : 1; }

  // channel mod groups for a known model, else channel.
  uint32_t GroupPosition(uint32_t channel) const;
  GroupChannelList GroupChannels(uint32_t channel) const;
  // Sum of the values of the channels in the group of channel.
  uint32_t GroupSum(uint32_t channel, const uint32_t* values) const;
  // Number of non-zero values of the channels in the group of channel.
  uint32_t GroupNonZeroCount(uint32_t channel, const uint32_t* values) const;

 private:
  int32_t model_ = -1;
  std::array<uint32_t, 7> row_ = {};
};

// Grid column → first and last channel: column 0 is every channel, column k is channel k-1
// (first > last when there is none).
std::pair<uint32_t, uint32_t> ColumnRange(uint32_t column, uint32_t count);

uint32_t ImageWidth(uint32_t sizeIndex);
uint32_t ImageHeight(uint32_t sizeIndex, uint32_t standard);
