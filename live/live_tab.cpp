#include "live_tab.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <cstring>

#include "board_tables.h"
#include "fixg_ctrl.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_wintypes.h"
#include "nuvixi.h"
#include "prompts.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

constexpr int kIdGrid = 1201, kIdUyvy = 1202, kIdYuy2 = 1203, kIdOpen = 1204, kIdClose = 1205, kIdStart = 1206,
              kIdStop = 1207;
constexpr int kIdLabels = 1261, kIdSliders = 1268;
constexpr int kIdSelectFont = 2003, kIdDefaultStrings = 2004, kIdOsdEnable = 2005, kIdOsdDisable = 2006;
constexpr int kIdHRead = 2009, kIdHWrite = 2010, kIdTvOn = 2011, kIdTvOff = 2012, kIdHFilters = 2013,
              kIdVFilters = 2017, kIdVRead = 2021, kIdVWrite = 2022;
constexpr int kIdProgressive = 2031, kIdTvState = 2035, kIdScanState = 2037, kIdSequenceLabels = 2039;
constexpr int kIdPresets = 2055;

constexpr ControlSpec kControls[] = {
    {kIdGrid, ControlKind::Frame, "", 2, 2, 331, 86},
    {0, ControlKind::GroupBox, "Overlay", 2, 90, 118, 80},
    {kIdUyvy, ControlKind::PushLikeRadio, "UYVY", 6, 100, 54, 13, nuvix::win::kGroupStart},
    {kIdYuy2, ControlKind::PushLikeRadio, "YUY2", 62, 100, 54, 13},
    {kIdOpen, ControlKind::PushLikeRadio, "Overlay Window Open", 6, 116, 110, 13, nuvix::win::kGroupStart},
    {kIdClose, ControlKind::PushLikeRadio, "Window Close", 6, 131, 110, 13},
    {kIdStart, ControlKind::PushLikeRadio, "LiveDMA Start", 6, 151, 54, 13, nuvix::win::kGroupStart},
    {kIdStop, ControlKind::PushLikeRadio, "LiveDMA Stop", 62, 151, 54, 13},
    {0, ControlKind::Static, "<  TV-OUT  >", 6, 172, 60, 10},
    {kIdTvOn, ControlKind::PushButton, "ON", 6, 181, 28, 13},
    {kIdTvOff, ControlKind::PushButton, "OFF", 36, 181, 28, 13},
    {kIdTvState, ControlKind::Static, "", 68, 183, 40, 10},
    {kIdLabels + 0, ControlKind::Static, "", 126, 96, 62, 10},
    {kIdLabels + 1, ControlKind::Static, "", 126, 112, 62, 10},
    {kIdLabels + 2, ControlKind::Static, "", 126, 128, 62, 10},
    {kIdLabels + 3, ControlKind::Static, "", 126, 144, 62, 10},
    {kIdSliders + 0, ControlKind::Trackbar, "", 190, 94, 100, 14},
    {kIdSliders + 1, ControlKind::Trackbar, "", 190, 110, 100, 14},
    {kIdSliders + 2, ControlKind::Trackbar, "", 190, 126, 100, 14},
    {kIdSliders + 3, ControlKind::Trackbar, "", 190, 142, 100, 14},
    {0, ControlKind::Static, "H Filter", 126, 163, 34, 10},
    {kIdHFilters + 0, ControlKind::PushLikeRadio, "0", 162, 161, 16, 13, nuvix::win::kGroupStart},
    {kIdHFilters + 1, ControlKind::PushLikeRadio, "1", 180, 161, 16, 13},
    {kIdHFilters + 2, ControlKind::PushLikeRadio, "2", 198, 161, 16, 13},
    {kIdHFilters + 3, ControlKind::PushLikeRadio, "3", 216, 161, 16, 13},
    {kIdHRead, ControlKind::PushButton, "RD", 238, 161, 24, 13},
    {kIdHWrite, ControlKind::PushButton, "WR", 264, 161, 24, 13},
    {0, ControlKind::Static, "V Filter", 126, 179, 34, 10},
    {kIdVFilters + 0, ControlKind::PushLikeRadio, "0", 162, 177, 16, 13, nuvix::win::kGroupStart},
    {kIdVFilters + 1, ControlKind::PushLikeRadio, "1", 180, 177, 16, 13},
    {kIdVFilters + 2, ControlKind::PushLikeRadio, "2", 198, 177, 16, 13},
    {kIdVFilters + 3, ControlKind::PushLikeRadio, "3", 216, 177, 16, 13},
    {kIdVRead, ControlKind::PushButton, "RD", 238, 177, 24, 13},
    {kIdVWrite, ControlKind::PushButton, "WR", 264, 177, 24, 13},
    {kIdProgressive, ControlKind::CheckBox, "Progressive", 126, 195, 60, 12},
    {kIdScanState, ControlKind::Static, "", 190, 197, 60, 10},
    {kIdPresets + 0, ControlKind::PushButton, "Default", 6, 197, 32, 13, nuvix::win::kDisabled},
    {kIdPresets + 1, ControlKind::PushButton, "Seq0", 40, 197, 32, 13, nuvix::win::kDisabled},
    {kIdPresets + 2, ControlKind::PushButton, "Seq1", 74, 197, 32, 13, nuvix::win::kDisabled},
    {kIdSequenceLabels + 0, ControlKind::Static, "", 6, 213, 18, 10},
    {kIdSequenceLabels + 1, ControlKind::Static, "", 26, 213, 18, 10},
    {kIdSequenceLabels + 2, ControlKind::Static, "", 46, 213, 18, 10},
    {kIdSequenceLabels + 3, ControlKind::Static, "", 66, 213, 18, 10},
    {kIdSequenceLabels + 4, ControlKind::Static, "", 86, 213, 18, 10},
    {kIdSequenceLabels + 5, ControlKind::Static, "", 106, 213, 18, 10},
    {kIdSequenceLabels + 6, ControlKind::Static, "", 126, 213, 18, 10},
    {kIdSequenceLabels + 7, ControlKind::Static, "", 146, 213, 18, 10},
    {kIdSequenceLabels + 8, ControlKind::Static, "", 166, 213, 18, 10},
    {kIdSequenceLabels + 9, ControlKind::Static, "", 186, 213, 18, 10},
    {kIdSequenceLabels + 10, ControlKind::Static, "", 206, 213, 18, 10},
    {kIdSequenceLabels + 11, ControlKind::Static, "", 226, 213, 18, 10},
    {kIdSequenceLabels + 12, ControlKind::Static, "", 246, 213, 18, 10},
    {kIdSequenceLabels + 13, ControlKind::Static, "", 266, 213, 18, 10},
    {kIdSequenceLabels + 14, ControlKind::Static, "", 286, 213, 18, 10},
    {kIdSequenceLabels + 15, ControlKind::Static, "", 306, 213, 18, 10},
    {kIdSelectFont, ControlKind::PushButton, "Select Font", 6, 227, 50, 13},
    {kIdDefaultStrings, ControlKind::PushButton, "Set String(Default) : CH 0~16", 58, 227, 120, 13},
    {kIdOsdEnable, ControlKind::PushButton, "OSD Enable", 190, 227, 50, 13},
    {kIdOsdDisable, ControlKind::PushButton, "OSD Disable", 242, 227, 50, 13},
};

