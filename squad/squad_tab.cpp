#include "squad_tab.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSlider>
#include <QTimerEvent>
#include <algorithm>
#include <cstring>

#include "board_tables.h"
#include "division_picture.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "squad_layouts.h"
#include "squad_preview.h"
#include "zmb.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

// The controls sit inside a frame that carries the dialog's caption; the
// picture of the division fills the space below them.
constexpr int kButtonX = 4, kButtonStep = 23, kButtonW = 22, kButtonY = 14, kButtonH = 14;

constexpr ControlSpec LayoutButton(int layout, const char* caption) {
  return {CSquadTab::LayoutButtonId(layout), ControlKind::PushLikeRadio, caption,
          kButtonX + (layout - 1) * kButtonStep, kButtonY, kButtonW, kButtonH};
}

constexpr ControlSpec kControls[] = {
    {0, ControlKind::GroupBox, "Software Screen Division Mode", 0, 0, 334, 244},
    LayoutButton(1, "1CH"),   LayoutButton(2, "3CH"),   LayoutButton(3, "4CH"),   LayoutButton(4, "5CH"),
    LayoutButton(5, "6CH"),   LayoutButton(6, "7CH"),   LayoutButton(7, "8CH"),   LayoutButton(8, "9CH"),
    LayoutButton(9, "10CH"),  LayoutButton(10, "12CH"), LayoutButton(11, "13CH"), LayoutButton(12, "16CH"),
    LayoutButton(13, "20CH"), LayoutButton(14, "30CH"),
    {CSquadTab::kIdStartText, ControlKind::Static, "Start channel number : 0", 4, 36, 160, 10},
    {CSquadTab::kIdSlider, ControlKind::Trackbar, "", 4, 48, 326, 16},
};
constexpr int kPreviewX = 4, kPreviewY = 68, kPreviewW = 326, kPreviewH = 172;
constexpr int kPreviewIntervalMs = 250;

// Labels and borders of the cells.
constexpr int32_t kBorderThickness = 80;
constexpr ZMB_COLOUR kBorderColour = 0x101010, kOutlineColour = 0x141414, kTextColour = 0xFFFFFF;
constexpr int32_t kLabelDx = 44, kLabelDy = 12, kOutlineStyle = 2;

}  // namespace

CSquadTab::CSquadTab() : CTabDialog(196) {}

CSquadTab::~CSquadTab() {
  // No frame may reach the renderer once it is being deleted.
  if (Owner()) Owner()->SetScreenDivision(nullptr);
  const uint32_t result = NUVIXI_SQUAD_OFF(BoardIndex());
  LogResult(Owner(), result, 0, "NUVIXI_SQUAD_OFF(%X)", BoardIndex());
  if (renderer_) ZMB_DELETE_BOARD(renderer_->index);
  renderer_.reset();
}

void CSquadTab::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int standard) {
  CTabDialog::Init(owner, boardIndex, caps, standard);
  standard_ = standard ? 1 : 0;
  channelCount_ = static_cast<int32_t>(caps.CaptureChannels());
}

void CSquadTab::OnInitDialog() {
  BuildTemplate(kControls);
  preview_ = new CSquadPreview(this);
  preview_->setGeometry(nuvix::win::DialogUnitsToPixels(kPreviewX, kPreviewY, kPreviewW, kPreviewH));
  for (int layout = 1; layout <= nuvix::kSquadLayouts; ++layout)
    connect(ItemAs<QAbstractButton>(LayoutButtonId(layout)), &QAbstractButton::clicked, this,
            [this, layout] { OnLayoutButton(layout); });
  auto* slider = ItemAs<QSlider>(kIdSlider);
  startChannel_ = 0;
  slider->setRange(0, std::max(channelCount_ - 1, 0));
  slider->setValue(0);
  connect(slider, &QSlider::valueChanged, this, [this] { OnSliderScroll(); });

  const uint32_t result = NUVIXI_SQUAD_ON(BoardIndex(), &merged_, &image_, &osd_);
  LogResult(Owner(), result, 0, "NUVIXI_SQUAD_ON(%X)", BoardIndex());
  if (result != NUVIXI_SUCCESS) {
    merged_ = image_ = osd_ = nullptr;
    return;
  }
  CreateRenderer();
  ApplyLayout(kInitialLayout, startChannel_);
  nuvix::win::SetChecked(ItemAs<QAbstractButton>(LayoutButtonId(kInitialLayout)), true);
  LogUpdate();
  if (Owner()) Owner()->SetScreenDivision(&entry_);
  previewTimer_ = startTimer(kPreviewIntervalMs);
}

