#include "pinax_tab.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTimerEvent>
#include <algorithm>
#include <array>
#include <cctype>

#include "board_tables.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "pinax_ids.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

namespace ids = pinax_ids;



// The grid frames are taller than the original template's so that every
// row of both grids shows without scrolling at this system's font size.
constexpr ControlSpec kControls[] = {
    {0, ControlKind::PushButton, "Digital Input output Sub Board", 4, 2, 328, 9, nuvix::win::kDisabled},
    {ids::kMasterMode0, ControlKind::PushLikeRadio, "Master 4 x 2", 4, 12, 80, 10, nuvix::win::kGroupStart},
    {ids::kMasterMode0 + 1, ControlKind::PushLikeRadio, "Master 4 x 4", 86, 12, 80, 10},
    {ids::kMasterMode0 + 2, ControlKind::PushLikeRadio, "Master 8 x 4", 168, 12, 80, 10},
    {ids::kMasterMode0 + 3, ControlKind::PushLikeRadio, "Master 16 x 16", 250, 12, 82, 10},
    {ids::kMasterGrid, ControlKind::Frame, "", 4, 23, 328, 55},
    {ids::kSlaveMode0, ControlKind::PushLikeRadio, "Slave  4 x 2", 4, 79, 80, 10, nuvix::win::kGroupStart},
    {ids::kSlaveMode0 + 1, ControlKind::PushLikeRadio, "Slave  4 x 4", 86, 79, 80, 10},
    {ids::kSlaveMode0 + 2, ControlKind::PushLikeRadio, "Slave  8 x 4", 168, 79, 80, 10},
    {ids::kSlaveMode0 + 3, ControlKind::PushLikeRadio, "Slave  16 x 16", 250, 79, 82, 10},
    {ids::kSlaveGrid, ControlKind::Frame, "", 4, 90, 328, 85},
    {ids::kWatchdogLabel, ControlKind::Static, "", 4, 179, 110, 10},
    {ids::kWatchdogEnable, ControlKind::PushButton, "Enable", 118, 177, 44, 12},
    {ids::kWatchdogReset, ControlKind::PushButton, "Reset", 166, 177, 44, 12},
    {ids::kWatchdogTime, ControlKind::Trackbar, "", 214, 177, 118, 12},
    {0, ControlKind::Static, "OSD 1ST Control", 4, 192, 62, 10},
    {ids::kOsd[0].clear, ControlKind::PushButton, "OSD Clear", 68, 190, 48, 12},
    {ids::kOsd[0].position, ControlKind::Edit, "", 120, 190, 24, 12},
    {ids::kOsd[0].text, ControlKind::Edit, "", 148, 190, 132, 12},
    {ids::kOsd[0].write, ControlKind::PushButton, "OSD Write", 284, 190, 48, 12},
    {0, ControlKind::Static, "OSD 2ND Control", 4, 205, 62, 10},
    {ids::kOsd[1].clear, ControlKind::PushButton, "OSD Clear", 68, 203, 48, 12},
    {ids::kOsd[1].position, ControlKind::Edit, "", 120, 203, 24, 12},
    {ids::kOsd[1].text, ControlKind::Edit, "", 148, 203, 132, 12},
    {ids::kOsd[1].write, ControlKind::PushButton, "OSD Write", 284, 203, 48, 12},
    {ids::kResultLabel, ControlKind::Static, "Main Block", 4, 218, 90, 10},
    {ids::kKey, ControlKind::Edit, "", 96, 216, 110, 12},
    {ids::kMainBlockCheck, ControlKind::PushButton, "Main Block Check", 210, 216, 122, 12},
    {ids::kResult, ControlKind::Edit, "", 4, 229, 328, 12},
};

struct ModeCounts {
  int inputs, outputs;
};
constexpr ModeCounts kModes[] = {{4, 2}, {4, 4}, {8, 4}, {16, 16}};

