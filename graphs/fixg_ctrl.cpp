#include "fixg_ctrl.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QStyle>
#include <QTimerEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "cell_images.h"
#include "colorref.h"
#include "gdi_font.h"

namespace nuvix {

namespace {

constexpr uint32_t kRaisedShadow = 0x606060;
constexpr uint32_t kRaisedLight = 0xEFEFEF;
constexpr int kMaxFaceLength = 259;
constexpr int kMaxCellExtent = 2000;

// Tenths of a value, saturated so that huge values cannot overflow.
long long Tenths(double value) {
  const double scaled = std::trunc(value * 10.0);
  if (std::isnan(scaled)) return 0;
  return static_cast<long long>(std::clamp(scaled, -2147483647.0, 2147483647.0));
}

QString WithOneDecimal(long long tenths) {
  const long long mag = tenths < 0 ? -tenths : tenths;
  return QStringLiteral("%1%2.%3")
      .arg(tenths < 0 ? QStringLiteral("-") : QString())
      .arg(mag / 10)
      .arg(mag % 10);
}

QString Whole(long long tenths) { return QString::number(tenths / 10); }

}  // namespace

CFixGCtrl::CFixGCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setRange(0, 0);
    bar->setSingleStep(kFixGLineStep);
    bar->setPageStep(kFixGPageStep);
  }
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

CFixGCtrl::~CFixGCtrl() { m_repeat.stop(); }

CFixGCtrl::Cell* CFixGCtrl::At(int column, int row) {
  if (column < 0 || row < 0 || column >= m_cols || row >= m_rows) return nullptr;
  return &m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_cols) +
                  static_cast<size_t>(column)];
}

const CFixGCtrl::Cell* CFixGCtrl::At(int column, int row) const {
  return const_cast<CFixGCtrl*>(this)->At(column, row);
}

bool CFixGCtrl::IsHeader(int column, int row) const {
  return column < m_props.headerCols || row < m_props.headerRows;
}

void CFixGCtrl::Apply(const FixGProps& props) {
  m_props = props;
  m_props.fontFace.truncate(kMaxFaceLength);
  m_cols = std::clamp<int>(props.cols, 0, kFixGMaxCells);
  m_rows = std::clamp<int>(props.rows, 0, kFixGMaxCells);
  m_cells.assign(static_cast<size_t>(m_cols) * static_cast<size_t>(m_rows), Cell{});
  m_font = MakeGdiFont(m_props.fontFace, m_props.fontHeight, m_props.fontWidth,
                       m_props.fontWeight, m_props.italic != 0, m_props.underline != 0);
  m_images = LoadCellImages(m_props.imageStrip);

  // The old layout no longer matches the new cells.
  m_laidOut = false;
  m_tableLayer = QImage();
  m_overlay = QImage();
  m_table = QRect();
  m_visible = QSize();
  m_hoverShown = false;
  m_underMouse = m_pressed = QPoint(-1, -1);
  m_repeat.stop();
  viewport()->update();
}

void CFixGCtrl::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= m_cols) return;
  for (int row = 0; row < m_rows; ++row) At(column, row)->width = std::clamp(width, 1, kMaxCellExtent);
}

void CFixGCtrl::SetRowHeight(int row, int height) {
  if (row < 0 || row >= m_rows) return;
  for (int column = 0; column < m_cols; ++column)
    At(column, row)->height = std::clamp(height, 1, kMaxCellExtent);
}

void CFixGCtrl::Layout() {
  if (m_cells.empty()) return;

  // Neighbouring cells share their one-pixel border line.
  for (int row = 0; row < m_rows; ++row) {
    for (int column = 0; column < m_cols; ++column) {
      Cell* cell = At(column, row);
      const Cell* above = At(column, row - 1);
      const Cell* before = At(column - 1, row);
      const int top = above ? above->rect.y() + above->rect.height() - 1 : 0;
      const int left = before ? before->rect.x() + before->rect.width() - 1 : 0;
      cell->rect = QRect(left, top, cell->width, cell->height);
    }
  }
  const QRect& lastColumn = At(m_cols - 1, 0)->rect;
  const QRect& lastRow = At(0, m_rows - 1)->rect;
  m_table = QRect(0, 0, lastColumn.x() + lastColumn.width(), lastRow.y() + lastRow.height());

  UpdateScrollGeometry();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);

  if (m_tableLayer.size() != m_table.size())
    m_tableLayer = QImage(m_table.size(), QImage::Format_RGB32);
  if (m_overlay.size() != m_table.size()) m_overlay = QImage(m_table.size(), QImage::Format_RGB32);
  if (m_tableLayer.isNull() || m_overlay.isNull()) {
    m_tableLayer = m_overlay = QImage();
    return;
  }
  m_tableLayer.fill(ColorFromRef(m_props.backColor));
  {
    QPainter painter(&m_tableLayer);
    const QColor line = ColorFromRef(m_props.lineColor);
    for (const Cell& cell : m_cells) painter.fillRect(cell.rect, line);
  }
  for (int row = 0; row < m_rows; ++row) {
    for (int column = 0; column < m_cols; ++column) {
      if (IsHeader(column, row))
        PaintRaised(At(column, row)->rect);
      else
        PaintFlat(At(column, row)->rect);
    }
  }
  m_overlay.fill(Qt::white);
  m_hoverShown = false;

  m_laidOut = true;
  show();
  viewport()->update();
}