void CSquadTab::CreateRenderer() {
  renderer_ = std::make_unique<Renderer>();
  renderer_->standard = standard_;
  ZMB_CREATE_BOARD(standard_, &renderer_->index, 1, merged_, image_, osd_);
  renderer_->labelsOn = 1;
  ZMB_SET_OSDFNT(renderer_->index, 10, 22, 700, 0, "System");
  renderer_->bordersOn = 1;
  imageCopy_.resize(static_cast<size_t>(nuvix::kDivisionWidth) * 2 * Lines());
}

void CSquadTab::ApplyLayout(int layout, int startChannel) {
  const int n = nuvix::SquadCellCount(layout);
  if (!renderer_ || n == 0) return;
  Renderer& r = *renderer_;
  ZMB_CLEAR_ALLCELL(r.index);
  for (int p = 0; p < n; ++p) {
    r.cells[p] = (p + startChannel) & 31;
    const RECT rect = nuvix::SquadCellRect(r.standard, layout, p);
    ZMB_REGIST_CELL(r.index, r.cells[p], &rect);
  }
  // Held while the surfaces are cleared and relabelled, so frames stay out.
  ZMB_CHANGE_CELLTBL(r.index, r.cells.data(), n, 1, 1);
  ZMB_RENDER_IMG_CLEAR(r.index);
  ZMB_RENDER_GDI_CLEAR(r.index);
  if (r.bordersOn) ZMB_RENDER_GDI_CELL_BORDER(r.index, kBorderThickness, kBorderColour);
  if (r.labelsOn) {
    for (int p = 0; p < n; ++p) {
      const RECT rect = nuvix::SquadCellRect(r.standard, layout, p);
      const QByteArray label = QString::asprintf("CH %2d", r.cells[p]).toLatin1();
      ZMB_RENDER_GDI_STRING(r.index, rect.left + kLabelDx, rect.top + kLabelDy, label.constData(), kOutlineColour,
                            kTextColour, kOutlineStyle);
    }
  }
  ZMB_RENDER_OSD_SURFACE(r.index);
  ZMB_CHANGE_CELLTBL(r.index, r.cells.data(), n, 1, 0);
  currentLayout_ = layout;
  LogUpdate();
  if (isVisible()) RefreshPreview();
}

void CSquadTab::LogUpdate() {
  const uint32_t result = NUVIXI_SQUAD_UPT(BoardIndex());
  LogResult(Owner(), result, 0, "NUVIXI_SQUAD_UPT(%X)", BoardIndex());
}

void CSquadTab::OnLayoutButton(int layout) { ApplyLayout(layout, startChannel_); }

void CSquadTab::OnSliderScroll() {
  const int position = ItemAs<QSlider>(kIdSlider)->value();
  if (position == startChannel_) return;
  startChannel_ = position;
  ApplyLayout(currentLayout_, startChannel_);
  ItemAs<QLabel>(kIdStartText)->setText(QString::asprintf("Start channel number : %02d", startChannel_));
}

void CSquadTab::OnCameraFrame(int32_t channel, const void* image, int32_t width, int32_t height) {
  if (!renderer_) return;
  {
    std::lock_guard lock(imageMutex_);
    ZMB_RENDER_IMG_CELL(renderer_->index, channel, image, width, height);
  }
  // Runs for every captured frame, up to 240 times a second: only the start
  // of a failure is logged.
  if (const uint32_t result = NUVIXI_SQUAD_UPT(BoardIndex()); frameUpdate_.Starts(result))
    LogResult(Owner(), result, 0, "NUVIXI_SQUAD_UPT(%X)", BoardIndex());
}

void CSquadTab::RefreshPreview() {
  if (!renderer_) return;
  {
    std::lock_guard lock(imageMutex_);
    std::memcpy(imageCopy_.data(), image_, imageCopy_.size());
  }
  preview_->SetPicture(
      nuvix::ComposeDivisionPicture(imageCopy_.data(), static_cast<const uint8_t*>(osd_), Lines()));
}

void CSquadTab::showEvent(QShowEvent* event) {
  CTabDialog::showEvent(event);
  RefreshPreview();
}

void CSquadTab::timerEvent(QTimerEvent* event) {
  if (event->timerId() != previewTimer_) return CTabDialog::timerEvent(event);
  if (isVisible()) RefreshPreview();
}