// Where a QCA board's user learns how to get live video.
constexpr ControlSpec kQcaHint = {0, ControlKind::Static,
                                  "No live display on a QCA board (capture only).\n"
                                  "Live video: start with NUVIXI_SIM_BOARDS=QLA16",
                                  126, 208, 207, 18};

constexpr uint32_t kCellsOfShape[10] = {1, 4, 6, 7, 8, 9, 10, 13, 16, 0};

constexpr int32_t kPresets[3][CLiveTab::kInputs] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
    {5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6},
};

constexpr int32_t kColourDefaults[4] = {110, 110, 128, 128};
constexpr const char* kColourNames[4] = {"BRIGHT   :", "CONTRAST :", "HUE      :", "SAT      :"};
constexpr const char* kColourLogs[4] = {
    "NUVIXI_BRIGHTNESSControl  (%X, %X, %X)", "NUVIXI_CONTRASTControl    (%X, %X, %X)",
    "NUVIXI_HUEControl         (%X, %X, %X)", "NUVIXI_SATURATIONUControl (%X, %X, %X)"};
using ColourCall = NUVIXI_RESULT (*)(uint32_t, uint32_t, uint32_t);
constexpr ColourCall kColourCalls[4] = {NUVIXI_BRIGHTNESSControl, NUVIXI_CONTRASTControl, NUVIXI_HUEControl,
                                        NUVIXI_SATURATIONUControl};


