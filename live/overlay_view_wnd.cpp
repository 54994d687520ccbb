#include "overlay_view_wnd.h"

#include <libyuv/convert_argb.h>

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ddraw_emu.h"
#include "overlay_placer.h"

namespace {

QColor FromColourRef(uint32_t c) { return QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF); }

}  // namespace

RECT ViewWindowFrame(int width, int height, int frame, int screenWidth, int screenHeight) {
  RECT r{100 - frame, 100 - frame, 100 + width + frame, 100 + height + frame};
  const int outerWidth = r.right - r.left, outerHeight = r.bottom - r.top;
  if (outerWidth < screenWidth && outerHeight < screenHeight) {
    r.left = (screenWidth - outerWidth) / 2;
    r.top = (screenHeight - outerHeight) / 2;
  } else {
    r.left = 0;
    r.top = 0;
  }
  r.right = r.left + outerWidth;
  r.bottom = r.top + outerHeight;
  return r;
}

COverlayViewWnd::COverlayViewWnd() : QWidget(nullptr, Qt::Window) {}

void COverlayViewWnd::Create(int width, int height, uint32_t colourKey) {
  const auto adapter = nuvix::ddraw::CurrentAdapter();
  placement_ = ViewWindowFrame(width, height, kSizingFrame, adapter.screenWidth, adapter.screenHeight);
  key_ = FromColourRef(colourKey);
  setWindowTitle(QStringLiteral("Overlay View Window"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setGeometry(placement_.left + kSizingFrame, placement_.top + kSizingFrame, width, height);
  show();
  update();
}

void COverlayViewWnd::Attach(COverlayPlacer* placer) {
  placer_ = placer;
  attached_ = true;
  if (placer_) placer_->UpdatePosition(1);
  const uint32_t fieldRate = placer_ && placer_->Info().height == 576 ? 25 : 30;
  refresh_.start(static_cast<int>(1000 / fieldRate), this);
}

void COverlayViewWnd::Detach() {
  refresh_.stop();
  attached_ = false;
  placer_ = nullptr;
}

void COverlayViewWnd::Reposition() {
  if (attached_ && placer_) placer_->UpdatePosition(1);
}

const QImage& COverlayViewWnd::Compose() {
  if (composed_.size() != size()) composed_ = QImage(size(), QImage::Format_RGB32);
  composed_.fill(key_);
  const OverlayInfo* info = attached_ && placer_ ? &placer_->Info() : nullptr;
  if (!info || !info->overlay) return composed_;
  // The surface is read as the adapter's scan-out reads it: while the board writes.
  const nuvix::ddraw::ScanOut scan = info->overlay->Scan();
  if (!scan.overlay.shown || !scan.memory) return composed_;
  const int w = static_cast<int>(scan.width), h = static_cast<int>(scan.height);
  if (converted_.width() != w || converted_.height() != h) converted_ = QImage(w, h, QImage::Format_RGB32);
  auto convert = scan.fourcc == nuvix::ddraw::kFourccYuy2 ? libyuv::YUY2ToARGB : libyuv::UYVYToARGB;
  convert(scan.memory, scan.pitch, converted_.bits(), static_cast<int>(converted_.bytesPerLine()), w, h);

  const RECT& s = scan.overlay.source;
  const RECT& d = scan.overlay.destination;
  const QPoint origin = geometry().topLeft();
  const QRect target(d.left - origin.x(), d.top - origin.y(), d.right - d.left, d.bottom - d.top);
  const QRect source(s.left, s.top, s.right - s.left, s.bottom - s.top);
  QPainter painter(&composed_);
  if (target.size() == source.size()) {
    painter.drawImage(target.topLeft(), converted_, source);
  } else {
    painter.drawImage(target, converted_, source);
  }
  return composed_;
}

void COverlayViewWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Compose());
}

void COverlayViewWnd::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  Reposition();
}

void COverlayViewWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Reposition();
}

// The window is dragged by any point of its client area, like by its caption.
void COverlayViewWnd::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void COverlayViewWnd::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
}

void COverlayViewWnd::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void COverlayViewWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

void COverlayViewWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != refresh_.timerId()) return QWidget::timerEvent(event);
  if (attached_ && placer_ && placer_->Info().overlay && placer_->Info().overlay->Scan().overlay.shown) update();
}
