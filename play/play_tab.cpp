#include "play_tab.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>

#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "play_ids.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

namespace ids = play_ids;


constexpr ControlSpec kControls[] = {
    {ids::kScopeArea, ControlKind::Frame, "", 4, 4, 327, 118},
    {ids::kInfo, ControlKind::Static, "FILE INFORMATION", 4, 126, 327, 10},
    {ids::kProgress, ControlKind::Progress, "", 4, 138, 327, 7},
    {ids::kPosition, ControlKind::Trackbar, "", 4, 147, 327, 14},
    {ids::kLoad, ControlKind::PushButton, "File Load", 4, 165, 52, 14},
    {ids::kClose, ControlKind::PushButton, "File Close", 60, 165, 52, 14},
    {ids::kPrevious, ControlKind::PushButton, "<_", 120, 165, 24, 14},
    {ids::kBackward, ControlKind::PushButton, "<", 146, 165, 24, 14},
    {ids::kStop, ControlKind::PushButton, "X", 172, 165, 24, 14},
    {ids::kForward, ControlKind::PushButton, ">", 198, 165, 24, 14},
    {ids::kNext, ControlKind::PushButton, "_>", 224, 165, 24, 14},
    {ids::kSave, ControlKind::PushButton, "File Save < BMP >", 256, 165, 75, 14},
    {0, ControlKind::GroupBox, "< Audio Monitoring >", 4, 184, 160, 44},
    {ids::kMonitorEnable, ControlKind::CheckBox, "Enable", 10, 196, 44, 10},
    {ids::kMonitorLabel, ControlKind::Static, "Select CH : 16", 60, 196, 98, 10},
    {ids::kMonitorChannel, ControlKind::Trackbar, "", 10, 208, 148, 14},
    {0, ControlKind::GroupBox, "< Volume Control >", 170, 184, 161, 44},
    {ids::kVolumeLabel, ControlKind::Static, "Volume", 176, 196, 149, 10},
    {ids::kVolume, ControlKind::Trackbar, "", 176, 208, 149, 14},
};

QString KbText(uint32_t bytes) {
  return QString::asprintf("%d.%1dKB", bytes / 1024, (bytes % 1024) / 103);
}

}  // namespace

CPlayTab::CPlayTab() : CTabDialog(114) {}

CPlayTab::~CPlayTab() {
  scope_.Stop(true);
  StopPlaying(false);
  playback_.reset();
  window_.Close();
}

nuvix::Playback::Sinks CPlayTab::Sinks() {
  return {
      .log = [this](uint32_t code, const std::string& text) { LogResult(Owner(), code, 0, "%s", text.c_str()); },
      .picture =
          [this](const nuvix::Playback::Picture& picture, uint32_t record, uint32_t bytes) {
            const BITMAPINFOHEADER& header = picture.header;
            if (nuvix::CRgbWnd* window = window_.Get())
              window->ShowPicture(header.biWidth, std::abs(header.biHeight), picture.rgb, header.biBitCount,
                                  picture.topRowFirst ? nuvix::CRgbWnd::kTopRowFirst
                                                      : nuvix::CRgbWnd::kBottomRowFirst);
            PublishInfo(QString::asprintf("Total:%d, Current:%d, %d*%d, ", playback_->count(), record,
                                          header.biWidth, header.biHeight) +
                            KbText(bytes),
                        record);
          },
      .audio =
          [this](const uint8_t* samples, uint32_t bytes, uint32_t record) {
            scope_.Feed(samples, bytes);
            PublishInfo(QString::asprintf("Total:%d, Current:%d, Block Size:", playback_->count(), record) +
                            KbText(bytes),
                        record);
          },
      .progress =
          [this](uint64_t reached, uint64_t size) {
            if (reached == 0) ShowRange(static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)), 0);
            else SetPositions(static_cast<uint32_t>(reached));
          },
  };
}

