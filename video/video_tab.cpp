#include "video_tab.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimerEvent>
#include <algorithm>

#include "board_tables.h"
#include "video_ids.h"
#include "fixg_ctrl.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "recorded_file.h"
#include "video_channel.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

using namespace video_ids;

constexpr ControlSpec kControls[] = {
    {kStatistics, ControlKind::Static, "<<< Total Capture Frame  Information >>>", 4, 2, 327, 10},
    {kGridArea, ControlKind::Frame, "", 2, 13, 331, 212},
    {kFileSave, ControlKind::PushButton, "File Save : No", 4, 228, 64, 13},
    {kWindows, ControlKind::CheckBox, "Windows <DC-Slow>", 74, 229, 84, 11},
    {kBandwidthValue, ControlKind::Edit, "", 170, 228, 40, 13},
    {kBandwidthOn, ControlKind::PushButton, "BWC ON", 214, 228, 56, 13},
    {kBandwidthOff, ControlKind::PushButton, "BWC OFF", 274, 228, 56, 13},
};


uint32_t ClampAdd(uint32_t value, int step, uint32_t max) {
  const int64_t sum = static_cast<int64_t>(value) + step;
  return static_cast<uint32_t>(std::clamp<int64_t>(sum, 0, max));
}

}  // namespace

CVideoTab::CVideoTab() : CTabDialog(111) {
  for (auto& channel : channels_) channel = std::make_unique<Channel>();
}

CVideoTab::~CVideoTab() {
  refreshTimer_.stop();
  for (uint32_t ch = 0; ch < channelCount_; ++ch) {
    StopChannel(static_cast<int>(ch));
    channels_[ch]->mjpg.CloseCodec();
    channels_[ch]->h263.ReleaseCodec();
  }
  grid_.Destroy();
}

void CVideoTab::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int ntsc) {
  CTabDialog::Init(owner, boardIndex, caps, ntsc);
  board_ = static_cast<uint32_t>(boardIndex);
  boardModel_ = caps.Model();
  ntsc_ = ntsc ? 1 : 0;
  channelCount_ = std::min<uint32_t>(caps.CaptureChannels(), kChannels);
  groupCount_ = std::max<uint32_t>(caps.ChannelGroups(), 1);
  channelsPerGroup_ = caps.ChannelsPerGroup();
  maxFps_ = ntsc_ ? 30 : 25;
}

void CVideoTab::OnInitDialog() {
  BuildTemplate(kControls);
  std::fill(std::begin(resolution_), std::end(resolution_), 8u);
  InitialRates();
  for (uint32_t ch = 0; ch < channelCount_; ++ch) {
    channels_[ch]->mjpg.OpenCodec(static_cast<int>(ch));
    channels_[ch]->h263.CreateCodec(true);
  }
  BuildGrid();
  windowsWanted_ = false;
  ItemAs<QCheckBox>(kWindows)->setChecked(false);
  connect(ItemAs<QCheckBox>(kWindows), &QCheckBox::toggled, this, [this](bool on) { windowsWanted_ = on; });
  connect(ItemAs<QAbstractButton>(kFileSave), &QAbstractButton::clicked, this, [this] { OnFileSave(); });
  connect(ItemAs<QAbstractButton>(kBandwidthOn), &QAbstractButton::clicked, this, [this] { OnBandwidth(true); });
  connect(ItemAs<QAbstractButton>(kBandwidthOff), &QAbstractButton::clicked, this, [this] { OnBandwidth(false); });
  refreshTimer_.start(kRefreshMs, this);
}

void CVideoTab::InitialRates() {
  scheduler_.SetupAttribute(maxFps_, channelCount_, kEmptySlot);
  int32_t row[nuvix::FrameSlotScheduler::kRowLength];
  nuvix::FrameSlotScheduler::DefaultRates(ntsc_, channelsPerGroup_, row);
  for (uint32_t g = 0; g < groupCount_ && g < channelCount_; ++g) {
    uint32_t next = 0;
    for (uint32_t c : Caps().GroupChannels(g)) requestedFps_[c] = static_cast<uint32_t>(std::max(row[next++], 0));
    TrimGroupToBudget(g);
  }
}

// Some default rows (5 or 6 channels per group in NTSC, 16 in PAL) ask for more
// frames than a second has; the scheduler would then silently starve the last
// channels. Take the excess off one frame at a time, from the last channel
// backwards, keeping every channel at one frame per second or more, so each
// channel of the group still records when it is started.
void CVideoTab::TrimGroupToBudget(uint32_t g) {
  const uint32_t requested = Caps().GroupSum(g, requestedFps_);
  uint32_t excess = requested > maxFps_ ? requested - maxFps_ : 0;
  const GroupChannelList group = Caps().GroupChannels(g);
  for (bool cut = true; excess > 0 && cut;) {
    cut = false;
    for (uint32_t i = group.count; i-- > 0 && excess > 0;) {
      uint32_t& rate = requestedFps_[group.channels[i]];
      if (rate <= 1) continue;
      --rate;
      --excess;
      cut = true;
    }
  }
}

