#include "acapt_tab.h"

#include <QAbstractButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimerEvent>
#include <algorithm>
#include <cstring>

#include "acapt_channel.h"
#include "board_tables.h"
#include "fixg_ctrl.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"
#include "tick_count.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

constexpr int kRateFirstRow = 1, kRateLastRow = 5, kVolumeRow = 6, kGainRow = 7;
constexpr uint32_t kDefaultReference = 31;
constexpr uint32_t kDefaultRate = 1;
constexpr uint32_t kDefaultGain = 1;

// Four rows of four scope frames, the recording and reference controls, the
// grid, then the start buttons in one row.
constexpr auto kControls = [] {
  using T = CAcaptTab;
  std::array<ControlSpec, 16 + 5 + 16> specs{};
  size_t i = 0;
  for (int n = 0; n < 16; ++n)
    specs[i++] = {T::kIdFirstFrame + n, ControlKind::Frame, "", 2 + (n % 4) * 83, 2 + (n / 4) * 32, 82, 31};
  specs[i++] = {T::kIdFileSave, ControlKind::PushButton, "File Save : No", 2, 131, 70, 13};
  specs[i++] = {T::kIdReferenceLabel, ControlKind::PushButton, "", 76, 131, 70, 13};
  specs[i++] = {T::kIdReference, ControlKind::Trackbar, "Sl", 150, 131, 180, 13};
  specs[i++] = {T::kIdGridArea, ControlKind::Frame, "", 2, 147, 326, 84};
  specs[i++] = {T::kIdAllChannels, ControlKind::PushButton, "All Channel Action", 2, 233, 70, 11};
  for (int n = 0; n < 16; ++n)
    specs[i++] = {T::kIdFirstStart + n, ControlKind::PushButton, "St", 74 + n * 16, 233, 16, 11};
  return specs;
}();

}  // namespace

CAcaptTab::CAcaptTab() : CTabDialog(112) {
  for (auto& channel : channels_) channel = std::make_unique<Channel>();
}

CAcaptTab::~CAcaptTab() {
  for (uint32_t ch = 0; ch < channelCount_; ++ch) StopChannel(static_cast<int>(ch));
  grid_.Destroy();
}

void CAcaptTab::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra) {
  CTabDialog::Init(owner, boardIndex, caps, extra);
  board_ = static_cast<uint32_t>(boardIndex);
  model_ = caps.Model();
  channelCount_ = std::min<uint32_t>(caps.AudioChannels(), kChannels);
  volumeCeiling_ = VolumeCeilingOf(caps.Model());
}

uint32_t CAcaptTab::BlockUnitsOf(uint32_t rateIndex, uint32_t previous) {
  constexpr uint32_t kUnits[5] = {0, 64, 88, 128, 176};
  return rateIndex >= 1 && rateIndex <= 4 ? kUnits[rateIndex] : previous;
}

uint32_t CAcaptTab::BlockBytesOf(int32_t modelCode, uint32_t blockUnits) {
  return IsQlaModel(modelCode) ? 16384 : blockUnits * 128;
}

uint32_t CAcaptTab::VolumeCeilingOf(int32_t modelCode) { return IsQlaModel(modelCode) ? 15 : 31; }

uint32_t CAcaptTab::BlockUnits(int ch) const { return channels_[ch]->blockUnits; }
uint32_t CAcaptTab::BlockBytes(int ch) const { return channels_[ch]->blockBytes; }
bool CAcaptTab::IsRunning(int ch) const { return channels_[ch]->running; }
uint32_t CAcaptTab::BlocksWritten(int ch) const { return channels_[ch]->blocksWritten.load(); }
const nuvix::RecordedFile& CAcaptTab::File(int ch) const { return channels_[ch]->file; }
nuvix::ScopePane& CAcaptTab::Pane(int ch) { return channels_[ch]->pane; }

void CAcaptTab::OnInitDialog() {
  BuildTemplate(kControls);
  SetReference(kDefaultReference);
  for (int ch = 0; ch < kChannels; ++ch) {
    rate_[ch] = kDefaultRate;
    volume_[ch] = volumeCeiling_;
    gain_[ch] = kDefaultGain;
    channels_[ch]->blockUnits = BlockUnitsOf(kDefaultRate, channels_[ch]->blockUnits);
    nuvix::ScopePane& pane = channels_[ch]->pane;
    pane.props.title = QString::asprintf("%d AU DIO Capture", ch + 1);
    pane.Attach(this, Item(kIdFirstFrame + ch));
  }
  BuildGrid();
  for (int ch = 0; ch < kChannels; ++ch) {
    auto* button = ItemAs<QAbstractButton>(kIdFirstStart + ch);
    button->setCheckable(true);
    button->setEnabled(static_cast<uint32_t>(ch) < channelCount_);
  }
  auto* slider = ItemAs<QSlider>(kIdReference);
  slider->setRange(0, static_cast<int>(kMaxReference));
  ShowReference();
  ConnectControls();
}