void CFixGCtrl::UpdateScrollGeometry() {
  const int frame = frameWidth();
  const QSize avail(width() - 2 * frame, height() - 2 * frame);
  const int hbarHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, horizontalScrollBar());
  const int vbarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
  const int hTake = avail.width() < m_table.width() ? hbarHeight : 0;
  const int vTake = avail.height() - hTake < m_table.height() ? vbarWidth : 0;
  const bool showH = avail.width() - vTake < m_table.width();
  const bool showV = avail.height() - hTake < m_table.height();

  const auto policy = [](bool show) { return show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
  if (horizontalScrollBarPolicy() != policy(showH)) setHorizontalScrollBarPolicy(policy(showH));
  if (verticalScrollBarPolicy() != policy(showV)) setVerticalScrollBarPolicy(policy(showV));

  m_client = QSize(std::max(0, avail.width() - (showV ? vbarWidth : 0)),
                   std::max(0, avail.height() - (showH ? hbarHeight : 0)));
  horizontalScrollBar()->setRange(0, showH ? std::max(0, m_table.width() - m_client.width()) : 0);
  verticalScrollBar()->setRange(0, showV ? std::max(0, m_table.height() - m_client.height()) : 0);
  m_visible = QSize(std::min(m_table.width(), m_client.width()),
                    std::min(m_table.height(), m_client.height()));
}

void CFixGCtrl::PaintFlat(const QRect& r) {
  if (m_tableLayer.isNull()) return;
  QPainter painter(&m_tableLayer);
  painter.fillRect(r.adjusted(1, 1, -1, -1), ColorFromRef(m_props.cellColor));
}

void CFixGCtrl::PaintRaised(const QRect& r) {
  if (m_tableLayer.isNull()) return;
  QPainter painter(&m_tableLayer);
  painter.fillRect(r.adjusted(1, 1, 0, 0), ColorFromRef(kRaisedShadow));
  painter.fillRect(r.adjusted(1, 1, -1, -1), ColorFromRef(kRaisedLight));
  painter.fillRect(r.adjusted(2, 2, -1, -1), ColorFromRef(m_props.headerColor));
}

void CFixGCtrl::SetCellStyle(int column, int row, int active, uint32_t flags) {
  Cell* cell = At(column, row);
  if (!cell || cell->flags == flags) return;
  cell->flags = flags;
  cell->active = active;
  if (!m_laidOut) return;
  if (flags & kCellInactive)
    PaintRaised(cell->rect);
  else if (!IsHeader(column, row))
    PaintFlat(cell->rect);
}

void CFixGCtrl::DrawCellFace(int column, int row) {
  const Cell* cell = At(column, row);
  if (cell && m_laidOut && !(cell->flags & kCellInactive)) PaintFlat(cell->rect);
}

void CFixGCtrl::DrawCellRaised(int column, int row) {
  const Cell* cell = At(column, row);
  if (cell && m_laidOut && (cell->flags & kCellInactive)) PaintRaised(cell->rect);
}

void CFixGCtrl::SetCellImage(int column, int row, int image) {
  Cell* cell = At(column, row);
  if (!cell || !(cell->flags & kCellImage) || !m_laidOut || m_tableLayer.isNull()) return;
  if (image < 0 || image >= static_cast<int>(m_images.size())) return;
  cell->image = image;
  const QRect& r = cell->rect;
  const QPoint at = cell->flags == kCellImage
                        ? QPoint(r.x() + (r.width() - kCellImageSize) / 2,
                                 r.y() + (r.height() - kCellImageSize) / 2)
                        : QPoint(r.x() + 1, r.y() + 1);
  QPainter painter(&m_tableLayer);
  painter.drawImage(at, m_images[static_cast<size_t>(image)]);
}

