#include "settings_grids.h"

#include <QWidget>
#include <algorithm>

namespace nuvix {
namespace {

constexpr uint32_t kUser = 0x0400;  // WM_USER
constexpr uint32_t kNotDrawn = 0xFFFFFFFFu;
constexpr int32_t kBold = 700;  // every settings grid writes its labels and values in bold

constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16);
}

std::vector<uint32_t> VideoLabelColours() {
  std::vector<uint32_t> colours(22);
  colours[0] = colours[1] = 0x0A0A0A;
  for (int r = 2; r <= 14; ++r) colours[r] = Rgb(100 - 5 * r, 200 - 13 * r, 50 - 2 * r);
  for (int r : {15, 16, 17, 21}) colours[r] = 0x1414DC;
  for (int r : {18, 19, 20}) colours[r] = 0xC82828;
  return colours;
}

GridLayout MakeLive() {
  return {33, 5, 150, 32, 24, 24, kUser + 11,
          {"Channel Number", "Shape        Mode", "Start Page  Channel", "Color       Channel", "Progressive Channel"},
          {0x000000, 0x104010, 0x306030, 0x50A050, 0x50A050},
          {},
          {},
          {{1, RowKind::SingleMark, kLiveShape, true, 4, 9},
           {2, RowKind::SingleMark, kLiveStartPage, true, 4, 9},
           {3, RowKind::SingleMark, kLiveColour, true, 4, 9},
           {4, RowKind::Number, kLiveProgressive, true, 4, 9}}};
}

GridLayout MakeDigital(bool second) {
  GridLayout layout{second ? 33 : 17, second ? 5 : 3, 154, 32, 24, 24, kUser + (second ? 13u : 12u),
                    {"Channel Number", "Digital          IN", "Digital      OUT"},
                    {0x000000, 0x401010, 0x603030},
                    {},
                    {},
                    {{1, RowKind::Number, kDigitalIn, true, 4, 9}, {2, RowKind::Number, kDigitalOut, true, 4, 9}}};
  if (second) {
    layout.labels.insert(layout.labels.end(), {"TV  Out   Mux1", "TV  Out   Mux2"});
    layout.labelColours.insert(layout.labelColours.end(), {0xA05050, 0xC85A5A});
    layout.bindings.push_back({3, RowKind::SingleMark, kDigitalMux1, true, 4, 10});
    layout.bindings.push_back({4, RowKind::SingleMark, kDigitalMux2, true, 4, 10});
  }
  return layout;
}

GridLayout MakeAudio() {
  // The label column is wider than the other grids': "AMP    Set < 0 - 07          >"
  // is 153 pixels in the grid's bold font.
  return {17, 8, 156, 32, 21, 21, kUser + 14,
          {"Channel Number", "Capture  Disable", "PCM            8Khz", "PCM  11.025Khz", "PCM          16Khz",
           "PCM    22.05Khz", "Volume Set < 0 - 31(15) >", "AMP    Set < 0 - 07          >"},
          {0x000000, 0x102010, 0x204020, 0x306030, 0x408040, 0x50A050, 0xF02020, 0xF02020},
          {1, 2, 3, 4, 5, 6, 7},
          {},
          {{1, RowKind::Choice, kAudioRate, true, 4, 13, false, false, 5},
           {6, RowKind::Number, kAudioVolume, true, 2, -1},
           {7, RowKind::Number, kAudioAmp, true, 2, -1}}};
}