const char* const kBlankStrings[CLiveTab::kInputs] = {" ", " ", " ", " ", " ", " ", " ", " ",
                                                      " ", " ", " ", " ", " ", " ", " ", " "};
const char* const kDefaultStrings[CLiveTab::kInputs] = {"Ch 1", "Ch 2",  "Ch 3",  "Ch 4",  "Ch 5",  "Ch 6",
                                                        "Ch 7", "Ch 8",  "Ch 9",  "Ch 10", "Ch 11", "Ch 12",
                                                        "Ch 13", "Ch 14", "Ch 15", "Ch 16"};

}  // namespace

CLiveTab::CLiveTab() : CTabDialog(110) {}

CLiveTab::~CLiveTab() {
  StopLive();
  CloseOverlay();
  grid_.Destroy();
}

void CLiveTab::Init(CNuvixSdkDlg* owner, int boardIndex, int modelCode, int ntsc) {
  CTabDialog::Init(owner, boardIndex, modelCode, ntsc);
  board_ = static_cast<uint32_t>(boardIndex);
  model_ = modelCode;
  standard_ = ntsc ? 1 : 0;
  channels_ = std::min<uint32_t>(CaptureChannels(modelCode), kChannels);
  shapeCount_ = LiveShapeModes(modelCode);
  startCount_ = LiveStartChannels(modelCode);
  c2Value_ = LiveValue(modelCode);
}

bool CLiveTab::IsQca() const { return model_ >= QCA02 && model_ <= QCA08; }

void CLiveTab::OnInitDialog() {
  BuildTemplate(kControls);
  overlayWidth_ = 704;
  overlayHeight_ = standard_ == 1 ? 480 : 576;
  overlayFourcc_ = NUVIXI_FOURCC_UYVY;
  shape_ = start_ = colourChannel_ = 0;
  tvOut_ = 0;
  for (int k = 0; k < kInputs; ++k) {
    labelIds_[k] = kIdSequenceLabels + k;
    sequence_[k] = k;
  }
  hFilter_ = vFilter_ = 0;
  std::fill(std::begin(scanModes_), std::end(scanModes_), 0);
  for (auto& row : colours_) std::fill(std::begin(row), std::end(row), -1);  // unset: every default is sent

  const uint32_t* values[nuvix::kLiveValueCount] = {};
  values[nuvix::kLiveShape] = &shape_;
  values[nuvix::kLiveStartPage] = &start_;
  values[nuvix::kLiveColour] = &colourChannel_;
  values[nuvix::kLiveProgressive] = reinterpret_cast<const uint32_t*>(scanModes_);
  grid_.Create(nuvix::GridKind::Live, Item(kIdGrid), static_cast<int>(channels_), values);
  if (nuvix::CFixGCtrl* ctrl = grid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, [this](quint32 w, quint32 l) { OnGridNotify(w, l); });
  for (int c = 0; c < 4; ++c) ItemAs<QSlider>(kIdSliders + c)->setRange(0, 255);
  ConnectControls();

  for (uint32_t ch = 0; ch < channels_; ++ch) SetDefaultColours(static_cast<int32_t>(ch));
  SelectColourChannel(0);

  if (!IsQca()) {
    SetCheckedPair(kIdUyvy, kIdYuy2);
    SetCheckedPair(kIdClose, kIdOpen);
    SetCheckedPair(kIdStop, kIdStart);
    ApplyScanModes();
    SetTvOut(1);
    ReadFilter(false);
    ReadFilter(true);
  } else {
    EnableIds({kIdUyvy, kIdYuy2, kIdOpen, kIdClose, kIdStart, kIdStop, kIdVFilters, kIdVFilters + 1,
               kIdVFilters + 2, kIdVFilters + 3, kIdVRead, kIdVWrite, kIdHFilters, kIdHFilters + 1,
               kIdHFilters + 2, kIdHFilters + 3, kIdHRead, kIdHWrite, kIdProgressive, kIdTvOn, kIdTvOff,
               kIdSelectFont, kIdDefaultStrings, kIdOsdEnable, kIdOsdDisable},
              false);
    BuildTemplate({&kQcaHint, 1});
  }
}

