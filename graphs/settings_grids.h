// The per-channel settings grids of the live, digital I/O, audio and video
// tabs: layouts, labels and colours, and rows that redraw only changed cells.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fixg_holder.h"

class QWidget;

namespace nuvix {

enum class GridKind { Live, DigitalFirst, DigitalSecond, Audio, Video };

// Indexes of the values a tab binds to its grid's rows.
enum LiveValue { kLiveShape, kLiveStartPage, kLiveColour, kLiveProgressive, kLiveValueCount };
enum DigitalValue { kDigitalIn, kDigitalOut, kDigitalMux1, kDigitalMux2, kDigitalValueCount };
enum AudioValue { kAudioRate, kAudioVolume, kAudioAmp, kAudioValueCount };
enum VideoValue {
  kVideoSignal,
  kVideoResolution,
  kVideoRequestedFps,
  kVideoRatio,
  kVideoFormat,
  kVideoCapturedFps,
  kVideoProcessedFps,
  kVideoSize,
  kVideoCapturing,
  kVideoValueCount
};

// The video grid's rows, as the video tab addresses them.
namespace video_rows {
constexpr int kSignal = 1, kFirstSize = 2, kLastSize = 14, kRequestedFps = 15, kRatio = 16, kFormat = 17,
              kCapturedFps = 18, kProcessedFps = 19, kSize = 20, kAction = 21;
}  // namespace video_rows

enum class RowKind {
  Mark,        // the image where the channel's value is non-zero
  SingleMark,  // the image in the one column the value names
  Choice,      // the image in row first + value
  Number,      // the value as a number (or the image), empty for 0
};

struct RowBinding {
  int row;
  RowKind kind;
  int value;  // index into the tab's values
  bool active;
  uint32_t flags;
  int image;  // -1: none
  bool tenths = false;
  bool decimal = false;
  int choiceRows = 1;  // Choice: rows from row; entries with flags 0x80 are listed apart
};

struct GridLayout {
  int columns;
  int rows;
  int labelWidth;
  int cellWidth;
  int headerHeight;
  int rowHeight;
  uint32_t notifyMessage;
  std::vector<const char*> labels;
  std::vector<uint32_t> labelColours;
  std::vector<int> activeLabels;
  std::vector<int> disabledRows;  // inactive in every column, label included
  std::vector<RowBinding> bindings;
};

const GridLayout& LayoutOf(GridKind kind);
// Colour of the channel-number cell of column c.
uint32_t HeaderColour(GridKind kind, int column);

class SettingsGrid {
 public:
  static constexpr int kMaxChannels = 32;

  // Builds the grid over placeholder for channelCount channels, bound to the
  // tab's value arrays (values[i] has 32 entries, or 1 for a SingleMark row).
  bool Create(GridKind kind, QWidget* placeholder, int channelCount, std::span<const uint32_t* const> values);
  void Destroy() { holder_.Destroy(); }

  // Redraws the changed cells of every row bound to value.
  void RefreshValue(int value);
  // Rows bound to value get columns 1..count active and the rest inactive
  // (rows of one grid may differ in count); their cells are drawn afresh.
  void SetValueCount(int value, int count);
  void RefreshAll();

  FixGHolder& Holder() { return holder_; }
  CFixGCtrl* Ctrl() const { return holder_.Ctrl(); }
  int ChannelCount() const { return channelCount_; }

 private:
  void WriteHeaders();
  void EnableRow(int row, bool active, uint32_t flags);
  void RefreshRow(const RowBinding& binding);
  void DrawValue(const RowBinding& binding, int column, uint32_t value, uint32_t previous);
  void Wipe(int column, int row);

  FixGHolder holder_;
  GridKind kind_ = GridKind::Video;
  const GridLayout* layout_ = nullptr;
  int channelCount_ = 0;
  std::vector<const uint32_t*> values_;
  // Last drawn value per row and channel; all ones until the first refresh.
  std::vector<std::array<uint32_t, kMaxChannels>> cache_;
  std::vector<int> rowCounts_;  // active columns per row; channelCount_ unless set
};

}  // namespace nuvix
