#include "play_tab.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QSlider>
#include <QThread>
#include <QTimerEvent>
#include <cstring>

#include "bitmap_export.h"
#include "chromix.h"
#include "h263_decoder.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

constexpr int kIdScopeArea = 1701, kIdInfo = 1702, kIdProgress = 1703, kIdLoad = 1704, kIdClose = 1705;
constexpr int kIdPosition = 1706, kIdSave = 1707, kIdPrevious = 1708, kIdBackward = 1709, kIdForward = 1710;
constexpr int kIdNext = 1711, kIdVolume = 1712, kIdStop = 1713, kIdMonitorChannel = 1714;
constexpr int kIdVolumeLabel = 1808, kIdMonitorEnable = 1825, kIdMonitorLabel = 1827;

constexpr ControlSpec kControls[] = {
    {kIdScopeArea, ControlKind::Frame, "", 4, 4, 327, 118},
    {kIdInfo, ControlKind::Static, "FILE INFORMATION", 4, 126, 327, 10},
    {kIdProgress, ControlKind::Progress, "", 4, 138, 327, 7},
    {kIdPosition, ControlKind::Trackbar, "", 4, 147, 327, 14},
    {kIdLoad, ControlKind::PushButton, "File Load", 4, 165, 52, 14},
    {kIdClose, ControlKind::PushButton, "File Close", 60, 165, 52, 14},
    {kIdPrevious, ControlKind::PushButton, "<_", 120, 165, 24, 14},
    {kIdBackward, ControlKind::PushButton, "<", 146, 165, 24, 14},
    {kIdStop, ControlKind::PushButton, "X", 172, 165, 24, 14},
    {kIdForward, ControlKind::PushButton, ">", 198, 165, 24, 14},
    {kIdNext, ControlKind::PushButton, "_>", 224, 165, 24, 14},
    {kIdSave, ControlKind::PushButton, "File Save < BMP >", 256, 165, 75, 14},
    {0, ControlKind::GroupBox, "< Audio Monitoring >", 4, 184, 160, 44},
    {kIdMonitorEnable, ControlKind::CheckBox, "Enable", 10, 196, 44, 10},
    {kIdMonitorLabel, ControlKind::Static, "Select CH : 16", 60, 196, 98, 10},
    {kIdMonitorChannel, ControlKind::Trackbar, "", 10, 208, 148, 14},
    {0, ControlKind::GroupBox, "< Volume Control >", 170, 184, 161, 44},
    {kIdVolumeLabel, ControlKind::Static, "Volume", 176, 196, 149, 10},
    {kIdVolume, ControlKind::Trackbar, "", 176, 208, 149, 14},
};

// The picture coding type of one of our H.263 pictures: after the start code
// (17 bits), group number (5), temporal reference (8), PTYPE 1 0 (2), three
// flags (3) and the 5-bit format comes the bit that is 0 for an intra picture.
bool IsIntraPicture(const uint8_t* payload, uint32_t size) { return size > 5 && (payload[5] & 0x80) == 0; }

QString KbText(uint32_t bytes) {
  return QString::asprintf("%d.%1dKB", bytes / 1024, (bytes % 1024) / 103);
}

}  // namespace

CPlayTab::CPlayTab()
    : CTabDialog(114),
      data_(new uint8_t[kDataBytes]),
      yuv_(new uint8_t[kH263MaxPictureBytes]),
      rgb_(new uint8_t[kRgbBytes]) {}