void CLiveTab::ConnectControls() {
  auto onClick = [this](int id, auto handler) {
    connect(ItemAs<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
  };
  onClick(kIdUyvy, [this] { overlayFourcc_ = NUVIXI_FOURCC_UYVY; });
  onClick(kIdYuy2, [this] { overlayFourcc_ = NUVIXI_FOURCC_YUY2; });
  onClick(kIdOpen, [this] { OpenOverlay(); });
  onClick(kIdClose, [this] { CloseOverlay(); });
  onClick(kIdStart, [this] { StartLive(); });
  onClick(kIdStop, [this] { StopLive(); });
  for (int v = 0; v < 4; ++v) {
    onClick(kIdHFilters + v, [this, v] { hFilter_ = static_cast<uint8_t>(v); });
    onClick(kIdVFilters + v, [this, v] { vFilter_ = static_cast<uint8_t>(v); });
  }
  onClick(kIdHRead, [this] { ReadFilter(false); });
  onClick(kIdHWrite, [this] { WriteFilter(false); });
  onClick(kIdVRead, [this] { ReadFilter(true); });
  onClick(kIdVWrite, [this] { WriteFilter(true); });
  onClick(kIdTvOn, [this] { SetTvOut(1); });
  onClick(kIdTvOff, [this] { SetTvOut(0); });
  onClick(kIdProgressive, [this] { ApplyScanModes(); });
  for (int p = 0; p < 3; ++p) onClick(kIdPresets + p, [this, p] { ApplyPreset(p); });
  onClick(kIdSelectFont, [this] { OnSelectFont(); });
  onClick(kIdDefaultStrings, [this] { OnDefaultStrings(); });
  onClick(kIdOsdEnable, [this] { OnOsdEnable(); });
  onClick(kIdOsdDisable, [this] { OnOsdDisable(); });
  for (int c = 0; c < 4; ++c) {
    connect(ItemAs<QSlider>(kIdSliders + c), &QSlider::valueChanged, this,
            [this, c](int value) { SetColour(static_cast<Colour>(c), value); });
  }
}

void CLiveTab::SetCheckedPair(int on, int off) {
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(on), true);
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(off), false);
}

void CLiveTab::EnableIds(std::initializer_list<int> ids, bool enable) {
  for (int id : ids) Item(id)->setEnabled(enable);
}

// ---- Overlay and live DMA ----

void CLiveTab::OpenOverlay() {
  if (overlay_.Get()) return;
  const bool opened =
      overlay_.Open(overlayWidth_, overlayHeight_, overlayWidth_, overlayHeight_, overlayFourcc_);
  // The board must write the format the adapter actually created, which may
  // differ from the one asked for.
  uint32_t fourcc = overlayFourcc_;
  if (opened && overlay_.QuerySurface(surfaceAddress_, surfacePitch_)) {
    fourcc = overlay_.Info().fourcc;
    LogResult(Owner(), 128, 0, "OVERLAY WINDOW OPEN()");
  }
  const NUVIXI_RESULT result =
      NUVIXI_SetLiveVideoConfig(board_, 0, overlayWidth_, overlayHeight_, fourcc, surfaceAddress_, surfacePitch_);
  LogResult(Owner(), result, 0, "NUVIXI_SetLiveVideoConfig(%X,%X,%X,%X,%X,%llX,%X)", board_, 0, overlayWidth_,
            overlayHeight_, fourcc, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(surfaceAddress_)),
            surfacePitch_);
  ApplyPreset(0);
  EnableIds({kIdPresets, kIdPresets + 1, kIdPresets + 2}, true);
  if (!opened) SetCheckedPair(kIdClose, kIdOpen);
}