QString CFixGCtrl::FormatNumber(double value) {
  const long long tenths = Tenths(value);
  return tenths % 10 != 0 ? WithOneDecimal(tenths) : Whole(tenths);
}

QString CFixGCtrl::FormatNumberFixed(double value, bool decimal) {
  const long long tenths = Tenths(value);
  return decimal ? WithOneDecimal(tenths) : Whole(tenths);
}

void CFixGCtrl::SetCellNumber(int column, int row, double value, const QFont* font,
                              uint32_t colour) {
  Cell* cell = At(column, row);
  if (!cell || !(cell->flags & kCellNumber) || !m_laidOut) return;
  DrawString(*cell, FormatNumber(value), font, colour, true);
}

void CFixGCtrl::SetCellNumberFixed(int column, int row, double value, bool decimal,
                                   const QFont* font, uint32_t colour) {
  Cell* cell = At(column, row);
  if (!cell || !(cell->flags & kCellNumber) || !m_laidOut) return;
  DrawString(*cell, FormatNumberFixed(value, decimal), font, colour, true);
}

void CFixGCtrl::SetCellText(int column, int row, const QString& text, const QFont* font,
                            uint32_t colour) {
  Cell* cell = At(column, row);
  if (!cell || !(cell->flags & kCellText)) return;
  cell->text = text;
  if (m_laidOut) DrawString(*cell, cell->text, font, colour, cell->flags == kCellText);
}

void CFixGCtrl::DrawString(Cell& cell, const QString& text, const QFont* font,
                           uint32_t colour, bool centred) {
  if (m_tableLayer.isNull()) return;
  QPainter painter(&m_tableLayer);
  painter.setFont(font ? *font : m_font);
  painter.setPen(ColorFromRef(colour));
  painter.setBackgroundMode(Qt::TransparentMode);
  // Long texts stay inside their own cell instead of running over the neighbours.
  painter.setClipRect(cell.rect.adjusted(1, 1, -1, -1));
  const QFontMetrics metrics = painter.fontMetrics();
  const int advance = metrics.horizontalAdvance(text);
  const QRect& r = cell.rect;
  cell.clipped = advance > r.width() - 2 || 3 + metrics.height() > r.height();
  const int x = centred ? r.x() + r.width() / 2 - advance / 2 : r.x() + r.width() - 1 - advance;
  painter.drawText(QPoint(x, r.y() + 3 + metrics.ascent()), text);
}

QPoint CFixGCtrl::ScrollPos() const {
  if (!m_laidOut) return QPoint(0, 0);
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CFixGCtrl::ComposeInto(QPainter& painter, const QRect& client) const {
  if (client.isEmpty() || m_tableLayer.isNull()) return;
  const QRect source = client.translated(ScrollPos());
  QImage composed(client.size(), QImage::Format_RGB32);
  {
    QPainter p(&composed);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), m_tableLayer, source);
    // White leaves the table as it is, the black hover frame shows.
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(QPoint(0, 0), m_overlay, source);
  }
  painter.drawImage(client.topLeft(), composed);
}

QImage CFixGCtrl::ComposedImage() const {
  if (!m_laidOut || m_visible.isEmpty()) return QImage();
  QImage image(m_visible, QImage::Format_RGB32);
  QPainter painter(&image);
  ComposeInto(painter, QRect(QPoint(0, 0), m_visible));
  return image;
}

void CFixGCtrl::Redraw(QPainter* target) {
  if (!m_laidOut) return;
  if (target)
    ComposeInto(*target, QRect(QPoint(0, 0), m_visible));
  else
    viewport()->update();
}

void CFixGCtrl::RedrawCell(int column, int row) {
  const Cell* cell = At(column, row);
  if (!cell || !m_laidOut) return;
  const QRect area = cell->rect.translated(-ScrollPos()) & QRect(QPoint(0, 0), m_visible);
  if (!area.isEmpty()) viewport()->update(area);
}

QRect CFixGCtrl::CellRect(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell && m_laidOut ? cell->rect : QRect();
}

uint32_t CFixGCtrl::CellFlags(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell ? cell->flags : 0;
}

int CFixGCtrl::CellActive(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell ? cell->active : 0;
}

QString CFixGCtrl::CellText(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell ? cell->text : QString();
}

bool CFixGCtrl::CellClipped(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell && cell->clipped;
}

