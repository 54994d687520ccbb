#include "os_ctrl.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "colorref.h"
#include "gdi_font.h"

namespace nuvix {

namespace {

constexpr int kMaxTitleLength = 259;
constexpr int kRowPitch = 10;
constexpr int kDotPitch = 3;

QString VoltLabel(double volts) { return QString::asprintf("%2.1fv", volts); }

void DrawRightAligned(QPainter& painter, int right, int top, const QString& text) {
  const QFontMetrics metrics = painter.fontMetrics();
  painter.drawText(QPoint(right - metrics.horizontalAdvance(text), top + metrics.ascent()), text);
}

}  // namespace

COSCtrl::COSCtrl(const OSCtrlProps& props) : m_props(props) {
  m_props.title.truncate(kMaxTitleLength);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kEdge);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

COSCtrl::~COSCtrl() = default;

bool COSCtrl::Create(const QRect& rect, QWidget* parent, int id) {
  if (m_created) return false;
  setParent(parent);
  setGeometry(rect);
  m_id = id;
  m_created = true;
  UpdateGeometry();
  DrawBackground();
  SetUpTrace();
  show();
  update();
  return true;
}

void COSCtrl::UpdateGeometry() {
  const QSize size = contentsRect().size();
  m_client = QRect(0, 0, std::max(0, size.width()), std::max(0, size.height()));
  m_plotLeft = m_client.left() + 30;
  m_plotTop = m_client.top() + 10;
  m_plotRight = m_client.left() + m_client.width() - 10;
  const int bottom = m_client.top() + m_client.height() - 20;
  // The bottom is raised so that the plot is a whole number of rows high.
  m_rowCount = std::max(0, bottom - m_plotTop) / kRowPitch;
  m_plotBottom = m_plotTop + kRowPitch * m_rowCount;
  m_gridRows.clear();
  for (int i = 1; i <= m_rowCount; ++i) m_gridRows.push_back(m_plotTop + kRowPitch * i);
  m_span = m_props.maxVolt - m_props.minVolt;
}

void COSCtrl::DrawBackground() {
  if (m_background.size() != m_client.size())
    m_background = QImage(m_client.size(), QImage::Format_RGB32);
  if (m_background.isNull()) return;
  const QColor back = ColorFromRef(m_props.backColor);
  const QColor grid = ColorFromRef(m_props.gridColor);
  m_background.fill(back);

  QPainter painter(&m_background);
  const int plotWidth = m_plotRight - m_plotLeft;
  const int plotHeight = m_plotBottom - m_plotTop;
  // Filling the grown plot and then the plot leaves a one-pixel frame.
  painter.fillRect(QRect(m_plotLeft - 1, m_plotTop - 1, plotWidth + 2, plotHeight + 2), grid);
  painter.fillRect(QRect(m_plotLeft, m_plotTop, plotWidth, plotHeight), back);
  painter.end();

  // The last row lies on the frame and is not dotted.
  const QRgb dot = PixelFromRef(m_props.gridColor);
  for (int i = 0; i + 1 < m_rowCount; ++i) {
    const int y = m_gridRows[static_cast<size_t>(i)];
    auto* line = reinterpret_cast<QRgb*>(m_background.scanLine(y));
    for (int x = m_plotLeft + 2; x < m_plotRight - 2; x += kDotPitch) {
      if (x >= 0 && x < m_background.width()) line[x] = dot;
    }
  }

  painter.begin(&m_background);
  painter.setFont(MakeGdiFont(QStringLiteral("Arial"), 14, 0, 300, false, false));
  painter.setPen(grid);
  painter.setBackground(back);
  painter.setBackgroundMode(Qt::OpaqueMode);
  const int labelRight = m_plotLeft - 4;
  DrawRightAligned(painter, labelRight, m_plotTop - 6, VoltLabel(m_props.maxVolt));
  // A plot too short for three labels keeps the two that do not overlap.
  if (plotHeight >= 2 * painter.fontMetrics().height()) {
    DrawRightAligned(painter, labelRight, m_plotTop + plotHeight / 2 - 6,
                     VoltLabel(m_props.minVolt + m_span / 2.0));
  }
  DrawRightAligned(painter, labelRight, m_plotBottom - 4, VoltLabel(m_props.minVolt));
  const QString title = QStringLiteral("OSCtrl : %1").arg(m_props.title);
  // A title wider than a small pane is drawn smaller rather than cut at both ends.
  if (QFont font = painter.font(); QFontMetrics(font).horizontalAdvance(title) > m_client.width() - 4) {
    font.setPixelSize(std::max(8, font.pixelSize() * (m_client.width() - 4) / QFontMetrics(font).horizontalAdvance(title)));
    painter.setFont(font);
  }
  const QFontMetrics metrics = painter.fontMetrics();
  const int centre = m_client.left() + m_client.width() / 2;
  painter.drawText(QPoint(centre - metrics.horizontalAdvance(title) / 2,
                          m_plotBottom + 8 + metrics.ascent()),
                   title);
}

void COSCtrl::SetUpTrace() {
  if (m_trace.size() != m_client.size()) m_trace = QImage(m_client.size(), QImage::Format_RGB32);
  if (!m_trace.isNull()) m_trace.fill(ColorFromRef(m_props.backColor));
}

int COSCtrl::RowFor(double value) const {
  const int height = m_plotBottom - m_plotTop;
  double offset = 0.0;
  if (m_span > 0.0 && !std::isnan(value)) offset = std::trunc(height * (value - m_props.minVolt) / m_span);
  // Values outside the range stay on the plot's edges instead of staining the labels.
  offset = std::clamp(offset, 0.0, static_cast<double>(height));
  return m_plotBottom - static_cast<int>(offset);
}

void COSCtrl::AddPoint(double value) {
  const int plotWidth = m_plotRight - m_plotLeft;
  if (m_trace.isNull() || m_rowCount == 0 || plotWidth < 4) return;
  const QRgb back = PixelFromRef(m_props.backColor);
  // The rows run through the plot bottom inclusive: the minimum is drawn there.
  for (int y = m_plotTop; y <= m_plotBottom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(m_trace.scanLine(y));
    std::memmove(line + m_plotLeft, line + m_plotLeft + 2,
                 static_cast<size_t>(plotWidth - 2) * sizeof(QRgb));
    line[m_plotRight - 2] = back;
    line[m_plotRight - 1] = back;
  }
  QPainter painter(&m_trace);
  painter.setPen(QPen(ColorFromRef(m_props.traceColor), 1));
  painter.drawLine(m_plotRight - 3, RowFor(m_previous), m_plotRight - 1, RowFor(value));
  m_previous = value;
}

void COSCtrl::Clear() {
  if (m_trace.isNull()) return;
  const int plotWidth = m_plotRight - m_plotLeft;
  if (m_rowCount > 0 && plotWidth > 0) {
    QPainter painter(&m_trace);
    painter.fillRect(QRect(m_plotLeft, m_plotTop, plotWidth, m_plotBottom - m_plotTop + 1),
                     ColorFromRef(m_props.backColor));
  }
  m_previous = kRestValue;
}

void COSCtrl::Compose(QImage& out) const {
  if (m_background.isNull() || m_trace.isNull()) return;
  if (out.size() != m_background.size()) out = QImage(m_background.size(), QImage::Format_RGB32);
  QPainter painter(&out);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, m_background);
  // On black the trace lies over the grid; on other backgrounds the colours mix.
  painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  painter.drawImage(0, 0, m_trace);
}

QImage COSCtrl::ComposedImage() const {
  QImage out;
  Compose(out);
  return out;
}

void COSCtrl::Redraw(QPainter* target) {
  if (m_background.isNull() || m_trace.isNull()) return;
  if (target) {
    Compose(m_composed);
    target->drawImage(0, 0, m_composed);
  } else {
    update(contentsRect());
  }
}

void COSCtrl::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  if (m_background.isNull() || m_trace.isNull()) {
    painter.fillRect(contentsRect(), ColorFromRef(m_props.backColor));
    return;
  }
  Compose(m_composed);
  painter.drawImage(contentsRect().topLeft(), m_composed);
}

void COSCtrl::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  const QSize before = m_client.size();
  UpdateGeometry();
  // Layers of another size would no longer match the plot: make them anew.
  if (m_created && m_client.size() != before) {
    DrawBackground();
    SetUpTrace();
    m_previous = kRestValue;
  }
}

}  // namespace nuvix