void CLiveTab::CloseOverlay() {
  if (!overlay_.Get()) return;
  StopLiveTransfer();
  overlay_.Close();
  // The surface is gone: a later configuration must not hand its address to the board.
  surfaceAddress_ = nullptr;
  surfacePitch_ = 0;
  LogResult(Owner(), 128, 0, "OVERLAY WINDOW CLOSE()");
  EnableIds({kIdPresets, kIdPresets + 1, kIdPresets + 2}, false);
}

void CLiveTab::StartLive() {
  if (!overlay_.Get()) return;
  SetShape();
  if (!liveRunning_) {
    const NUVIXI_RESULT result = NUVIXI_LiveVideoTransferON(board_, static_cast<uint32_t>(tvOut_));
    LogResult(Owner(), result, 0, "NUVIXI_LiveVideoTransferON(%X)", board_);
    if (result == NUVIXI_SUCCESS) liveRunning_ = true;
  }
  EnableIds({kIdTvOn, kIdTvOff}, false);
}

void CLiveTab::StopLive() {
  StopLiveTransfer();
  EnableIds({kIdTvOn, kIdTvOff}, true);
}

void CLiveTab::StopLiveTransfer() {
  if (!liveRunning_) return;
  const NUVIXI_RESULT result = NUVIXI_LiveVideoTransferOFF(board_);
  LogResult(Owner(), result, 0, "NUVIXI_LiveVideoTransferOFF(%X)", board_);
  liveRunning_ = false;
}

void CLiveTab::SetShape() {
  if (!overlay_.Get()) return;
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(kIdProgressive), false);
  ApplyScanModes();
  const int32_t shape = static_cast<int32_t>(shape_), start = static_cast<int32_t>(start_);
  const NUVIXI_RESULT result = NUVIXI_LiveVideoShape(board_, 0, 0xFFFF, &shape, &start);
  LogResult(Owner(), result, 0, "NUVIXI_LiveVideoShape  (%X,%X,%X)", board_, shape_, start_);
}

// ---- Scan modes and sequence ----

uint32_t CLiveTab::CellCount() const { return shape_ < 10 ? kCellsOfShape[shape_] : 0; }

bool CLiveTab::IsShown(int32_t input) const {
  for (uint32_t k = 0; k < CellCount(); ++k)
    if (static_cast<int32_t>((start_ + k) % kInputs) == input) return true;
  return false;
}

void CLiveTab::ApplyScanModes() {
  const bool progressive = ItemAs<QCheckBox>(kIdProgressive)->isChecked();
  std::fill(std::begin(scanModes_), std::end(scanModes_), 0);
  if (progressive)
    for (uint32_t k = 0; k < CellCount(); ++k) scanModes_[(start_ + k) % kInputs] = 1;
  SendScanModes();
  grid_.RefreshValue(nuvix::kLiveProgressive);
  ItemAs<QLabel>(kIdScanState)->setText(progressive ? "All Progres.." : "All interl.. ");
  Pause(30);
}

void CLiveTab::SendScanModes() {
  const NUVIXI_RESULT result = NUVIXI_SetLiveScanMode(board_, scanModes_);
  LogResult(Owner(), result, 0, "NUVIXI_SetLiveScanMode(%X)", board_);
}