void CVideoTab::BuildGrid() {
  const uint32_t* values[nuvix::kVideoValueCount] = {};
  values[nuvix::kVideoSignal] = cameraSignal_;
  values[nuvix::kVideoResolution] = resolution_;
  values[nuvix::kVideoRequestedFps] = requestedFps_;
  values[nuvix::kVideoRatio] = compressRatio_;
  values[nuvix::kVideoFormat] = colourFormat_;
  values[nuvix::kVideoCapturedFps] = capturedFps_;
  values[nuvix::kVideoProcessedFps] = processedFps_;
  values[nuvix::kVideoSize] = compressedSize_;
  values[nuvix::kVideoCapturing] = capturing_;
  grid_.Create(nuvix::GridKind::Video, Item(kGridArea), static_cast<int>(channelCount_), values);
  if (nuvix::CFixGCtrl* ctrl = grid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, &CVideoTab::OnGridNotify);
}

const nuvix::RecordedFile& CVideoTab::File(int ch) const { return channels_[ch]->file; }
uint32_t CVideoTab::RecordsWritten(int ch) const { return channels_[ch]->recordsWritten.load(); }
nuvix::CDcWindowSlot& CVideoTab::Window(int ch) { return channels_[ch]->window; }

// ---- Grid notifications ----

void CVideoTab::OnGridNotify(const nuvix::GridEvent& event) {
  const auto row = static_cast<uint32_t>(event.row);
  const int step = event.Step();
  const auto [first, last] = ColumnRange(static_cast<uint32_t>(event.column), channelCount_);
  if (first > last || last >= channelCount_) return;
  namespace rows = nuvix::video_rows;
  if (row >= rows::kFirstSize && row <= rows::kLastSize) {
    if (!event.IsWheel()) OnResolutionRows(first, last, row);
  } else if (row == rows::kRequestedFps) {
    OnRateRow(first, last, step);
  } else if (row == rows::kFormat) {
    for (uint32_t ch = first; ch <= last; ++ch) colourFormat_[ch] = ClampAdd(colourFormat_[ch], step, 2);
    grid_.RefreshValue(nuvix::kVideoFormat);
  } else if (row == rows::kRatio) {
    for (uint32_t ch = first; ch <= last; ++ch) {
      compressRatio_[ch] = ClampAdd(compressRatio_[ch], step, 80);
      CreateRecordingFile(static_cast<int>(ch), compressRatio_[ch]);
      channels_[ch]->compressRatio = compressRatio_[ch];
    }
    grid_.RefreshValue(nuvix::kVideoRatio);
  } else if (row == rows::kAction) {
    if (!event.IsSinglePress()) return;
    if (!actionThrottle_.Elapsed(kActionThrottleMs)) return;
    OnActionRow(first, last);
  }
}

void CVideoTab::OnResolutionRows(uint32_t first, uint32_t last, uint32_t row) {
  if (row == 9 || row == 12) return;  // 360 x 288 and 180 x 144 cannot be chosen
  const uint32_t index = row - nuvix::video_rows::kFirstSize;
  bool wasCapturing[kChannels] = {};
  for (uint32_t ch = first; ch <= last; ++ch) {
    if (resolution_[ch] == index || !capturing_[ch]) continue;
    wasCapturing[ch] = true;
    StopChannel(static_cast<int>(ch));
    RepaintCapturing(static_cast<int>(ch));
  }
  Pause(kRefreshMs);
  for (uint32_t ch = first; ch <= last; ++ch) {
    if (resolution_[ch] == index) continue;
    resolution_[ch] = index;
    if (wasCapturing[ch] && index != 0) {
      StartChannel(static_cast<int>(ch));
      RepaintCapturing(static_cast<int>(ch));
    }
  }
  grid_.RefreshValue(nuvix::kVideoResolution);
}

void CVideoTab::OnRateRow(uint32_t first, uint32_t last, int step) {
  for (uint32_t ch = first; ch <= last; ++ch) {
    const int64_t groupAfter = static_cast<int64_t>(Caps().GroupSum(ch, requestedFps_)) + step;
    if (groupAfter > maxFps_ || groupAfter < 0) continue;
    const uint32_t value = ClampAdd(requestedFps_[ch], step, maxFps_);
    if (value == requestedFps_[ch]) continue;
    requestedFps_[ch] = value;
    if (capturing_[ch]) ApplySlices(static_cast<int>(ch));
  }
  grid_.RefreshValue(nuvix::kVideoRequestedFps);
}