constexpr int kOutputRow = 2, kMux1Row = 3, kMux2Row = 4;

}  // namespace

CPinaxTab::CPinaxTab() : CTabDialog(115) {}

CPinaxTab::~CPinaxTab() {
  if (pollTimerId_ != 0) killTimer(pollTimerId_);
  pollTimerId_ = 0;
  masterGrid_.Destroy();
  slaveGrid_.Destroy();
}

void CPinaxTab::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra) {
  CTabDialog::Init(owner, boardIndex, caps, extra);
  board_ = static_cast<uint32_t>(boardIndex);
  muxCount_ = static_cast<int>(caps.MultiplexerCount());
  mux1Choices_ = static_cast<int>(std::min<uint32_t>(caps.CaptureChannels(), nuvix::SettingsGrid::kMaxChannels));
  mux2Choices_ = muxCount_ >= 2 ? mux1Choices_ : 0;
}

void CPinaxTab::OnInitDialog() {
  BuildTemplate(kControls);
  camera1_ = camera2_ = 1;
  SelectCameras(0, 0);
  watchdogSeconds_ = kWatchdogMin;
  masterMode_ = slaveMode_ = 0;
  for (uint32_t* values : {masterIn_, slaveIn_, masterOut_, slaveOut_})
    std::fill_n(values, nuvix::SettingsGrid::kMaxChannels, 0u);
  BuildGrids();
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(ids::kMasterMode0), true);
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(ids::kSlaveMode0), true);
  ApplyModes();
  auto* slider = ItemAs<QSlider>(ids::kWatchdogTime);
  slider->setRange(kWatchdogMin, kWatchdogMax);
  ShowWatchdogTime();

  for (int mode = 0; mode < 4; ++mode) {
    connect(ItemAs<QAbstractButton>(ids::kMasterMode0 + mode), &QAbstractButton::clicked, this,
            [this, mode] { OnMode(false, mode); });
    connect(ItemAs<QAbstractButton>(ids::kSlaveMode0 + mode), &QAbstractButton::clicked, this,
            [this, mode] { OnMode(true, mode); });
  }
  auto* enable = ItemAs<QAbstractButton>(ids::kWatchdogEnable);
  enable->setCheckable(true);
  connect(enable, &QAbstractButton::clicked, this, [this](bool on) { OnWatchdogEnable(on); });
  connect(ItemAs<QAbstractButton>(ids::kWatchdogReset), &QAbstractButton::clicked, this, [this] { OnWatchdogReset(); });
  connect(slider, &QSlider::valueChanged, this, [this](int value) { OnWatchdogTime(value); });
  for (int line = 0; line < 2; ++line) {
    ItemAs<QLineEdit>(ids::kOsd[line].position)
        ->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    connect(ItemAs<QAbstractButton>(ids::kOsd[line].write), &QAbstractButton::clicked, this,
            [this, line] { OnOsdWrite(line); });
    connect(ItemAs<QAbstractButton>(ids::kOsd[line].clear), &QAbstractButton::clicked, this,
            [this, line] { OnOsdClear(line); });
  }
  connect(ItemAs<QAbstractButton>(ids::kMainBlockCheck), &QAbstractButton::clicked, this, [this] { OnMainBlockCheck(); });
  pollTimerId_ = startTimer(kPollMs);
}

void CPinaxTab::BuildGrids() {
  const uint32_t* master[] = {masterIn_, masterOut_};
  const uint32_t* slave[] = {slaveIn_, slaveOut_, &mux1Shown_, &mux2Shown_};
  mux1Shown_ = static_cast<uint32_t>(camera1_);
  mux2Shown_ = static_cast<uint32_t>(camera2_);
  masterGrid_.Create(nuvix::GridKind::DigitalFirst, Item(ids::kMasterGrid), kUnitSignals, master);
  slaveGrid_.Create(nuvix::GridKind::DigitalSecond, Item(ids::kSlaveGrid), std::max(kUnitSignals, mux1Choices_), slave);
  slaveGrid_.SetValueCount(nuvix::kDigitalMux1, mux1Choices_);
  slaveGrid_.SetValueCount(nuvix::kDigitalMux2, mux2Choices_);
  if (auto* ctrl = masterGrid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, [this](const nuvix::GridEvent& e) { OnGridNotify(false, e); });
  if (auto* ctrl = slaveGrid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, [this](const nuvix::GridEvent& e) { OnGridNotify(true, e); });
}