void CPlayTab::OnInitDialog() {
  board_ = static_cast<uint32_t>(BoardIndex());
  boardModel_ = Model();
  aplayOpen_ = Extra() != 0;
  BuildTemplate(kControls);

  volume_ = monitorEnable_ = monitorChannel_ = 0;
  if (boardModel_ >= NUVIXI_MODEL_QCA02) {
    ApplyMonitor();
    volume_ = kMaxVolume;
  } else {
    for (int id : {ids::kMonitorEnable, ids::kMonitorChannel, ids::kVolumeLabel, ids::kVolume}) Item(id)->setEnabled(false);
  }
  playback_ = std::make_unique<nuvix::Playback>(board_, aplayOpen_, Sinks());
  scope_.props.title = QStringLiteral("PCM Player Scope");
  scope_.Attach(this, Item(ids::kScopeArea));
  EnableButtons();

  auto* volume = ItemAs<QSlider>(ids::kVolume);
  volume->setRange(0, kMaxVolume);
  volume->setValue(static_cast<int>(volume_));
  ItemAs<QLabel>(ids::kVolumeLabel)->setText(QString::asprintf("Volume : %2d", volume_));
  auto* channel = ItemAs<QSlider>(ids::kMonitorChannel);
  channel->setRange(0, 15);
  ItemAs<QLabel>(ids::kMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));

  auto click = [this](int id, void (CPlayTab::*handler)()) {
    connect(ItemAs<QAbstractButton>(id), &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  click(ids::kLoad, &CPlayTab::OnLoad);
  click(ids::kClose, &CPlayTab::OnClose);
  click(ids::kPrevious, &CPlayTab::OnPrevious);
  click(ids::kNext, &CPlayTab::OnNext);
  click(ids::kForward, &CPlayTab::OnPlayForward);
  click(ids::kBackward, &CPlayTab::OnPlayBackward);
  click(ids::kStop, &CPlayTab::OnStop);
  click(ids::kSave, &CPlayTab::OnSaveBitmap);
  connect(ItemAs<QSlider>(ids::kPosition), &QSlider::valueChanged, this, [this](int v) { OnPositionSlider(v); });
  connect(volume, &QSlider::valueChanged, this, [this](int v) { OnVolume(v); });
  connect(channel, &QSlider::valueChanged, this, [this](int v) { OnMonitorChannel(v); });
  connect(ItemAs<QCheckBox>(ids::kMonitorEnable), &QCheckBox::toggled, this, [this](bool on) { OnMonitorEnable(on); });
}

void CPlayTab::timerEvent(QTimerEvent* event) { scope_.OnOwnerTimer(event->timerId()); }

void CPlayTab::EnableButtons() {
  const bool loaded = PlayState() != kNoFile;
  Item(ids::kLoad)->setEnabled(!loaded);
  Item(ids::kClose)->setEnabled(loaded);
  Item(ids::kSave)->setEnabled(loaded && IsVideo());
}

void CPlayTab::ShowRange(uint32_t n, uint32_t position) {
  if (n != 0) {
    ItemAs<QLabel>(ids::kInfo)->setText(QStringLiteral("FILE INFORMATION"));
    const int last = static_cast<int>(std::min<uint32_t>(n - 1, INT32_MAX));
    ItemAs<QProgressBar>(ids::kProgress)->setRange(0, last);
    settingPositions_ = true;
    ItemAs<QSlider>(ids::kPosition)->setRange(0, last);
    settingPositions_ = false;
  }
  SetPositions(position);
}

void CPlayTab::SetPositions(uint32_t position) {
  const int value = static_cast<int>(std::min<uint32_t>(position, INT32_MAX));
  ItemAs<QProgressBar>(ids::kProgress)->setValue(value);
  settingPositions_ = true;
  ItemAs<QSlider>(ids::kPosition)->setValue(value);
  settingPositions_ = false;
}

// ---- Load and close ----

void CPlayTab::OnLoad() {
  if (PlayState() != kNoFile) return;
  nuvix::RecordedFile chosen;
  if (!chosen.ChooseFile(true, "NUV", "NUV FILE|*.PCM;*.MJP;*.MJ*;*.XPG;*.*||")) return;
  pendingPicture_ = nuvix::Playback::kNoRecord;
  switch (playback_->Open(chosen.path())) {
    case nuvix::Playback::Load::kLoaded: break;
    case nuvix::Playback::Load::kFirstRecordUnreadable: ShowRange(10, 0); return;
    default: return;
  }
  ShowRange(playback_->count(), 0);
  if (IsVideo()) {
    window_.Open(playback_->width(), playback_->height(), "Search Window", 0);
    ShowRecord(0);
  } else {
    playback_->LoadAudio(0);
  }
  EnableButtons();
  update();
}

void CPlayTab::OnClose() {
  if (PlayState() == kNoFile) return;
  if (PlayState() != kStopped) StopPlaying(true);
  pendingPicture_ = nuvix::Playback::kNoRecord;
  playback_->Close();
  EnableButtons();
  ShowRange(10, 0);
  window_.Close();
  if (!IsVideo()) scope_.Stop(true);
}

// ---- Showing records ----

void CPlayTab::ShowRecord(uint32_t i) {
  if (!IsVideo()) {
    playback_->LoadAudio(i);
    return;
  }
  pendingPicture_ = i;
  if (!pictureQueued_) ContinuePicture();
}

// A picture far into a group takes many decodes: they run in stretches
// between window events, and a newer request takes over the pending one.
void CPlayTab::ContinuePicture() {
  pictureQueued_ = false;
  if (pendingPicture_ == nuvix::Playback::kNoRecord) return;
  if (playback_->ShowVideo(pendingPicture_, kDecodeStretch) == nuvix::Playback::Show::kMore) {
    pictureQueued_ = true;
    QTimer::singleShot(0, this, [this] { ContinuePicture(); });
    return;
  }
  pendingPicture_ = nuvix::Playback::kNoRecord;
}

void CPlayTab::Step(int direction) {
  if (PlayState() == kNoFile || Count() == 0) return;
  ShowRecord(playback_->MoveCursor(direction));
}

void CPlayTab::OnPrevious() { Step(-1); }
void CPlayTab::OnNext() { Step(1); }

void CPlayTab::OnPositionSlider(int position) {
  if (settingPositions_ || PlayState() == kNoFile || position < 0) return;
  const auto i = static_cast<uint32_t>(position);
  if (i >= Count() || i == Cursor()) return;
  playback_->SetCursor(i);
  ShowRecord(i);
}

void CPlayTab::PublishInfo(const QString& text, uint32_t position) {
  if (QThread::currentThread() == thread()) {
    ItemAs<QLabel>(ids::kInfo)->setText(text);
    SetPositions(position);
    return;
  }
  {
    std::lock_guard lock(infoLock_);
    infoText_ = text;
    infoPosition_ = position;
  }
  // One pending hand-over at a time: a fast worker cannot flood the queue.
  if (infoQueued_.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] { ApplyInfo(); }, Qt::QueuedConnection);
}