CPlayTab::~CPlayTab() {
  scope_.Stop(true);
  StopPlaying(false);
  file_.Close();
  mjpg_.CloseCodec();
  h263_.ReleaseCodec();
  window_.Close();
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
    for (int id : {kIdMonitorEnable, kIdMonitorChannel, kIdVolumeLabel, kIdVolume}) Item(id)->setEnabled(false);
  }
  mjpg_.OpenCodec(nuvix::MjpgContext::kPlayChannel);
  h263_.CreateCodec(false);
  state_ = kNoFile;
  isVideo_ = false;
  scope_.props.title = QStringLiteral("PCM Player Scope");
  scope_.Attach(this, Item(kIdScopeArea));
  EnableButtons();

  auto* volume = ItemAs<QSlider>(kIdVolume);
  volume->setRange(0, kMaxVolume);
  volume->setValue(static_cast<int>(volume_));
  ItemAs<QLabel>(kIdVolumeLabel)->setText(QString::asprintf("Volume : %2d", volume_));
  auto* channel = ItemAs<QSlider>(kIdMonitorChannel);
  channel->setRange(0, 15);
  ItemAs<QLabel>(kIdMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));

  auto click = [this](int id, void (CPlayTab::*handler)()) {
    connect(ItemAs<QAbstractButton>(id), &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  click(kIdLoad, &CPlayTab::OnLoad);
  click(kIdClose, &CPlayTab::OnClose);
  click(kIdPrevious, &CPlayTab::OnPrevious);
  click(kIdNext, &CPlayTab::OnNext);
  click(kIdForward, &CPlayTab::OnPlayForward);
  click(kIdBackward, &CPlayTab::OnPlayBackward);
  click(kIdStop, &CPlayTab::OnStop);
  click(kIdSave, &CPlayTab::OnSaveBitmap);
  connect(ItemAs<QSlider>(kIdPosition), &QSlider::valueChanged, this, [this](int v) { OnPositionSlider(v); });
  connect(volume, &QSlider::valueChanged, this, [this](int v) { OnVolume(v); });
  connect(channel, &QSlider::valueChanged, this, [this](int v) { OnMonitorChannel(v); });
  connect(ItemAs<QCheckBox>(kIdMonitorEnable), &QCheckBox::toggled, this, [this](bool on) { OnMonitorEnable(on); });
}

void CPlayTab::timerEvent(QTimerEvent* event) { scope_.OnOwnerTimer(event->timerId()); }

void CPlayTab::EnableButtons() {
  const bool loaded = state_.load() != kNoFile;
  Item(kIdLoad)->setEnabled(!loaded);
  Item(kIdClose)->setEnabled(loaded);
  Item(kIdSave)->setEnabled(loaded && isVideo_);
}

void CPlayTab::ShowRange(uint32_t n, uint32_t position) {
  if (n != 0) {
    ItemAs<QLabel>(kIdInfo)->setText(QStringLiteral("FILE INFORMATION"));
    const int last = static_cast<int>(std::min<uint32_t>(n - 1, INT32_MAX));
    ItemAs<QProgressBar>(kIdProgress)->setRange(0, last);
    settingPositions_ = true;
    ItemAs<QSlider>(kIdPosition)->setRange(0, last);
    settingPositions_ = false;
  }
  SetPositions(position);
}

void CPlayTab::SetPositions(uint32_t position) {
  const int value = static_cast<int>(std::min<uint32_t>(position, INT32_MAX));
  ItemAs<QProgressBar>(kIdProgress)->setValue(value);
  settingPositions_ = true;
  ItemAs<QSlider>(kIdPosition)->setValue(value);
  settingPositions_ = false;
}

// ---- Load and close ----

void CPlayTab::OnLoad() {
  if (state_.load() != kNoFile) return;
  if (!file_.ChooseFile(true, "NUV", "NUV FILE|*.PCM;*.MJP;*.MJ*;*.XPG;*.*||") ||
      !file_.Open(nuvix::RecordedFile::kRead) || !file_.isOpen() || !file_.ScanHeader()) {
    file_.Close();
    return;
  }
  const uint32_t count = BuildIndex();
  if (count == 0) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "FILE NOT LOADED: NO COMPLETE RECORD");
    file_.Close();
    return;
  }
  // A rate index the board does not know is played at the rate of the block
  // size the reader steps it by.
  parameter_ = file_.parameter() >= 1 && file_.parameter() <= 4 ? file_.parameter() : 1;
  rateFactor_ = file_.rateFactor();
  blockSize_ = file_.blockSize();
  count_ = count;
  cursor_ = 0;
  ShowRange(count, 0);
  // Any tag but "AUDI" is indexed as video records, so it is shown as video.
  isVideo_ = !file_.isAudio();
  failedRecords_ = 0;
  nextInStream_ = kNoRecord;

  if (isVideo_) {
    h263_.ReleaseCodec();
    h263_.CreateCodec(false);
  }
  if (FetchRecord(0) == 0) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "FILE NOT LOADED: ITS FIRST RECORD CANNOT BE READ OR DECODED");
    file_.Close();
    ShowRange(10, 0);
    return;
  }
  if (isVideo_) {
    window_.Open(displayHeader_.biWidth, std::abs(displayHeader_.biHeight), "Search Window", 0);
    ShowVideo(0);
  } else {
    LoadAudio(0);
  }
  state_ = kStopped;
  EnableButtons();
  update();
}

