// The board-model capability table and the capture image-size table.
#pragma once

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

// Columns c0..c3; 0 for an unknown model.
uint32_t LiveShapeModes(int32_t model);
uint32_t LiveStartChannels(int32_t model);
uint32_t LiveValue(int32_t model);
uint32_t AudioChannels(int32_t model);
// Columns c4..c6; the model must be 0..5.
uint32_t CaptureChannels(int32_t model);
uint32_t ChannelGroups(int32_t model);
uint32_t ChannelsPerGroup(int32_t model);

// c4 = channels (at most kMaxChannels), c6 = channels / c5 rounded up.
void SetCaptureChannels(int32_t model, uint32_t channels);
// Back to the table's initial values.
void ResetModelCaps();

uint32_t MultiplexerCount(int32_t model);
// ch mod c5 for a known model, else ch.
uint32_t GroupPosition(int32_t model, uint32_t channel);
// The channels of one group in order: p, p + c5, p + 2·c5, ... for the group
// position p, the board's channels only (a small board's groups may be short).
struct GroupChannelList {
  uint32_t count = 0;
  uint32_t channels[kMaxChannels] = {};
  const uint32_t* begin() const { return channels; }
  const uint32_t* end() const { return channels + count; }
};
GroupChannelList GroupChannels(int32_t model, uint32_t channel);
// Sum of the values of the channels in the group of channel.
uint32_t GroupSum(int32_t model, uint32_t channel, const uint32_t* values);
// Number of non-zero values of the channels in the group of channel.
uint32_t GroupNonZeroCount(int32_t model, uint32_t channel, const uint32_t* values);
// Grid column → first and last channel: column 0 is every channel, column k is channel k-1
// (first > last when there is none).
std::pair<uint32_t, uint32_t> ColumnRange(uint32_t column, uint32_t count);

uint32_t ImageWidth(uint32_t sizeIndex);
uint32_t ImageHeight(uint32_t sizeIndex, uint32_t standard);