void CAcaptTab::BuildGrid() {
  const uint32_t* values[nuvix::kAudioValueCount] = {};
  values[nuvix::kAudioRate] = rate_;
  values[nuvix::kAudioVolume] = volume_;
  values[nuvix::kAudioAmp] = gain_;
  grid_.Create(nuvix::GridKind::Audio, Item(kIdGridArea), static_cast<int>(channelCount_), values);
  if (nuvix::CFixGCtrl* ctrl = grid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, &CAcaptTab::OnGridNotify);
}

void CAcaptTab::ConnectControls() {
  connect(ItemAs<QAbstractButton>(kIdFileSave), &QAbstractButton::clicked, this, [this] { OnFileSave(); });
  connect(ItemAs<QAbstractButton>(kIdAllChannels), &QAbstractButton::clicked, this,
          [this] { OnStartButtons(0, channelCount_ - 1); });
  for (uint32_t ch = 0; ch < kChannels; ++ch)
    connect(ItemAs<QAbstractButton>(kIdFirstStart + static_cast<int>(ch)), &QAbstractButton::clicked, this,
            [this, ch] { OnStartButtons(ch, ch); });
  // Every scroll notification sets the level, the closing one of a drag included.
  auto* slider = ItemAs<QSlider>(kIdReference);
  connect(slider, &QSlider::actionTriggered, this,
          [this, slider] { SetReference(static_cast<uint32_t>(slider->sliderPosition())); });
  connect(slider, &QSlider::sliderReleased, this,
          [this, slider] { SetReference(static_cast<uint32_t>(slider->sliderPosition())); });
}

void CAcaptTab::timerEvent(QTimerEvent* event) {
  for (auto& channel : channels_) channel->pane.OnOwnerTimer(event->timerId());
  CTabDialog::timerEvent(event);
}

// ---- Reference level, start and stop ----

void CAcaptTab::SetReference(uint32_t level) {
  reference_ = level;
  const uint32_t result = NUVIXI_CaptureAudioReference(board_, level);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureAudioReference(%X,%X)", board_, level);
  ShowReference();
}

void CAcaptTab::ShowReference() {
  ItemAs<QAbstractButton>(kIdReferenceLabel)->setText(QString::asprintf("Reference : %2d", reference_));
  auto* slider = ItemAs<QSlider>(kIdReference);
  const QSignalBlocker quiet(slider);  // moving it is not a user's scroll
  slider->setValue(static_cast<int>(reference_));
}

void CAcaptTab::ApplyVolume(int ch) {
  const uint32_t result = NUVIXI_CaptureAudioVolume(board_, ch, volume_[ch]);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureAudioVolume(%X,%X,%X)", board_, ch, volume_[ch]);
}

void CAcaptTab::ApplyGain(int ch) {
  const uint32_t result = NUVIXI_CaptureAudioPreAMP(board_, ch, gain_[ch]);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureAudioPreAMP(%X,%X,%X)", board_, ch, gain_[ch]);
}

void CAcaptTab::StartChannel(int ch) {
  Channel& channel = *channels_[ch];
  if (channel.running) return;
  ApplyVolume(ch);
  ApplyGain(ch);
  channel.blockUnits = BlockUnitsOf(rate_[ch], channel.blockUnits);
  const uint32_t result = NUVIXI_CaptureAudioTransferON(board_, ch, rate_[ch], channel.blockUnits);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureAudioTransferON(%X,%X,%X,%X)", board_, ch, rate_[ch],
            channel.blockUnits);
  // A file that cannot be created leaves the channel capturing without recording.
  if (fileSave_ && channel.file.hasPath() && channel.file.Open(nuvix::RecordedFile::kWrite))
    channel.file.WriteHeader(false, rate_[ch]);
  channel.blocksWritten = 0;
  channel.blockBytes = BlockBytesOf(model_, channel.blockUnits);
  channel.pane.StartTimer();
  channel.worker.Setup({.kind = CCaptThread::SoundWait,
                        .userData = this,
                        .callback = &CAcaptTab::BlockCallback,
                        .board = static_cast<int32_t>(board_),
                        .channel = ch,
                        .log = Owner()});
  channel.worker.Start();
  channel.running = true;
}