uint32_t CPlayTab::BuildIndex() {
  const uint64_t size = file_.size();
  ShowRange(static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)), 0);
  // The progress bar moves in steps of 1/256 of the file, not once per record.
  const uint64_t step = std::max<uint64_t>(size / 256, 1);
  uint64_t shown = 0;
  uint32_t records = 0, previous = nuvix::RecordedFile::kHeaderBytes;
  uint32_t firstOversize = UINT32_MAX;
  const uint32_t largest = file_.isAudio() ? kDataBytes : kDataBytes + nuvix::RecordedFile::kImageHeaderBytes;
  uint32_t count = file_.BuildIndex([&](uint32_t offset) {
    if (offset - previous > largest && firstOversize == UINT32_MAX) firstOversize = records;
    previous = offset;
    ++records;
    if (offset - shown < step) return;
    shown = offset;
    SetPositions(offset);
  });
  if (firstOversize < count) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "FILE TRUNCATED: RECORD %u IS LARGER THAN %u BYTES", firstOversize,
              kDataBytes);
    count = firstOversize;
  } else if (count >= nuvix::RecordedFile::kMaxRecords) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "FILE TRUNCATED: ONLY THE FIRST %u RECORDS ARE PLAYED", count);
  } else if (count > 0 && file_.offset(count) < size) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "FILE TRUNCATED: %llu BYTES AFTER RECORD %u ARE SKIPPED",
              static_cast<unsigned long long>(size - file_.offset(count)), count - 1);
  }
  return count;
}

void CPlayTab::OnClose() {
  if (state_.load() == kNoFile) return;
  if (state_.load() != kStopped) StopPlaying(true);
  state_ = kNoFile;
  EnableButtons();
  ShowRange(10, 0);
  window_.Close();
  if (!isVideo_) scope_.Stop(true);
  file_.Close();
}

// ---- Reading and showing records ----

uint32_t CPlayTab::FetchRecord(uint32_t i) {
  BITMAPINFOHEADER header{};
  uint32_t bytes = file_.ReadRecord(i, data_.get(), kDataBytes, &header);
  if (bytes == 0 || !isVideo_) return bytes;
  if (header.biCompression == FOURCC_H263 && i != nextInStream_ && !IsIntraPicture(data_.get(), header.biSizeImage)) {
    // A P picture is only right on top of the picture before it: coming from
    // anywhere else, decode from the intra picture that starts its group.
    CatchUp(i);
    bytes = file_.ReadRecord(i, data_.get(), kDataBytes, &header);
    if (bytes == 0) return 0;
  }
  const bool decoded = header.biCompression == FOURCC_H263 ? DecodeH263(header) : DecodeMjpg(header);
  nextInStream_ = decoded ? i + 1 : kNoRecord;
  return decoded ? bytes : 0;
}

void CPlayTab::CatchUp(uint32_t i) {
  BITMAPINFOHEADER header{};
  uint32_t start = i;
  for (uint32_t k = i; k-- > 0 && i - k <= kMaxGroup;) {
    if (file_.ReadRecord(k, data_.get(), kDataBytes, &header) == 0 || header.biCompression != FOURCC_H263) return;
    if (IsIntraPicture(data_.get(), header.biSizeImage)) {
      start = k;
      break;
    }
  }
  for (uint32_t k = start; k < i; ++k) {
    if (file_.ReadRecord(k, data_.get(), kDataBytes, &header) == 0 || !DecodeH263(header)) return;
  }
}

uint32_t CPlayTab::DecodeH263(const BITMAPINFOHEADER& header) {
  CH263Decoder* decoder = h263_.Decoder();
  const int32_t width = header.biWidth, height = header.biHeight;
  // The picture is converted at the size its header gives: anything the
  // buffers cannot hold is refused rather than read past their end.
  if (!decoder || width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxHeight || width % 2 || height % 2)
    return 0;
  const int payloadSize = static_cast<int>(header.biSizeImage);
  if (decoder->Decode(data_.get(), yuv_.get(), payloadSize) == 0) return 0;
  const size_t luma = static_cast<size_t>(width) * height;
  CHROMIX_Y420_TO_RGB32(yuv_.get(), yuv_.get() + luma, yuv_.get() + luma + luma / 4, width, height, rgb_.get(), 0);
  displayHeader_ = header;
  displayHeader_.biBitCount = 32;
  displayHeader_.biSizeImage = static_cast<uint32_t>(luma * 4);
  topRowFirst_ = true;
  return 1;
}