void CLiveTab::ApplyPreset(int preset) {
  std::copy(std::begin(kPresets[preset]), std::end(kPresets[preset]), sequence_);
  for (int k = 0; k < kInputs; ++k) ItemAs<QLabel>(labelIds_[k])->setText(QString::number(sequence_[k]));
  const NUVIXI_RESULT result = NUVIXI_LiveVideoChSequence(board_, sequence_);
  LogResult(Owner(), result, 0, "NUVIXI_LiveVideoChSequence(%X)", board_);
  for (int32_t k = 0; k < kInputs; ++k) SetDefaultColours(k);
  SelectColourChannel(0);
  grid_.RefreshValue(nuvix::kLiveColour);
  ApplyScanModes();
}

// ---- Colour settings ----

int32_t CLiveTab::TargetOf(int32_t channel) const {
  if (channel < 0 || channel >= kChannels) return -1;
  if (IsQca()) return channel;
  return channel < kInputs ? sequence_[channel] : -1;
}

void CLiveTab::SetDefaultColours(int32_t channel) {
  colourChannel_ = static_cast<uint32_t>(channel);
  for (int c = 0; c < 4; ++c) SetColour(static_cast<Colour>(c), kColourDefaults[c]);
}

void CLiveTab::SetColour(Colour control, int32_t value) {
  const int32_t target = TargetOf(static_cast<int32_t>(colourChannel_));
  if (target < 0 || colours_[control][target] == value) return;
  ShowColourLabel(control, value);
  colours_[control][target] = value;
  const NUVIXI_RESULT result =
      kColourCalls[control](board_, static_cast<uint32_t>(target), static_cast<uint32_t>(value));
  LogResult(Owner(), result, 0, kColourLogs[control], board_, target, value);
}

void CLiveTab::ShowColourLabel(Colour control, int32_t value) {
  ItemAs<QLabel>(kIdLabels + control)->setText(QString::asprintf("%s %3d", kColourNames[control], value));
}

void CLiveTab::SelectColourChannel(int32_t channel) {
  colourChannel_ = static_cast<uint32_t>(channel);
  const int32_t target = TargetOf(channel);
  for (int c = 0; c < 4; ++c) {
    const int32_t value = target >= 0 && colours_[c][target] >= 0 ? colours_[c][target] : kColourDefaults[c];
    auto* slider = ItemAs<QSlider>(kIdSliders + c);
    const QSignalBlocker quiet(slider);
    slider->setRange(0, 255);
    slider->setValue(value);
    ShowColourLabel(static_cast<Colour>(c), value);
  }
}

// ---- Grid ----

void CLiveTab::OnGridNotify(uint32_t wParam, uint32_t lParam) {
  const uint32_t column = lParam >> 16;
  const uint32_t row = lParam & 0xFFFF;
  // Column 0 is the row's label: it names no shape, start, channel or input.
  if (column == 0) return;
  const uint32_t value = column - 1;
  switch (row) {
    case 1:
      if (value >= shapeCount_ || value >= 10 || value == shape_) return;
      shape_ = value;
      grid_.RefreshValue(nuvix::kLiveShape);
      SetShape();
      break;
    case 2:
      if (value >= startCount_ || value >= kInputs || value == start_) return;
      start_ = value;
      grid_.RefreshValue(nuvix::kLiveStartPage);
      SetShape();
      break;
    case 3:
      if (value >= channels_) return;
      colourChannel_ = value;
      grid_.RefreshValue(nuvix::kLiveColour);
      SelectColourChannel(static_cast<int32_t>(value));
      break;
    case 4: {
      const uint32_t message = wParam & 0xFFFF;
      // Repeats, the wheel and double clicks never toggle a scan mode.
      if ((wParam & nuvix::kFixGRepeatBit) || message == nuvix::kFixGWheel || message == nuvix::kFixGLButtonDouble ||
          message == nuvix::kFixGRButtonDouble)
        return;
      if (value >= kInputs || !IsShown(static_cast<int32_t>(value))) return;
      scanModes_[value] ^= 1;
      SendScanModes();
      grid_.RefreshValue(nuvix::kLiveProgressive);
      break;
    }
    default: break;
  }
}

// ---- Filters and TV-out ----