void CAcaptTab::StopChannel(int ch) {
  Channel& channel = *channels_[ch];
  if (!channel.running) return;
  channel.pane.Stop(true);
  // The worker ends before the file closes, so no block lands in a closed file.
  channel.worker.Stop();
  const uint32_t result = NUVIXI_CaptureAudioTransferOFF(board_, ch);
  LogResult(Owner(), result, 0, "NUVIXI_CaptureAudioTransferOFF(%X,%X)", board_, ch);
  channel.file.Close();
  channel.running = false;
}

void CAcaptTab::CheckStartButton(int ch, bool checked) {
  if (auto* button = ItemAs<QAbstractButton>(kIdFirstStart + ch)) button->setChecked(checked);
}

void CAcaptTab::OnStartButtons(uint32_t first, uint32_t last) {
  if (first > last || last >= channelCount_) return;
  uint32_t running = 0;
  for (uint32_t ch = first; ch <= last; ++ch) running += channels_[ch]->running ? 1 : 0;
  for (uint32_t ch = first; ch <= last; ++ch) {
    const int c = static_cast<int>(ch);
    const bool stop = running > 0 || rate_[ch] == 0;
    if (stop) StopChannel(c);
    else StartChannel(c);
    CheckStartButton(c, !stop);
  }
}

// ---- Grid ----

void CAcaptTab::OnGridNotify(const nuvix::GridEvent& event) {
  const auto row = static_cast<uint32_t>(event.row);
  const auto [first, last] = ColumnRange(static_cast<uint32_t>(event.column), channelCount_);
  if (first > last || last >= channelCount_) return;
  // A held press steps like the press itself; a double click does not step.
  const int step = event.doubleClick ? 0 : event.Step();

  if (row >= kRateFirstRow && row <= kRateLastRow) {
    // A new rate takes effect at the channel's next start.
    const uint32_t index = row - kRateFirstRow;
    for (uint32_t ch = first; ch <= last; ++ch) {
      if (rate_[ch] == index) continue;
      rate_[ch] = index;
      channels_[ch]->blockUnits = BlockUnitsOf(index, channels_[ch]->blockUnits);
    }
    grid_.RefreshValue(nuvix::kAudioRate);
  } else if (row == kVolumeRow) {
    StepValues(first, last, step, volume_, volumeCeiling_, &CAcaptTab::ApplyVolume);
    grid_.RefreshValue(nuvix::kAudioVolume);
  } else if (row == kGainRow) {
    StepValues(first, last, step, gain_, kMaxGain, &CAcaptTab::ApplyGain);
    grid_.RefreshValue(nuvix::kAudioAmp);
  }
}

void CAcaptTab::StepValues(uint32_t first, uint32_t last, int step, uint32_t* values, uint32_t max,
                           void (CAcaptTab::*apply)(int ch)) {
  for (uint32_t ch = first; ch <= last; ++ch) {
    const int64_t wanted = static_cast<int64_t>(values[ch]) + step;
    const auto value = static_cast<uint32_t>(std::clamp<int64_t>(wanted, 0, max));
    if (value == values[ch]) continue;
    values[ch] = value;
    if (channels_[ch]->running) (this->*apply)(static_cast<int>(ch));
  }
}

// ---- Recording and the block handler ----

// Running channels keep writing their open files until they stop.
void CAcaptTab::OnFileSave() {
  fileSave_ = nuvix::ToggleFileSave(fileSave_, {"PCM", "PCM FILE|*.PCM;*.*||", "PCM"}, kChannels,
                                    [this](int c) -> nuvix::RecordedFile& { return channels_[c]->file; });
  ItemAs<QAbstractButton>(kIdFileSave)->setText(fileSave_ ? QStringLiteral("File Save : Yes")
                                                          : QStringLiteral("File Save : No"));
}

void CAcaptTab::BlockCallback(void* tab, int32_t ch, uintptr_t address) {
  static_cast<CAcaptTab*>(tab)->OnBlock(ch, reinterpret_cast<const void*>(address));
}

void CAcaptTab::OnBlock(int ch, const void* block) {
  if (ch < 0 || ch >= kChannels || !block) return;
  if (ch == 0) NuvixTraceF("TICK:%d \n", static_cast<int>(nuvix::GetTickCount()));
  Channel& channel = *channels_[ch];
  channel.pane.Feed(block, channel.blockBytes);
  if (!channel.file.isOpen()) return;
  // A full disk ends this channel's recording with one line; capture goes on.
  if (channel.file.AppendRecord(block, channel.blockBytes)) ++channel.blocksWritten;
  else LogRecordingStopped(Owner(), ch, channel.file.lastError());
}