void CPinaxTab::ApplyModes() {
  masterInputs_ = kModes[masterMode_].inputs;
  masterOutputs_ = kModes[masterMode_].outputs;
  slaveInputs_ = kModes[slaveMode_].inputs;
  slaveOutputs_ = kModes[slaveMode_].outputs;
  std::fill(masterIn_ + masterInputs_, std::end(masterIn_), 0u);
  std::fill(masterOut_ + masterOutputs_, std::end(masterOut_), 0u);
  std::fill(slaveIn_ + slaveInputs_, std::end(slaveIn_), 0u);
  std::fill(slaveOut_ + slaveOutputs_, std::end(slaveOut_), 0u);
  masterGrid_.SetValueCount(nuvix::kDigitalIn, masterInputs_);
  masterGrid_.SetValueCount(nuvix::kDigitalOut, masterOutputs_);
  slaveGrid_.SetValueCount(nuvix::kDigitalIn, slaveInputs_);
  slaveGrid_.SetValueCount(nuvix::kDigitalOut, slaveOutputs_);
}

void CPinaxTab::OnMode(bool slave, int mode) {
  int& current = slave ? slaveMode_ : masterMode_;
  if (mode == current || mode < 0 || mode > 3) return;
  current = mode;
  ApplyModes();
}

void CPinaxTab::ShowSignals() {
  for (auto* grid : {&masterGrid_, &slaveGrid_}) {
    grid->RefreshValue(nuvix::kDigitalIn);
    grid->RefreshValue(nuvix::kDigitalOut);
  }
}

void CPinaxTab::OnGridNotify(bool slave, const nuvix::GridEvent& event) {
  const int column = event.column, row = event.row;
  // The grids report active cells only; anything else is ignored rather than
  // allowed to touch other state.
  if (row == kOutputRow) {
    if (column < 1 || column > (slave ? slaveOutputs_ : masterOutputs_)) return;
    uint32_t& output = (slave ? slaveOut_ : masterOut_)[column - 1];
    output ^= 1u;
    uint32_t outputs[2 * kUnitSignals];
    std::copy_n(masterOut_, kUnitSignals, outputs);
    std::copy_n(slaveOut_, kUnitSignals, outputs + kUnitSignals);
    const uint32_t code = NUVIXI_DIGITALOUT_SIGNAL(board_, outputs);
    LogResult(Owner(), code, 0, "NUVIXI_DIGITALOUT_SIGNAL(%X, %lX)", board_,
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(outputs)));
    ShowSignals();
    return;
  }
  if (!slave || (row != kMux1Row && row != kMux2Row)) return;
  if (column < 1 || column > (row == kMux1Row ? mux1Choices_ : mux2Choices_)) return;
  if (row == kMux1Row) SelectCameras(column - 1, camera2_);
  else SelectCameras(camera1_, column - 1);
  mux1Shown_ = static_cast<uint32_t>(camera1_);
  mux2Shown_ = static_cast<uint32_t>(camera2_);
  slaveGrid_.RefreshValue(nuvix::kDigitalMux1);
  slaveGrid_.RefreshValue(nuvix::kDigitalMux2);
}

