// CRgbWnd: a caption-and-border popup that shows one captured or decoded picture scaled to its client area.
#pragma once

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "nuvix_wintypes.h"

namespace nuvix {

// Outer frame of a window with caption and sizing border, used to decide whether
// a window fits its screen before the platform can tell the real decoration.
inline constexpr QMargins kRgbWindowFrame{8, 31, 8, 8};

// Outer rectangle of a display window whose client area is width x height: centred
// on the screen when its outer size is below the screen's in both directions, else
// at the screen's top-left corner.
QRect RgbWindowRect(int width, int height, const QRect& screen, const QMargins& frame = kRgbWindowFrame);

// Largest picture side accepted; anything bigger is no board or decoder picture.
inline constexpr int kRgbWindowMaxSide = 8192;

class CRgbWnd : public QWidget {
 public:
  // Orientation of the stored rows.
  static constexpr int kNothing = 0;
  static constexpr int kTopRowFirst = -1;
  static constexpr int kBottomRowFirst = 1;

  CRgbWnd();
  ~CRgbWnd() override;
  CRgbWnd(const CRgbWnd&) = delete;
  CRgbWnd& operator=(const CRgbWnd&) = delete;

  // Sizes the client area to width x height, places the window on the screen under
  // the cursor (or on screen when given) and shows it; a named window stays on top.
  // False for a size outside 1..kRgbWindowMaxSide.
  bool Create(int width, int height, const QString& title, bool named, const QRect* screen = nullptr);

  // Converts a UYVY, YUY2 or Y41P frame into the picture buffer and queues a repaint;
  // any other FourCC repaints the buffer as it is. Safe on any thread while the window
  // exists; never waits for the dialog thread. False, leaving the picture as it was,
  // for a null frame or a size outside 1..kRgbWindowMaxSide.
  bool ShowCapture(int width, int height, uint32_t fourcc, const uint8_t* frame);

  // Copies a ready 16-, 24- or 32-bit picture (rows padded to 32-bit words as in a DIB)
  // and queues a repaint; orientation -1 when the first row is the top row, 1 when it
  // is the bottom row, 0 for nothing to draw.
  bool ShowPicture(int width, int height, const uint8_t* pixels, int bitCount, int orientation);

  // Read-outs of the shared state, taken under the picture lock.
  BITMAPINFOHEADER Header() const;
  int Orientation() const;
  uint32_t BufferSize() const;
  // How often the picture buffer has been (re)allocated.
  int BufferAllocations() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Under m_lock: fits the buffer to imageBytes (plus slack), reallocating only when that changes.
  void FitBuffer(uint32_t imageBytes);
  // Coalesces repaint requests so a fast producer cannot flood the event queue.
  void RequestRepaint();
  // Under m_lock: copies the picture upright into m_shown; false when nothing can be drawn.
  bool TakePicture();

  mutable std::mutex m_lock;
  BITMAPINFOHEADER m_header{};
  std::unique_ptr<uint8_t[]> m_buffer;
  uint32_t m_bufferSize = 0;
  int m_allocations = 0;
  int m_orientation = kNothing;

  std::atomic<bool> m_repaintQueued{false};

  // Dialog-thread only: the upright copy the painter draws from.
  QImage m_shown;
  bool m_dragging = false;
  QPoint m_dragOffset;
};

}  // namespace nuvix
