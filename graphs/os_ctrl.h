// COSCtrl: a strip-chart oscilloscope that scrolls voltage points over a
// dotted grid, with voltage labels at the left and a title below.
#pragma once

#include <QFrame>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

namespace nuvix {

// Property set of a scope; the control takes its own copy when constructed.
struct OSCtrlProps {
  uint32_t backColor = 0x000000;
  uint32_t gridColor = 0xFFC0C0;
  uint32_t traceColor = 0x00FFFF;
  double minVolt = 0.0;
  double maxVolt = 5.0;
  QString title = QStringLiteral("Audio sampler");
};

class COSCtrl : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kEdge = 2;  // sunken edge around the client area
  static constexpr double kRestValue = 2.5;

  explicit COSCtrl(const OSCtrlProps& props = OSCtrlProps());
  ~COSCtrl() override;

  // Places the control at rect in parent, shows it and draws its layers once,
  // for the client size of that moment. False when already created.
  bool Create(const QRect& rect, QWidget* parent, int id = 0);

  // Scrolls the trace two pixels left and draws the segment to the new value.
  void AddPoint(double value);
  void Clear();
  // With a painter: composes the layers onto it at (0, 0); without: schedules a repaint.
  void Redraw(QPainter* target = nullptr);

  const OSCtrlProps& Props() const { return m_props; }
  int Id() const { return m_id; }
  // Client-area coordinates; right and bottom lie just outside the area.
  QRect ClientArea() const { return m_client; }
  int PlotLeft() const { return m_plotLeft; }
  int PlotTop() const { return m_plotTop; }
  int PlotRight() const { return m_plotRight; }
  int PlotBottom() const { return m_plotBottom; }
  int RowCount() const { return m_rowCount; }
  const std::vector<int>& GridRows() const { return m_gridRows; }
  double Previous() const { return m_previous; }
  // The row a value is drawn at.
  int RowFor(double value) const;
  const QImage& BackgroundLayer() const { return m_background; }
  const QImage& TraceLayer() const { return m_trace; }
  QImage ComposedImage() const;  // the client area as the window shows it

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateGeometry();
  void DrawBackground();
  void SetUpTrace();
  void Compose(QImage& out) const;

  OSCtrlProps m_props;
  int m_id = 0;
  bool m_created = false;
  QRect m_client;
  int m_plotLeft = 0;
  int m_plotTop = 0;
  int m_plotRight = 0;
  int m_plotBottom = 0;
  int m_rowCount = 0;
  std::vector<int> m_gridRows;
  double m_span = 5.0;
  double m_previous = kRestValue;
  QImage m_background;
  QImage m_trace;
  QImage m_composed;  // reused by every paint
};

}  // namespace nuvix