uint32_t CPlayTab::DecodeMjpg(const BITMAPINFOHEADER& header) {
  if (!mjpg_.DecompressInto(header, data_.get(), rgb_.get(), kRgbBytes, &displayHeader_)) return 0;
  topRowFirst_ = false;
  return 1;
}

void CPlayTab::ShowVideo(uint32_t i) {
  if (!TryBusy()) return;
  const uint32_t bytes = FetchRecord(i);
  if (bytes == 0) failedRecords_.fetch_add(1);
  if (bytes != 0) {
    if (nuvix::CRgbWnd* window = window_.Get())
      window->ShowPicture(displayHeader_.biWidth, std::abs(displayHeader_.biHeight), rgb_.get(),
                          displayHeader_.biBitCount,
                          topRowFirst_ ? nuvix::CRgbWnd::kTopRowFirst : nuvix::CRgbWnd::kBottomRowFirst);
    PublishInfo(QString::asprintf("Total:%d, Current:%d, %d*%d, ", count_, i, displayHeader_.biWidth,
                                  displayHeader_.biHeight) + KbText(bytes),
                i);
  }
  ReleaseBusy();
}

void CPlayTab::LoadAudio(uint32_t i) { LoadAudio(i, i % 2); }

void CPlayTab::LoadAudio(uint32_t i, uint32_t half) {
  if (!aplayOpen_) return;
  if (!TryBusy()) return;
  const uint32_t n = FetchRecord(i);
  if (n > 0) {
    scope_.Feed(data_.get(), n);
    // The last block may be short: the rest of its half is silence, not what
    // the half held before, and it still starts at the half's boundary.
    if (n < blockSize_) std::memset(data_.get() + n, 0, blockSize_ - n);
    const uint32_t offset = half ? blockSize_ : 0;
    const uint32_t result = NUVIXI_APLAY_LOAD(board_, parameter_, offset, data_.get(), blockSize_);
    LogResult(Owner(), result, 0, "NUVIXI_APLAYLOAD(%X,%X,%X,%lX,%X)", board_, parameter_, offset,
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(data_.get())), blockSize_);
    PublishInfo(QString::asprintf("Total:%d, Current:%d, Block Size:", count_, i) + KbText(n), i);
  } else {
    failedRecords_.fetch_add(1);
  }
  ReleaseBusy();
}

void CPlayTab::ShowRecord(uint32_t i) {
  if (isVideo_) ShowVideo(i);
  else LoadAudio(i);
}

uint32_t CPlayTab::MoveCursor(int direction) {
  uint32_t current = cursor_.load();
  uint32_t next;
  do {
    next = direction < 0 ? (current == 0 ? count_ - 1 : current - 1) : (current + 1) % count_;
  } while (!cursor_.compare_exchange_weak(current, next));
  return next;
}

void CPlayTab::Step(int direction) {
  if (state_.load() == kNoFile || count_ == 0) return;
  ShowRecord(MoveCursor(direction));
}

void CPlayTab::OnPrevious() { Step(-1); }
void CPlayTab::OnNext() { Step(1); }

void CPlayTab::OnPositionSlider(int position) {
  if (settingPositions_ || state_.load() == kNoFile || position < 0) return;
  const auto i = static_cast<uint32_t>(position);
  if (i >= count_ || i == cursor_.load()) return;
  cursor_ = i;
  ShowRecord(i);
}