GridLayout MakeVideo() {
  // The label column is five pixels wider than the live grid's: "Captured
  // Speed    <FPS>" is 153 pixels in the grid's bold font.
  return {33, 22, 155, 32, 20, 19, kUser + 15,
          {"Channel Number", "Camera Signal", "Capture Disable", "720  x  576  <480>", "704  x  576  <480>",
           "640  x  576  <480>", "720  x  288  <240>", "704  x  288  <240>", "640  x  288  <240>",
           "360  x  288  <240>", "352  x  288  <240>", "320  x  288  <240>", "180  x  144  <120>",
           "176  x  144  <120>", "160  x  144  <120>", "Capture Speed <FPS>", "Compress Ratio",
           "UYVY:0  Y41P:1  YUY2:2", "Captured Speed    <FPS>", "Processed Speed <FPS>", "Compressed Size <K  B>",
           "All Channel Action"},
          VideoLabelColours(),
          {2, 3, 4, 5, 6, 7, 8, 10, 11, 13, 14, 15, 16, 17, 21},
          {9, 12},
          {{1, RowKind::Number, kVideoSignal, false, 4, 12},
           {2, RowKind::Choice, kVideoResolution, true, 4, 11, false, false, 13},
           {15, RowKind::Number, kVideoRequestedFps, true, 2, -1},
           {16, RowKind::Number, kVideoRatio, true, 2, -1},
           {17, RowKind::Number, kVideoFormat, true, 2, -1},
           {18, RowKind::Number, kVideoCapturedFps, true, 2, -1, true, true},
           {19, RowKind::Number, kVideoProcessedFps, true, 2, -1, true, true},
           {20, RowKind::Number, kVideoSize, true, 2, -1, true, true},
           {21, RowKind::Number, kVideoCapturing, true, 4, 14}}};
}

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

const GridLayout& LayoutOf(GridKind kind) {
  static const GridLayout live = MakeLive(), first = MakeDigital(false), second = MakeDigital(true),
                          audio = MakeAudio(), video = MakeVideo();
  switch (kind) {
    case GridKind::Live: return live;
    case GridKind::DigitalFirst: return first;
    case GridKind::DigitalSecond: return second;
    case GridKind::Audio: return audio;
    case GridKind::Video: break;
  }
  return video;
}

uint32_t HeaderColour(GridKind kind, int c) {
  switch (kind) {
    case GridKind::Audio: return Rgb(10 * c + 60, 2 * c + 20, 3 * c + 20);
    case GridKind::DigitalFirst: return Rgb(7 * c + 60, 4 * c + 40, 4 * c + 40);
    case GridKind::DigitalSecond: return Rgb(3 * c + 20, 5 * c + 20, 3 * c + 20);
    case GridKind::Live:
    case GridKind::Video: break;
  }
  return Rgb(5 * c + 60, 2 * c + 20, 3 * c + 20);
}

bool SettingsGrid::Create(GridKind kind, QWidget* placeholder, int channelCount,
                          std::span<const uint32_t* const> values) {
  kind_ = kind;
  layout_ = &LayoutOf(kind);
  channelCount_ = std::clamp(channelCount, 0, std::min(kMaxChannels, layout_->columns - 1));
  values_.assign(values.begin(), values.end());
  cache_.assign(layout_->rows, {});
  for (auto& row : cache_) row.fill(kNotDrawn);
  rowCounts_.assign(layout_->rows, channelCount_);

  FixGProps& props = holder_.props;
  props.cols = layout_->columns;
  props.rows = layout_->rows;
  props.cellCount = props.cols * props.rows;
  props.imageStrip = 195;
  props.notifyMessage = layout_->notifyMessage;
  props.fontWeight = kBold;
  if (!holder_.CreateOver(placeholder)) return false;
  holder_.Apply();
  holder_.SetColumnWidth(0, layout_->labelWidth);
  for (int c = 1; c < layout_->columns; ++c) holder_.SetColumnWidth(c, layout_->cellWidth);
  holder_.SetRowHeight(0, layout_->headerHeight);
  for (int r = 1; r < layout_->rows; ++r) holder_.SetRowHeight(r, layout_->rowHeight);
  holder_.Layout();
  WriteHeaders();
  for (const RowBinding& binding : layout_->bindings) {
    for (int r = binding.row; r < binding.row + binding.choiceRows; ++r) {
      const bool disabled = Contains(layout_->disabledRows, r);
      EnableRow(r, binding.active && !disabled, disabled ? kCellInactive : binding.flags);
    }
    RefreshRow(binding);
  }
  holder_.Redraw();
  return true;
}

