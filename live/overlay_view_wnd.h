// The popup window "Overlay View Window": a key-coloured client area where the
// overlay shows, dragged by any point, moved and sized by the user, closed
// only by its slot. It paints what the adapter would show there: the
// overlay's source rectangle stretched over its destination.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

#include "nuvix_wintypes.h"

class COverlayPlacer;

// The outer rectangle of a view window with a client area of width × height
// and a sizing frame of frame pixels on each side, on a screen of the given
// size: centred when it fits in both directions, else at (0, 0).
RECT ViewWindowFrame(int width, int height, int frame, int screenWidth, int screenHeight);

class COverlayViewWnd : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSizingFrame = 4;

  COverlayViewWnd();

  // colourKey is 0x00BBGGRR.
  void Create(int width, int height, uint32_t colourKey);
  void Attach(COverlayPlacer* placer);
  // Stops using the placer (before it goes away).
  void Detach();

  // Converts the shown part of the overlay into an image of the client area;
  // what a paint shows, and what a repaint costs.
  const QImage& Compose();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void Reposition();

  RECT placement_{};
  bool attached_ = false;
  COverlayPlacer* placer_ = nullptr;
  QColor key_;
  QImage converted_;  // the whole overlay surface as RGB
  QImage composed_;   // the client area
  QBasicTimer refresh_;
  bool dragging_ = false;
  QPoint dragOffset_;
};