void CPlayTab::PublishInfo(const QString& text, uint32_t position) {
  if (QThread::currentThread() == thread()) {
    ItemAs<QLabel>(kIdInfo)->setText(text);
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
  if (state_.load() == kNoFile) return;  // a late hand-over from before the close
  QString text;
  uint32_t position;
  {
    std::lock_guard lock(infoLock_);
    text = infoText_;
    position = infoPosition_;
  }
  ItemAs<QLabel>(kIdInfo)->setText(text);
  SetPositions(position);
}

// ---- Playing ----

void CPlayTab::OnPlayForward() {
  if (state_.load() != kStopped) return;
  if (isVideo_) {
    StartPlayWorker(kPlayingForward);
    return;
  }
  if (!aplayOpen_) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "APLAY BOX CHECK WHEN BOARD OPEN()");
    return;
  }
  // Both halves of the board's buffer are filled before it starts; the board
  // starts with the first one, and from then on each refill goes into the half
  // that has just been played, also where the file goes round to its start.
  const uint32_t firstHalf = cursor_.load() % 2;
  LoadAudio(cursor_.load(), firstHalf);
  LoadAudio(MoveCursor(1), 1 - firstHalf);
  refillHalf_ = firstHalf;
  state_ = kPlayingForward;
  scope_.StartTimer();
  audioWorker_.Setup({.kind = CCaptThread::AudioPlay,
                      .userData = this,
                      .callback = &CPlayTab::AudioRefillCallback,
                      .board = static_cast<int32_t>(board_),
                      .channel = kAudioChannel,
                      .playArg1 = static_cast<int32_t>(parameter_),
                      .playArg2 = static_cast<int32_t>(rateFactor_),
                      .log = Owner()});
  audioWorker_.Start();
  LogResult(Owner(), NUVIXI_SUCCESS, 0, "NUVIXI_APLAY_ON(%X,%X,%X) CALL : RESULT ->CHECK THREAD", board_, parameter_,
            rateFactor_);
}

void CPlayTab::OnPlayBackward() {
  if (state_.load() != kStopped || !isVideo_) return;
  StartPlayWorker(kPlayingBackward);
}

void CPlayTab::StartPlayWorker(uint32_t state) {
  state_ = state;
  playWorker_.Setup({.kind = CCaptThread::TimedTick,
                     .userData = this,
                     .callback = &CPlayTab::PlayTickCallback,
                     .board = static_cast<int32_t>(board_),
                     .channel = kPlayChannel});
  playWorker_.Start();
}

void CPlayTab::PlayTickCallback(void* tab, int32_t, uintptr_t) {
  auto* self = static_cast<CPlayTab*>(tab);
  const uint32_t state = self->state_.load();
  if (state == kPlayingForward) self->Step(1);
  else if (state == kPlayingBackward) self->Step(-1);
}

void CPlayTab::AudioRefillCallback(void* tab, int32_t, uintptr_t) {
  auto* self = static_cast<CPlayTab*>(tab);
  if (self->state_.load() != kPlayingForward) return;
  const uint32_t half = self->refillHalf_;
  self->refillHalf_ = 1 - half;
  self->LoadAudio(self->MoveCursor(1), half);
}

void CPlayTab::OnStop() {
  const uint32_t state = state_.load();
  if (state != kPlayingForward && state != kPlayingBackward) return;
  StopPlaying(true);
}

void CPlayTab::StopPlaying(bool settle) {
  const uint32_t state = state_.load();
  if (state != kPlayingForward && state != kPlayingBackward) return;
  // Set first, so a tick or refill that comes in meanwhile does nothing.
  state_ = kStopped;
  if (settle) Pause(kStopSettleMs);
  if (isVideo_) {
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
  if (state_.load() == kNoFile || !isVideo_) return;
  nuvix::RecordedFile out;
  if (!out.ChooseFile(false, "BMP", "BITMAP FILE|*.BMP;*.*||")) return;
  if (!out.Open(nuvix::RecordedFile::kWrite)) {
    LogResult(Owner(), 0, 0, "BMP WRITE FAIL");
    return;
  }
  // The picture may be being replaced by the play worker: wait for its turn.
  while (!TryBusy()) QThread::yieldCurrentThread();
  const bool written = nuvix::WriteBitmap(out, displayHeader_, rgb_.get(), topRowFirst_);
  ReleaseBusy();
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
  ItemAs<QLabel>(kIdVolumeLabel)->setText(QString::asprintf("Volume : %2d", volume_));
}

void CPlayTab::OnMonitorEnable(bool on) {
  monitorEnable_ = on ? 1 : 0;
  ApplyMonitor();
}

void CPlayTab::OnMonitorChannel(int channel) {
  monitorChannel_ = static_cast<uint32_t>(channel);
  ItemAs<QLabel>(kIdMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));
  if (monitorEnable_) ApplyMonitor();
}

void CPlayTab::ApplyMonitor() {
  const uint32_t result = NUVIXI_APLAY_Monitor(board_, monitorEnable_, monitorChannel_, 1);
  LogResult(Owner(), result, 0, "NUVIXI_APLAY_Monitor(%X,%X,%X,%X)", board_, monitorEnable_, monitorChannel_, 1u);
  ItemAs<QLabel>(kIdMonitorLabel)->setText(QString::asprintf("Select CH : %2d", monitorChannel_));
}
