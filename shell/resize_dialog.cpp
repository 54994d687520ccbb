#include "resize_dialog.h"

#include <QResizeEvent>
#include <algorithm>

namespace {

constexpr int kStepX = 8;
constexpr int kStepY = 4;
constexpr QSize kMinimumTrackSize(325, 220);

}  // namespace

CResizeDialog::CResizeDialog(QSize clientSize, QWidget* parent)
    : CWinDialog(parent),
      client_(new QWidget(this)),
      hBar_(new QScrollBar(Qt::Horizontal, this)),
      vBar_(new QScrollBar(Qt::Vertical, this)) {
  client_->setObjectName(QStringLiteral("client"));
  const int extent = vBar_->sizeHint().width();
  resize(clientSize.width() + extent, clientSize.height() + extent);
  LayoutBars();
  for (QScrollBar* bar : {hBar_, vBar_}) {
    bar->setRange(0, 1);
    const Qt::Orientation o = bar->orientation();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, o](int action) { OnBarAction(o, action); });
  }
}

void CResizeDialog::InitResize() {
  hBar_->setRange(0, 1);
  vBar_->setRange(0, 1);
  initialClient_ = client_->size();
  initialWindow_ = size();
  hPos_ = vPos_ = hMax_ = vMax_ = 0;
  active_ = true;
  setSizeGripEnabled(false);
  setWindowFlags((windowFlags() & ~Qt::MSWindowsFixedSizeDialogHint) | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
  setMinimumSize(kMinimumTrackSize);
  setMaximumSize(initialWindow_);
}

void CResizeDialog::LayoutBars() {
  const int extent = vBar_->sizeHint().width();
  const int w = std::max(0, width() - extent);
  const int h = std::max(0, height() - extent);
  client_->setGeometry(0, 0, w, h);
  hBar_->setGeometry(0, h, w, extent);
  vBar_->setGeometry(w, 0, extent, h);
}

void CResizeDialog::resizeEvent(QResizeEvent* event) {
  CWinDialog::resizeEvent(event);
  LayoutBars();
  if (!active_ || isMinimized()) return;
  hMax_ = std::max(0, (initialClient_.width() - client_->width()) / kStepX);
  vMax_ = std::max(0, (initialClient_.height() - client_->height()) / kStepY);
  const int newH = std::min(hPos_, hMax_);
  const int newV = std::min(vPos_, vMax_);
  ScrollContent((hPos_ - newH) * kStepX, (vPos_ - newV) * kStepY);
  hPos_ = newH;
  vPos_ = newV;
  SetBarRange(hBar_, hMax_, hPos_);
  SetBarRange(vBar_, vMax_, vPos_);
}

void CResizeDialog::SetBarRange(QScrollBar* bar, int max, int pos) {
  settingBars_ = true;
  bar->setRange(0, max == 0 ? 1 : max);
  bar->setValue(pos);
  settingBars_ = false;
}

void CResizeDialog::OnScroll(Qt::Orientation orientation, int code, int thumb) {
  if (!active_) return;
  const bool horizontal = orientation == Qt::Horizontal;
  int& pos = horizontal ? hPos_ : vPos_;
  const int max = horizontal ? hMax_ : vMax_;
  int delta = 0;
  switch (code) {
    case LineUp: delta = -1; break;
    case LineDown: delta = 1; break;
    case PageUp: delta = -4; break;
    case PageDown: delta = 4; break;
    case ThumbTrack: delta = thumb - pos; break;
    case Top: delta = -pos; break;
    case Bottom: delta = max - pos; break;
    default: return;
  }
  if (delta == 0) return;
  if (pos + delta <= 0) delta = -pos;
  else if (pos + delta >= max) delta = max - pos;
  pos += delta;
  if (horizontal) ScrollContent(-delta * kStepX, 0);
  else ScrollContent(0, -delta * kStepY);
  SetBarRange(horizontal ? hBar_ : vBar_, max, pos);
}

void CResizeDialog::OnBarAction(Qt::Orientation orientation, int action) {
  if (settingBars_) return;
  QScrollBar* bar = ScrollBar(orientation);
  const int proposed = bar->sliderPosition();
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: OnScroll(orientation, LineUp); break;
    case QAbstractSlider::SliderSingleStepAdd: OnScroll(orientation, LineDown); break;
    case QAbstractSlider::SliderPageStepSub: OnScroll(orientation, PageUp); break;
    case QAbstractSlider::SliderPageStepAdd: OnScroll(orientation, PageDown); break;
    case QAbstractSlider::SliderToMinimum: OnScroll(orientation, Top); break;
    case QAbstractSlider::SliderToMaximum: OnScroll(orientation, Bottom); break;
    case QAbstractSlider::SliderMove: OnScroll(orientation, ThumbTrack, proposed); break;
    default: break;
  }
  // The position follows our own arithmetic, not the bar's.
  bar->setSliderPosition(ScrollPos(orientation));
}

void CResizeDialog::ScrollContent(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  for (QObject* child : client_->children()) {
    if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
      widget->move(widget->pos() + QPoint(dx, dy));
  }
}