void CVideoTab::OnActionRow(uint32_t first, uint32_t last) {
  uint32_t capturingCount = 0;
  for (uint32_t ch = first; ch <= last; ++ch) capturingCount += capturing_[ch] != 0;
  for (uint32_t ch = first; ch <= last; ++ch) {
    if (capturingCount != 0 || resolution_[ch] == 0) {
      StopChannel(static_cast<int>(ch));
      RepaintCapturing(static_cast<int>(ch));
    } else {
      StartChannel(static_cast<int>(ch));
      RepaintCapturing(static_cast<int>(ch));
      Pause(kRefreshMs);
    }
  }
}

void CVideoTab::RepaintCapturing(int) { grid_.RefreshValue(nuvix::kVideoCapturing); }

// ---- Timer, statistics line, buttons ----

void CVideoTab::timerEvent(QTimerEvent* event) {
  if (event->timerId() == refreshTimer_.timerId()) Refresh();
  else CTabDialog::timerEvent(event);
}

void CVideoTab::Refresh() {
  int32_t signal[kChannels] = {};
  if (const uint32_t result = NUVIXI_CAMERA_SIGNAL(board_, signal); signalPoll_.Starts(result))
    LogResult(Owner(), result, 0, "NUVIXI_CAMERA_SIGNAL(%X)", board_);
  for (int ch = 0; ch < kChannels; ++ch) cameraSignal_[ch] = static_cast<uint32_t>(signal[ch]);
  grid_.RefreshValue(nuvix::kVideoSignal);

  bool captured = false, processed = false, size = false;
  for (uint32_t ch = 0; ch < channelCount_; ++ch) {
    Channel& channel = *channels_[ch];
    if (channel.capturedChanged.exchange(false)) captured = true;
    if (channel.processedChanged.exchange(false)) processed = true;
    if (channel.sizeChanged.exchange(false)) size = true;
    capturedFps_[ch] = channel.capturedFps.load();
    processedFps_[ch] = channel.processedFps.load();
    compressedSize_[ch] = channel.compressedSize.load();
  }
  if (captured) grid_.RefreshValue(nuvix::kVideoCapturedFps);
  if (processed) grid_.RefreshValue(nuvix::kVideoProcessedFps);
  if (size) grid_.RefreshValue(nuvix::kVideoSize);

  const QString line = StatisticsLine();
  if (!line.isEmpty()) ItemAs<QLabel>(kStatistics)->setText(line);
}

QString CVideoTab::StatisticsLine() const {
  uint32_t n = 0, total = 0, processed = 0;
  for (uint32_t ch = 0; ch < channelCount_; ++ch) {
    if (!capturing_[ch]) continue;
    ++n;
    total += capturedFps_[ch];
    processed += processedFps_[ch];
  }
  if (n == 0) return {};
  const uint32_t average = total / n;
  return QString::asprintf("DMA-ON CH:%02d, Total Frame:%03d.%d, Total Process:%03d.%d, Average Frame:%02d.%d", n,
                           total / 10, total % 10, processed / 10, processed % 10, average / 10, average % 10);
}

void CVideoTab::OnFileSave() {
  fileSave_ = nuvix::ToggleFileSave(fileSave_, {"MJ", "MJ FILE|*.MJP;*.MJ*;*.*||", "MJP"}, kChannels,
                                    [this](int c) -> nuvix::RecordedFile& { return channels_[c]->file; });
  ItemAs<QAbstractButton>(kFileSave)->setText(fileSave_ ? QStringLiteral("File Save : Yes")
                                                        : QStringLiteral("File Save : No"));
}

void CVideoTab::OnBandwidth(bool on) {
  // Only a failure is logged.
  if (!on)
    return LogFailure(Owner(), NUVIXI_PCI_BAND_WIDTH_Control(board_, 0, 0), "NUVIXI_PCI_BAND_WIDTH_Control(%X,0,0)", board_);
  // The edit's leading decimal digits; 0 when there are none.
  const QString text = ItemAs<QLineEdit>(kBandwidthValue)->text().trimmed();
  uint32_t value = 0;
  for (QChar c : text) {
    if (!c.isDigit()) break;
    value = value * 10 + static_cast<uint32_t>(c.digitValue());
  }
  LogFailure(Owner(), NUVIXI_PCI_BAND_WIDTH_Control(board_, 1, value), "NUVIXI_PCI_BAND_WIDTH_Control(%X,1,%X)", board_,
             value);
}