void SettingsGrid::WriteHeaders() {
  for (int c = 1; c < layout_->columns; ++c) {
    const bool withImage = kind_ == GridKind::Live && c <= 9;
    holder_.SetCellStyle(c, 0, 0, withImage ? kCellText | kCellImage : kCellText);
    holder_.SetCellText(c, 0, QString::asprintf("%2d", c), nullptr, HeaderColour(kind_, c));
    if (withImage) holder_.SetCellImage(c, 0, c - 1);
  }
  for (int r = 0; r < layout_->rows; ++r) {
    holder_.SetCellStyle(0, r, Contains(layout_->activeLabels, r) ? 1 : 0, kCellText);
    holder_.SetCellText(0, r, QString::fromLatin1(layout_->labels[r]), nullptr, layout_->labelColours[r]);
  }
}

void SettingsGrid::EnableRow(int row, bool active, uint32_t flags) {
  for (int c = 1; c < layout_->columns; ++c) {
    if (c <= rowCounts_[row]) holder_.SetCellStyle(c, row, active ? 1 : 0, flags);
    else holder_.SetCellStyle(c, row, 0, kCellInactive);
  }
}

void SettingsGrid::RefreshValue(int value) {
  for (const RowBinding& binding : layout_->bindings)
    if (binding.value == value) RefreshRow(binding);
}

void SettingsGrid::SetValueCount(int value, int count) {
  if (!layout_) return;
  for (const RowBinding& binding : layout_->bindings) {
    if (binding.value != value) continue;
    rowCounts_[binding.row] = std::clamp(count, 0, channelCount_);
    EnableRow(binding.row, binding.active, binding.flags);
    cache_[binding.row].fill(kNotDrawn);
    RefreshRow(binding);
  }
  holder_.Redraw();
}

void SettingsGrid::RefreshAll() {
  for (const RowBinding& binding : layout_->bindings) RefreshRow(binding);
}

void SettingsGrid::Wipe(int column, int row) {
  holder_.DrawCellFace(column, row);
  holder_.RedrawCell(column, row);
}

void SettingsGrid::RefreshRow(const RowBinding& binding) {
  if (!layout_ || binding.value >= static_cast<int>(values_.size()) || !values_[binding.value]) return;
  const uint32_t* values = values_[binding.value];
  auto& cache = cache_[binding.row];
  for (int ch = 0; ch < rowCounts_[binding.row]; ++ch) {
    const uint32_t value = binding.kind == RowKind::SingleMark ? (values[0] == static_cast<uint32_t>(ch)) : values[ch];
    if (value == cache[ch]) continue;
    const int column = ch + 1;
    if (binding.kind != RowKind::Choice) Wipe(column, binding.row);
    const uint32_t previous = cache[ch];
    cache[ch] = value;
    DrawValue(binding, column, value, previous);
  }
}

void SettingsGrid::DrawValue(const RowBinding& binding, int column, uint32_t value, uint32_t previous) {
  switch (binding.kind) {
    case RowKind::Mark:
    case RowKind::SingleMark:
      if (value != 0) holder_.SetCellImage(column, binding.row, binding.image);
      break;
    case RowKind::Choice:
      if (previous < static_cast<uint32_t>(binding.choiceRows)) Wipe(column, binding.row + previous);
      if (value < static_cast<uint32_t>(binding.choiceRows)) {
        Wipe(column, binding.row + value);
        holder_.SetCellImage(column, binding.row + value, binding.image);
        holder_.RedrawCell(column, binding.row + value);
      }
      return;
    case RowKind::Number:
      if (value == 0) break;
      if (binding.image >= 0) holder_.SetCellImage(column, binding.row, binding.image);
      else if (binding.tenths)
        holder_.SetCellNumberFixed(column, binding.row, value / 10.0, binding.decimal, nullptr, 0);
      else holder_.SetCellNumber(column, binding.row, value, nullptr, 0);
      break;
  }
  holder_.RedrawCell(column, binding.row);
}

}  // namespace nuvix