void CPlayTab::ApplyInfo() {
  infoQueued_ = false;
  if (PlayState() == kNoFile) return;  // a late hand-over from before the close
  QString text;
  uint32_t position;
  {
    std::lock_guard lock(infoLock_);
    text = infoText_;
    position = infoPosition_;
  }
  ItemAs<QLabel>(ids::kInfo)->setText(text);
  SetPositions(position);
}

// ---- Playing ----

void CPlayTab::OnPlayForward() {
  if (PlayState() != kStopped) return;
  if (IsVideo()) {
    StartPlayWorker(kPlayingForward);
    return;
  }
  if (!aplayOpen_) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "APLAY BOX CHECK WHEN BOARD OPEN()");
    return;
  }
  playback_->BeginAudioPlay();
  scope_.StartTimer();
  const uint32_t parameter = playback_->parameter(), rateFactor = playback_->rateFactor();
  audioWorker_.Setup({.kind = CCaptThread::AudioPlay,
                      .userData = this,
                      .callback = &CPlayTab::AudioRefillCallback,
                      .board = static_cast<int32_t>(board_),
                      .channel = kAudioChannel,
                      .playArg1 = static_cast<int32_t>(parameter),
                      .playArg2 = static_cast<int32_t>(rateFactor),
                      .log = Owner()});
  audioWorker_.Start();
  LogResult(Owner(), NUVIXI_SUCCESS, 0, "NUVIXI_APLAY_ON(%X,%X,%X) CALL : RESULT ->CHECK THREAD", board_, parameter,
            rateFactor);
}