void CPinaxTab::SelectCameras(int32_t camera1, int32_t camera2) {
  if (camera1 != camera1_) {
    camera1_ = camera1;
    const uint32_t code = NUVIXI_TVOUT(board_, static_cast<uint32_t>(camera1));
    WriteOsd(0, 0, OsdCodes(QString::asprintf("Mux1-CAM %02d", camera1 + 1).toStdString()));
    LogResult(Owner(), code, 0, "NUVIXI_TVOUT (%X,%X)", board_, camera1);
  }
  if (muxCount_ < 2) return;
  if (camera2 != camera2_) {
    camera2_ = camera2;
    const uint32_t code = NUVIXI_TVOUT2(board_, static_cast<uint32_t>(camera2));
    WriteOsd(1, 0, OsdCodes(QString::asprintf("Mux2-CAM %02d", camera2 + 1).toStdString()));
    LogResult(Owner(), code, 0, "NUVIXI_TVOUT2(%X,%X)", board_, camera2);
  }
}

void CPinaxTab::timerEvent(QTimerEvent* event) {
  CTabDialog::timerEvent(event);
  if (pollTimerId_ != 0 && event->timerId() == pollTimerId_) PollInputs();
}

void CPinaxTab::PollInputs() {
  std::array<uint32_t, kInputBufferBytes / sizeof(uint32_t)> buffer{};
  if (const uint32_t result = NUVIXI_DIGITALIN_SIGNAL(board_, buffer.data()); inputPoll_.Starts(result))
    LogResult(Owner(), result, 0, "NUVIXI_DIGITALIN_SIGNAL(%X)", board_);
  std::copy_n(buffer.begin(), kUnitSignals, masterIn_);
  std::copy_n(buffer.begin() + kUnitSignals, kUnitSignals, slaveIn_);
  ShowSignals();
}

std::vector<int32_t> CPinaxTab::OsdCodes(const std::string& text) {
  std::vector<int32_t> codes;
  for (char c : text) codes.push_back(c == ' ' ? kBlankCode : static_cast<int32_t>(static_cast<int8_t>(c)) - 16);
  return codes;
}

int32_t CPinaxTab::LeadingNumber(const QString& text) {
  int64_t value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    value = std::min<int64_t>(value * 10 + (c.unicode() - '0'), INT32_MAX);
  }
  return static_cast<int32_t>(value);
}

void CPinaxTab::WriteOsd(int line, int32_t start, std::vector<int32_t> codes) {
  if (start < 0 || static_cast<uint32_t>(start) >= kOsdCells) {
    LogResult(Owner(), NUVIXI_ERR_INVALID_ARGUMENT, 0, "OSD LINE %d: POSITION %d IS BEYOND THE %u CELLS, NOT SENT",
              line + 1, start, kOsdCells);
    return;
  }
  const size_t room = kOsdCells - static_cast<uint32_t>(start);
  if (codes.size() > room) {
    LogResult(Owner(), NUVIXI_SUCCESS, 0, "OSD LINE %d: %zu CHARACTERS FROM POSITION %d CLIPPED TO %zu", line + 1,
              codes.size(), start, room);
    codes.resize(room);
  }
  std::vector<uint32_t> sent(codes.begin(), codes.end());
  const uint32_t count = static_cast<uint32_t>(sent.size());
  const uint32_t code = line == 0 ? NUVIXI_OSD(board_, static_cast<uint32_t>(start), count, sent.data())
                                  : NUVIXI_OSD2(board_, static_cast<uint32_t>(start), count, sent.data());
  LogResult(Owner(), code, 0, "NUVIXI_OSD?(%X,%X,%X,%lX)", board_, start, count,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(sent.data())));
}

void CPinaxTab::OnOsdWrite(int line) {
  const int32_t start = LeadingNumber(ItemAs<QLineEdit>(ids::kOsd[line].position)->text());
  WriteOsd(line, start, OsdCodes(ItemAs<QLineEdit>(ids::kOsd[line].text)->text().toLatin1().toStdString()));
}

void CPinaxTab::OnOsdClear(int line) {
  const int32_t start = LeadingNumber(ItemAs<QLineEdit>(ids::kOsd[line].position)->text());
  WriteOsd(line, start, std::vector<int32_t>(kOsdCells, kBlankCode));
  ItemAs<QLineEdit>(ids::kOsd[line].position)->clear();
  ItemAs<QLineEdit>(ids::kOsd[line].text)->clear();
}