void CLiveTab::ReadFilter(bool vertical) {
  int32_t value = 0;
  const uint32_t result = vertical ? NUVIXI_READ_VSCALE_FILTER_Y(0, colourChannel_, &value)
                                   : NUVIXI_READ_HSCALE_FILTER_Y(0, colourChannel_, &value);
  // Only a failure is logged: the buttons then keep what they showed.
  LogFailure(Owner(), result, "NUVIXI_READ_%cSCALE_FILTER_Y(0,%X)", vertical ? 'V' : 'H', colourChannel_);
  if (result == NUVIXI_SUCCESS && value >= 0 && value <= 3)
    nuvix::win::SetChecked(ItemAs<QAbstractButton>((vertical ? kIdVFilters : kIdHFilters) + value), true);
}

void CLiveTab::WriteFilter(bool vertical) {
  const int32_t value = vertical ? vFilter_ : hFilter_;
  const uint32_t result = vertical ? NUVIXI_WRITE_VSCALE_FILTER_Y(0, colourChannel_, &value)
                                   : NUVIXI_WRITE_HSCALE_FILTER_Y(0, colourChannel_, &value);
  LogFailure(Owner(), result, "NUVIXI_WRITE_%cSCALE_FILTER_Y(0,%X,%X)", vertical ? 'V' : 'H', colourChannel_, value);
}

void CLiveTab::SetTvOut(int32_t on) {
  tvOut_ = on;
  ItemAs<QLabel>(kIdTvState)->setText(on ? " ENABLE " : " DISABLE ");
}

// ---- On-screen text ----

void CLiveTab::SendStrings(const char* const strings[kInputs]) {
  char* copies[kInputs];
  // The board reads the strings; it is handed the program's own copies.
  char storage[kInputs][32];
  for (int k = 0; k < kInputs; ++k) {
    std::snprintf(storage[k], sizeof storage[k], "%s", strings[k]);
    copies[k] = storage[k];
  }
  const NUVIXI_RESULT result = NUVIXI_XED_QUAD_STRING(board_, copies);
  LogResult(Owner(), result, 0, "NUVIXI_XED_QUAD_STRING(%X)", board_);
}

void CLiveTab::OnDefaultStrings() {
  SendStrings(kDefaultStrings);
  uint8_t config[27] = {44, 40, 30, 35, 15};
  for (int i = 0; i < 7; ++i) {
    config[5 + 3 * i] = 10;
    config[6 + 3 * i] = static_cast<uint8_t>(26 - i);
    config[7 + 3 * i] = 10;
  }
  config[26] = 5;
  const NUVIXI_RESULT result = NUVIXI_XED_FONT_CONFIG(board_, config, sizeof config);
  LogResult(Owner(), result, 0, "NUVIXI_XED_FONT_CONFIG(%X)", board_);
}

void CLiveTab::OnSelectFont() {
  const auto chosen = nuvix::CurrentPrompts().ChooseFont();
  if (!chosen) return;
  LOGFONTA font{};
  font.lfWeight = 400;
  font.lfCharSet = 1;
  font.lfOutPrecision = 4;
  font.lfQuality = 4;
  std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", chosen->faceName.c_str());
  const NUVIXI_RESULT result = NUVIXI_XED_SET_CHOSE_FONT(board_, &font);
  LogResult(Owner(), result, 0, "NUVIXI_XED_SET_CHOSE_FONT(%X)", board_);
}

void CLiveTab::OnOsdEnable() {
  SendStrings(kBlankStrings);
  OnDefaultStrings();
  const NUVIXI_RESULT result = NUVIXI_SQUAD_ON(board_, nullptr, nullptr, nullptr);
  LogResult(Owner(), result, 0, "NUVIXI_SQUAD_ON(%X)", board_);
}

void CLiveTab::OnOsdDisable() {
  const NUVIXI_RESULT result = NUVIXI_SQUAD_OFF(board_);
  LogResult(Owner(), result, 0, "NUVIXI_SQUAD_OFF(%X)", board_);
}
