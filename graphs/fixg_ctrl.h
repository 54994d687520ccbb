// CFixGCtrl: a scrollable table of fixed-size cells with raised headers, text,
// number and image cells, a hover frame, and press/wheel notifications.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

#include "grid_event.h"

namespace nuvix {

// Property set of a grid; the control takes its own copy in Apply.
struct FixGProps {
  uint32_t backColor = 0xE0F0E0;
  uint32_t lineColor = 0x808080;
  uint32_t cellColor = 0xDCF0F0;
  uint32_t headerColor = 0xC8C8C8;
  int32_t headerCols = 1;
  int32_t headerRows = 1;
  int32_t cols = 5;
  int32_t rows = 5;
  int32_t cellCount = 25;
  int32_t imageStrip = 0;      // bitmap identifier of the cell images (0: none)
  uint32_t notifyMessage = 0;  // message identifier the owner routes notifications by
  QString fontFace = QStringLiteral("Arial");
  int32_t fontHeight = 15;
  int32_t fontWidth = 0;
  int32_t fontWeight = 400;
  int32_t italic = 0;
  int32_t underline = 0;
};

// Cell style flags.
constexpr uint32_t kCellText = 0x01;
constexpr uint32_t kCellNumber = 0x02;
constexpr uint32_t kCellImage = 0x04;
constexpr uint32_t kCellInactive = 0x80;

// First notification parameter: the press message, the same with the repeat
// bit while a press is held, or (wheel delta << 16) + kFixGWheel.
constexpr uint32_t kFixGLButtonDown = 513;
constexpr uint32_t kFixGLButtonDouble = 515;
constexpr uint32_t kFixGRButtonDown = 516;
constexpr uint32_t kFixGRButtonDouble = 518;
constexpr uint32_t kFixGWheel = 522;
constexpr uint32_t kFixGRepeatBit = 0x400;
constexpr int kFixGRepeatMs = 200;
constexpr int kFixGMaxCells = 100;  // columns and rows each
constexpr int kFixGLineStep = 4;
constexpr int kFixGPageStep = 8;

class CFixGCtrl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CFixGCtrl(QWidget* parent = nullptr);
  ~CFixGCtrl() override;

  void Apply(const FixGProps& props);
  void SetColumnWidth(int column, int width);
  void SetRowHeight(int row, int height);
  void Layout();

  void SetCellStyle(int column, int row, int active, uint32_t flags);
  void DrawCellFace(int column, int row);
  void DrawCellRaised(int column, int row);
  void SetCellImage(int column, int row, int image);
  // font nullptr: the font of the property set; colour as 0x00BBGGRR.
  void SetCellNumber(int column, int row, double value, const QFont* font, uint32_t colour);
  void SetCellNumberFixed(int column, int row, double value, bool decimal, const QFont* font,
                          uint32_t colour);
  void SetCellText(int column, int row, const QString& text, const QFont* font, uint32_t colour);

  // With a painter: composes the visible part onto it at (0, 0); without:
  // schedules the window's repaint.
  void Redraw(QPainter* target = nullptr);
  void RedrawCell(int column, int row);

  // At most one decimal, dropped when it is 0: 12.34 -> "12.3", 7.0 -> "7".
  static QString FormatNumber(double value);
  // One decimal always when decimal is set, else the whole number.
  static QString FormatNumberFixed(double value, bool decimal);

  // Cell at a point of the client area (the viewport), or (-1, -1).
  QPoint HitTest(QPoint client) const;

  const FixGProps& Props() const { return m_props; }
  int Columns() const { return m_cols; }
  int Rows() const { return m_rows; }
  bool IsLaidOut() const { return m_laidOut; }
  QRect TableRect() const { return m_table; }
  QRect CellRect(int column, int row) const;  // table coordinates, empty when no cell
  uint32_t CellFlags(int column, int row) const;
  int CellActive(int column, int row) const;
  QString CellText(int column, int row) const;
  // Whether the last text or number drawn into the cell was wider or taller than the cell.
  bool CellClipped(int column, int row) const;
  int CellImage(int column, int row) const;
  QSize VisibleSize() const { return m_visible; }
  QPoint ScrollPos() const;
  QPoint HoverCell() const { return m_hoverShown ? m_hover : QPoint(-1, -1); }
  QPoint PressedCell() const { return m_pressed; }
  const QImage& TableLayer() const { return m_tableLayer; }
  const QImage& OverlayLayer() const { return m_overlay; }
  QImage ComposedImage() const;  // the visible part as the window shows it

 signals:
  // One signal per press, held-press repeat or wheel turn over an active cell.
  void Notified(nuvix::GridEvent event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct Cell {
    int width = 40;
    int height = 40;
    QRect rect;  // table coordinates, after Layout
    uint32_t flags = 0;
    int active = 0;
    QString text;
    int image = 0;
    bool clipped = false;  // the last text drawn did not fit the cell
  };

  Cell* At(int column, int row);
  const Cell* At(int column, int row) const;
  bool IsHeader(int column, int row) const;
  void UpdateScrollGeometry();
  void PaintFlat(const QRect& r);
  void PaintRaised(const QRect& r);
  void DrawString(Cell& cell, const QString& text, const QFont* font, uint32_t colour,
                  bool centred);
  void ComposeInto(QPainter& painter, const QRect& client) const;
  void Press(QMouseEvent* event);
  void Notify(uint32_t message, QPoint cell);

  FixGProps m_props;
  QFont m_font;
  int m_cols = 0;
  int m_rows = 0;
  std::vector<Cell> m_cells;  // row-major, m_rows * m_cols
  std::vector<QImage> m_images;

  QImage m_tableLayer;
  QImage m_overlay;
  QRect m_table;
  QSize m_client;
  QSize m_visible;
  bool m_laidOut = false;

  QPoint m_hover{0, 0};
  bool m_hoverShown = false;
  QPoint m_underMouse{-1, -1};
  QPoint m_pressed{-1, -1};
  uint32_t m_pressMessage = 0;
  QBasicTimer m_repeat;
};

}  // namespace nuvix