void CPinaxTab::OnWatchdogEnable(bool on) {
  if (on) {
    const uint32_t code = NUVIXI_WDOGEnable(board_, static_cast<uint32_t>(watchdogSeconds_));
    LogResult(Owner(), code, 0, "NUVIXI_WDOGEnabl(%X,%X)", board_, watchdogSeconds_);
  } else {
    const uint32_t code = NUVIXI_WDOGDisable(board_);
    LogResult(Owner(), code, 0, "NUVIXI_WDOGDisable(%X)", board_);
  }
}

void CPinaxTab::OnWatchdogReset() {
  const uint32_t code = NUVIXI_WDOGEnable(board_, static_cast<uint32_t>(watchdogSeconds_));
  LogResult(Owner(), code, 0, "NUVIXI_WDOGEnabl(%X,%X)", board_, watchdogSeconds_);
}

void CPinaxTab::OnWatchdogTime(int seconds) {
  if (seconds == watchdogSeconds_) return;
  watchdogSeconds_ = std::clamp(seconds, kWatchdogMin, kWatchdogMax);
  ShowWatchdogTime();
}

void CPinaxTab::ShowWatchdogTime() {
  ItemAs<QLabel>(ids::kWatchdogLabel)->setText(QString::asprintf("Watch Dog Timer : %3dSec", watchdogSeconds_));
  auto* slider = ItemAs<QSlider>(ids::kWatchdogTime);
  const QSignalBlocker quiet(slider);
  slider->setValue(watchdogSeconds_);
}

std::vector<uint8_t> CPinaxTab::PackKey(const std::string& keyText) {
  std::array<uint8_t, 16> digits{};
  for (size_t i = 0; i < digits.size() && i < keyText.size(); ++i) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(keyText[i])));
    if (c >= '0' && c <= '9') digits[i] = static_cast<uint8_t>(c - '0');
    else if (c >= 'A' && c <= 'F') digits[i] = static_cast<uint8_t>(c - 'A' + 10);
    else digits[i] = static_cast<uint8_t>(c);
  }
  std::vector<uint8_t> key(8);
  for (size_t i = 0; i < key.size(); ++i)
    key[i] = static_cast<uint8_t>(((digits[2 * i] & 0x0F) << 4) | (digits[2 * i + 1] & 0x0F));
  return key;
}

void CPinaxTab::OnMainBlockCheck() {
  auto* keyEdit = ItemAs<QLineEdit>(ids::kKey);
  // The key is upper-cased where the user typed it, before the board sees it.
  keyEdit->setText(keyEdit->text().toUpper());
  const std::vector<uint8_t> key = PackKey(keyEdit->text().toLatin1().toStdString());
  uint8_t block[16] = {};
  const uint32_t code = NUVIXI_EEPROM_READ_Control(board_, key.data(), block);
  if (code == NUVIXI_SUCCESS) {
    ItemAs<QLabel>(ids::kResultLabel)->setText(QStringLiteral("CSID:READ FUNC: OK"));
    ItemAs<QLineEdit>(ids::kResult)->setText(QString::asprintf(
        "%02X,%02X,%02X,%02X,  %02X,%02X,%02X,%02X, %02X,%02X,%02X,%02X, %02X,%02X,%02X,%02X ....", block[0],
        block[1], block[2], block[3], block[4], block[5], block[6], block[7], block[8], block[9], block[10],
        block[11], block[12], block[13], block[14], block[15]));
  } else {
    ItemAs<QLabel>(ids::kResultLabel)->setText(QStringLiteral("CSID:READ FUNC: FAIL"));
  }
  LogResult(Owner(), code, 0, "NUVIXI_EEPROM_READ_Control(%X,%lX,%lX)", board_,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(key.data())),
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(block)));
}