void CPlayTab::OnPlayBackward() {
  if (PlayState() != kStopped || !IsVideo()) return;
  StartPlayWorker(kPlayingBackward);
}

void CPlayTab::StartPlayWorker(State state) {
  playback_->SetState(state);
  playWorker_.Setup({.kind = CCaptThread::TimedTick,
                     .userData = this,
                     .callback = &CPlayTab::PlayTickCallback,
                     .board = static_cast<int32_t>(board_),
                     .channel = kPlayChannel});
  playWorker_.Start();
}

void CPlayTab::PlayTickCallback(void* tab, int32_t, uintptr_t) {
  nuvix::Playback& playback = *static_cast<CPlayTab*>(tab)->playback_;
  const State state = playback.state();
  if (state != kPlayingForward && state != kPlayingBackward) return;
  const uint32_t i = playback.MoveCursor(state == kPlayingForward ? 1 : -1);
  playback.ShowVideoWhole(i, [&playback, state] { return playback.state() == state; });
}

void CPlayTab::AudioRefillCallback(void* tab, int32_t, uintptr_t) { static_cast<CPlayTab*>(tab)->playback_->Refill(); }

void CPlayTab::OnStop() {
  const uint32_t state = PlayState();
  if (state != kPlayingForward && state != kPlayingBackward) return;
  StopPlaying(true);
}

void CPlayTab::StopPlaying(bool settle) {
  if (!playback_) return;
  const uint32_t state = PlayState();
  if (state != kPlayingForward && state != kPlayingBackward) return;
  // Set first, so a tick or refill that comes in meanwhile does nothing.
  playback_->SetState(kStopped);
  if (settle) Pause(kStopSettleMs);
  if (IsVideo()) {
    playWorker_.Stop();
    return;
  }
  audioWorker_.Stop();
  scope_.Stop(false);
  const uint32_t result = NUVIXI_APLAY_OFF(board_);
  LogResult(Owner(), result, 0, "NUVIXI_APLAYOFF(%X) SUCCESS", board_);
}

// ---- Bitmap ----

void CPlayTab::OnSaveBitmap() {
  if (PlayState() == kNoFile || !IsVideo()) return;
  nuvix::RecordedFile out;
  if (!out.ChooseFile(false, "BMP", "BITMAP FILE|*.BMP;*.*||")) return;
  if (!out.Open(nuvix::RecordedFile::kWrite)) {
    LogResult(Owner(), 0, 0, "BMP WRITE FAIL");
    return;
  }
  const bool written = playback_->SaveBitmap(out);
  out.Close();
  if (!written) LogResult(Owner(), 0, 0, "BMP WRITE FAIL");
}

// ---- Volume and monitor ----

void CPlayTab::OnVolume(int value) {
  const auto v = static_cast<uint32_t>(value);
  if (v == volume_) return;
  volume_ = v;
  const uint32_t result = NUVIXI_APLAY_Volume(board_, volume_);
  LogResult(Owner(), result, 0, "NUVIXI_APLAY_Volume(%X,%X)", board_, volume_);
  ItemAs<QLabel>(ids::kVolumeLabel)->setText(QString::asprintf("Volume : %2d", volume_));
}

void CPlayTab::OnMonitorEnable(bool on) {
  monitorEnable_ = on ? 1 : 0;
  ApplyMonitor();
}

void CPlayTab::OnMonitorChannel(int channel) {
  monitorChannel_ = static_cast<uint32_t>(channel);
  ItemAs<QLabel>(ids::kMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));
  if (monitorEnable_) ApplyMonitor();
}

void CPlayTab::ApplyMonitor() {
  const uint32_t result = NUVIXI_APLAY_Monitor(board_, monitorEnable_, monitorChannel_, 1);
  LogResult(Owner(), result, 0, "NUVIXI_APLAY_Monitor(%X,%X,%X,%X)", board_, monitorEnable_, monitorChannel_, 1u);
  ItemAs<QLabel>(ids::kMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));
}