int CFixGCtrl::CellImage(int column, int row) const {
  const Cell* cell = At(column, row);
  return cell ? cell->image : 0;
}

QPoint CFixGCtrl::HitTest(QPoint client) const {
  if (!m_laidOut) return QPoint(-1, -1);
  const QPoint table = client + ScrollPos();
  // Rows and columns in ascending order: a shared line belongs to the upper or left cell.
  for (int row = 0; row < m_rows; ++row) {
    const QRect& first = At(0, row)->rect;
    if (table.y() < first.y() || table.y() >= first.y() + first.height()) continue;
    for (int column = 0; column < m_cols; ++column) {
      if (At(column, row)->rect.contains(table)) return QPoint(column, row);
    }
  }
  return QPoint(-1, -1);
}

void CFixGCtrl::Notify(uint32_t message, QPoint cell) { emit Notified(GridEvent::FromMessage(message, cell)); }

void CFixGCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect visible = m_laidOut ? QRect(QPoint(0, 0), m_visible) : QRect();
  const QRect dirty = event->rect();
  ComposeInto(painter, dirty & visible);
  const QColor back = ColorFromRef(m_props.backColor);
  for (const QRect& r : QRegion(dirty) - QRegion(visible)) painter.fillRect(r, back);
}

void CFixGCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (m_laidOut) UpdateScrollGeometry();
}

void CFixGCtrl::Press(QMouseEvent* event) {
  event->accept();
  setFocus(Qt::MouseFocusReason);
  uint32_t message = 0;
  if (event->button() == Qt::LeftButton)
    message = kFixGLButtonDown;
  else if (event->button() == Qt::RightButton)
    message = kFixGRButtonDown;
  else
    return;
  const QPoint hit = HitTest(event->position().toPoint());
  const Cell* cell = At(hit.x(), hit.y());
  if (!cell || (cell->flags & kCellInactive) || !cell->active) return;
  m_pressed = hit;
  m_underMouse = hit;  // the press itself says where the mouse is
  m_pressMessage = message | kFixGRepeatBit;
  m_repeat.start(kFixGRepeatMs, Qt::PreciseTimer, this);
  Notify(message, hit);
}

void CFixGCtrl::mousePressEvent(QMouseEvent* event) { Press(event); }

// No double clicks: the second press of one is a press like any other.
void CFixGCtrl::mouseDoubleClickEvent(QMouseEvent* event) { Press(event); }

void CFixGCtrl::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  m_pressed = QPoint(-1, -1);
  m_repeat.stop();
}

void CFixGCtrl::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  // Off every cell nothing is under the mouse, so a held press pauses.
  m_underMouse = QPoint(-1, -1);
  const QPoint point = event->position().toPoint();
  if (!m_laidOut || !QRect(QPoint(0, 0), m_visible).contains(point)) return;
  const QPoint hit = HitTest(point);
  if (hit.x() < 0) return;
  m_underMouse = hit;
  if (m_hoverShown && hit == m_hover) return;
  if (m_overlay.isNull()) return;
  QPainter painter(&m_overlay);
  if (m_hoverShown) {
    painter.fillRect(At(m_hover.x(), m_hover.y())->rect, Qt::white);
    RedrawCell(m_hover.x(), m_hover.y());
  }
  m_hover = hit;
  m_hoverShown = true;
  const QRect& r = At(hit.x(), hit.y())->rect;
  painter.fillRect(r, Qt::black);
  painter.fillRect(r.adjusted(2, 2, -2, -2), Qt::white);
  RedrawCell(hit.x(), hit.y());
}

void CFixGCtrl::wheelEvent(QWheelEvent* event) {
  // The wheel is reported, never used to scroll the table.
  event->accept();
  setFocus(Qt::MouseFocusReason);
  const int delta = std::clamp(event->angleDelta().y(), -32768, 32767);
  if (delta == 0) return;
  const QPoint hit = HitTest(event->position().toPoint());
  const Cell* cell = At(hit.x(), hit.y());
  if (!cell || (cell->flags & kCellInactive) || !cell->active) return;
  const uint32_t high = static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(delta)));
  Notify((high << 16) + kFixGWheel, hit);
}

void CFixGCtrl::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void CFixGCtrl::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_repeat.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (m_pressed.x() >= 0 && m_pressed == m_underMouse) Notify(m_pressMessage, m_pressed);
}

void CFixGCtrl::scrollContentsBy(int /*dx*/, int /*dy*/) { viewport()->update(); }

}  // namespace nuvix
