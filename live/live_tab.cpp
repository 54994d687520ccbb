#include "live_tab.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <cstring>

#include "board_tables.h"
#include "fixg_ctrl.h"
#include "live_controls.h"
#include "live_ids.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_wintypes.h"
#include "nuvixi.h"
#include "osd_font_config.h"
#include "prompts.h"

namespace {

namespace ids = live_ids;

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

void CLiveTab::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int ntsc) {
  CTabDialog::Init(owner, boardIndex, caps, ntsc);
  board_ = static_cast<uint32_t>(boardIndex);
  model_ = caps.Model();
  standard_ = ntsc ? 1 : 0;
  channels_ = std::min<uint32_t>(caps.CaptureChannels(), kChannels);
  shapeCount_ = caps.LiveShapeModes();
  startCount_ = caps.LiveStartChannels();
  c2Value_ = caps.LiveValue();
}

bool CLiveTab::IsQca() const { return model_ >= QCA02 && model_ <= QCA08; }

void CLiveTab::OnInitDialog() {
  BuildTemplate(live_controls::kTemplate);
  overlayWidth_ = 704;
  overlayHeight_ = standard_ == 1 ? 480 : 576;
  overlayFourcc_ = NUVIXI_FOURCC_UYVY;
  shape_ = start_ = colourChannel_ = 0;
  tvOut_ = 0;
  for (int k = 0; k < kInputs; ++k) {
    labelIds_[k] = ids::kSequenceLabels + k;
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
  grid_.Create(nuvix::GridKind::Live, Item(ids::kGrid), static_cast<int>(channels_), values);
  if (nuvix::CFixGCtrl* ctrl = grid_.Ctrl())
    connect(ctrl, &nuvix::CFixGCtrl::Notified, this, &CLiveTab::OnGridNotify);
  for (int c = 0; c < 4; ++c) ItemAs<QSlider>(ids::kSliders + c)->setRange(0, 255);
  ConnectControls();

  for (uint32_t ch = 0; ch < channels_; ++ch) SetDefaultColours(static_cast<int32_t>(ch));
  SelectColourChannel(0);

  if (!IsQca()) {
    SetCheckedPair(ids::kUyvy, ids::kYuy2);
    SetCheckedPair(ids::kClose, ids::kOpen);
    SetCheckedPair(ids::kStop, ids::kStart);
    ApplyScanModes();
    SetTvOut(1);
    ReadFilter(false);
    ReadFilter(true);
  } else {
    EnableIds({ids::kUyvy, ids::kYuy2, ids::kOpen, ids::kClose, ids::kStart, ids::kStop, ids::kVFilters, ids::kVFilters + 1,
               ids::kVFilters + 2, ids::kVFilters + 3, ids::kVRead, ids::kVWrite, ids::kHFilters, ids::kHFilters + 1,
               ids::kHFilters + 2, ids::kHFilters + 3, ids::kHRead, ids::kHWrite, ids::kProgressive, ids::kTvOn, ids::kTvOff,
               ids::kSelectFont, ids::kDefaultStrings, ids::kOsdEnable, ids::kOsdDisable},
              false);
    BuildTemplate({&live_controls::kQcaHint, 1});
  }
}

void CLiveTab::ConnectControls() {
  auto onClick = [this](int id, auto handler) {
    connect(ItemAs<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
  };
  onClick(ids::kUyvy, [this] { overlayFourcc_ = NUVIXI_FOURCC_UYVY; });
  onClick(ids::kYuy2, [this] { overlayFourcc_ = NUVIXI_FOURCC_YUY2; });
  onClick(ids::kOpen, [this] { OpenOverlay(); });
  onClick(ids::kClose, [this] { CloseOverlay(); });
  onClick(ids::kStart, [this] { StartLive(); });
  onClick(ids::kStop, [this] { StopLive(); });
  for (int v = 0; v < 4; ++v) {
    onClick(ids::kHFilters + v, [this, v] { hFilter_ = static_cast<uint8_t>(v); });
    onClick(ids::kVFilters + v, [this, v] { vFilter_ = static_cast<uint8_t>(v); });
  }
  onClick(ids::kHRead, [this] { ReadFilter(false); });
  onClick(ids::kHWrite, [this] { WriteFilter(false); });
  onClick(ids::kVRead, [this] { ReadFilter(true); });
  onClick(ids::kVWrite, [this] { WriteFilter(true); });
  onClick(ids::kTvOn, [this] { SetTvOut(1); });
  onClick(ids::kTvOff, [this] { SetTvOut(0); });
  onClick(ids::kProgressive, [this] { ApplyScanModes(); });
  for (int p = 0; p < 3; ++p) onClick(ids::kPresets + p, [this, p] { ApplyPreset(p); });
  onClick(ids::kSelectFont, [this] { OnSelectFont(); });
  onClick(ids::kDefaultStrings, [this] { OnDefaultStrings(); });
  onClick(ids::kOsdEnable, [this] { OnOsdEnable(); });
  onClick(ids::kOsdDisable, [this] { OnOsdDisable(); });
  for (int c = 0; c < 4; ++c) {
    connect(ItemAs<QSlider>(ids::kSliders + c), &QSlider::valueChanged, this,
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
  EnableIds({ids::kPresets, ids::kPresets + 1, ids::kPresets + 2}, true);
  if (!opened) SetCheckedPair(ids::kClose, ids::kOpen);
}

void CLiveTab::CloseOverlay() {
  if (!overlay_.Get()) return;
  StopLiveTransfer();
  overlay_.Close();
  // The surface is gone: a later configuration must not hand its address to the board.
  surfaceAddress_ = nullptr;
  surfacePitch_ = 0;
  LogResult(Owner(), 128, 0, "OVERLAY WINDOW CLOSE()");
  EnableIds({ids::kPresets, ids::kPresets + 1, ids::kPresets + 2}, false);
}

void CLiveTab::StartLive() {
  if (!overlay_.Get()) return;
  SetShape();
  if (!liveRunning_) {
    const NUVIXI_RESULT result = NUVIXI_LiveVideoTransferON(board_, static_cast<uint32_t>(tvOut_));
    LogResult(Owner(), result, 0, "NUVIXI_LiveVideoTransferON(%X)", board_);
    if (result == NUVIXI_SUCCESS) liveRunning_ = true;
  }
  EnableIds({ids::kTvOn, ids::kTvOff}, false);
}

void CLiveTab::StopLive() {
  StopLiveTransfer();
  EnableIds({ids::kTvOn, ids::kTvOff}, true);
}

void CLiveTab::StopLiveTransfer() {
  if (!liveRunning_) return;
  const NUVIXI_RESULT result = NUVIXI_LiveVideoTransferOFF(board_);
  LogResult(Owner(), result, 0, "NUVIXI_LiveVideoTransferOFF(%X)", board_);
  liveRunning_ = false;
}

void CLiveTab::SetShape() {
  if (!overlay_.Get()) return;
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(ids::kProgressive), false);
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
  const bool progressive = ItemAs<QCheckBox>(ids::kProgressive)->isChecked();
  std::fill(std::begin(scanModes_), std::end(scanModes_), 0);
  if (progressive)
    for (uint32_t k = 0; k < CellCount(); ++k) scanModes_[(start_ + k) % kInputs] = 1;
  SendScanModes();
  grid_.RefreshValue(nuvix::kLiveProgressive);
  ItemAs<QLabel>(ids::kScanState)->setText(progressive ? "All Progres.." : "All interl.. ");
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
  ItemAs<QLabel>(ids::kLabels + control)->setText(QString::asprintf("%s %3d", kColourNames[control], value));
}

void CLiveTab::SelectColourChannel(int32_t channel) {
  colourChannel_ = static_cast<uint32_t>(channel);
  const int32_t target = TargetOf(channel);
  for (int c = 0; c < 4; ++c) {
    const int32_t value = target >= 0 && colours_[c][target] >= 0 ? colours_[c][target] : kColourDefaults[c];
    auto* slider = ItemAs<QSlider>(ids::kSliders + c);
    const QSignalBlocker quiet(slider);
    slider->setRange(0, 255);
    slider->setValue(value);
    ShowColourLabel(static_cast<Colour>(c), value);
  }
}

// ---- Grid ----

void CLiveTab::OnGridNotify(const nuvix::GridEvent& event) {
  const auto column = static_cast<uint32_t>(event.column);
  const auto row = static_cast<uint32_t>(event.row);
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
      // Repeats, the wheel and double clicks never toggle a scan mode.
      if (!event.IsSinglePress()) return;
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
  const uint32_t result = vertical ? NUVIXI_READ_VSCALE_FILTER_Y(board_, colourChannel_, &value)
                                   : NUVIXI_READ_HSCALE_FILTER_Y(board_, colourChannel_, &value);
  // Only a failure is logged: the buttons then keep what they showed.
  LogFailure(Owner(), result, "NUVIXI_READ_%cSCALE_FILTER_Y(%X,%X)", vertical ? 'V' : 'H', board_, colourChannel_);
  if (result == NUVIXI_SUCCESS && value >= 0 && value <= 3)
    nuvix::win::SetChecked(ItemAs<QAbstractButton>((vertical ? ids::kVFilters : ids::kHFilters) + value), true);
}

void CLiveTab::WriteFilter(bool vertical) {
  const int32_t value = vertical ? vFilter_ : hFilter_;
  const uint32_t result = vertical ? NUVIXI_WRITE_VSCALE_FILTER_Y(board_, colourChannel_, &value)
                                   : NUVIXI_WRITE_HSCALE_FILTER_Y(board_, colourChannel_, &value);
  LogFailure(Owner(), result, "NUVIXI_WRITE_%cSCALE_FILTER_Y(%X,%X,%X)", vertical ? 'V' : 'H', board_, colourChannel_,
             value);
}

void CLiveTab::SetTvOut(int32_t on) {
  tvOut_ = on;
  ItemAs<QLabel>(ids::kTvState)->setText(on ? " ENABLE " : " DISABLE ");
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
  const OsdFontConfig config;
  const NUVIXI_RESULT result =
      NUVIXI_XED_FONT_CONFIG(board_, reinterpret_cast<const uint8_t*>(&config), sizeof config);
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
