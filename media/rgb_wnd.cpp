#include "rgb_wnd.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cstring>
#include <new>

#include "chromix.h"

namespace nuvix {

namespace {

// Slack beyond the image so converters that touch a few bytes past the last pixel stay inside.
constexpr size_t kBufferSlack = 128;
// Titles are kept to what the window's 256-character title field holds.
constexpr int kMaxTitle = 255;

// Bytes per row of a DIB: rows are padded to whole 32-bit words.
size_t DibStride(int width, int bitCount) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32) * 4;
}

bool SizeAccepted(int width, int height) {
  return width > 0 && height > 0 && width <= kRgbWindowMaxSide && height <= kRgbWindowMaxSide;
}

QImage::Format ShownFormat(int bitCount) {
  switch (bitCount) {
    case 32:
      return QImage::Format_RGB32;
    case 24:
      return QImage::Format_BGR888;  // DIB byte order B, G, R
    case 16:
      return QImage::Format_RGB555;  // DIB 16-bit: x RRRRR GGGGG BBBBB, little-endian
    default:
      return QImage::Format_Invalid;
  }
}

}  // namespace

QRect RgbWindowRect(int width, int height, const QRect& screen, const QMargins& frame) {
  const int outerWidth = width + frame.left() + frame.right();
  const int outerHeight = height + frame.top() + frame.bottom();
  if (outerWidth < screen.width() && outerHeight < screen.height()) {
    return QRect(screen.left() + (screen.width() - outerWidth) / 2,
                 screen.top() + (screen.height() - outerHeight) / 2, outerWidth, outerHeight);
  }
  return QRect(screen.left(), screen.top(), outerWidth, outerHeight);
}

CRgbWnd::CRgbWnd() : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  // Every paint covers the whole client area.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::ArrowCursor);
}

CRgbWnd::~CRgbWnd() = default;

bool CRgbWnd::Create(int width, int height, const QString& title, bool named, const QRect* screen) {
  if (!SizeAccepted(width, height)) return false;
  setWindowTitle(title.left(kMaxTitle));
  if (named) setWindowFlag(Qt::WindowStaysOnTopHint, true);

  QRect screenRect;
  if (screen != nullptr) {
    screenRect = *screen;
  } else {
    QScreen* current = QGuiApplication::screenAt(QCursor::pos());
    if (current == nullptr) current = QGuiApplication::primaryScreen();
    if (current != nullptr) screenRect = current->geometry();
  }
  const QRect outer = RgbWindowRect(width, height, screenRect);
  // The client area gets the picture's size; move() places the outer frame.
  resize(width, height);
  move(outer.topLeft());
  show();
  return true;
}

void CRgbWnd::FitBuffer(uint32_t imageBytes) {
  if (m_buffer && imageBytes == m_bufferSize) return;
  const size_t bytes = static_cast<size_t>(imageBytes) + kBufferSlack;
  // Zeroed, so a frame the converter refuses shows black rather than stale heap.
  m_buffer.reset(new (std::nothrow) uint8_t[bytes]());
  m_bufferSize = m_buffer ? imageBytes : 0;
  ++m_allocations;
}

bool CRgbWnd::ShowCapture(int width, int height, uint32_t fourcc, const uint8_t* frame) {
  if (frame == nullptr || !SizeAccepted(width, height)) return false;
  const uint32_t imageBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4u;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = 32;
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = imageBytes;
    FitBuffer(imageBytes);
    if (!m_buffer) {
      m_orientation = kNothing;
      return false;
    }
    switch (fourcc) {
      case FOURCC_YUY2:
        CHROMIX_YUY2_TO_RGB32(frame, width, height, m_buffer.get(), 0);
        break;
      case FOURCC_Y41P:
        CHROMIX_Y41P_TO_RGB32(frame, width, height, m_buffer.get(), 0);
        break;
      case FOURCC_UYVY:
        CHROMIX_UYVY_TO_RGB32(frame, width, height, m_buffer.get(), 0);
        break;
      default:
        break;  // shown as the buffer holds it
    }
    m_orientation = kTopRowFirst;
  }
  RequestRepaint();
  return true;
}

bool CRgbWnd::ShowPicture(int width, int height, const uint8_t* pixels, int bitCount, int orientation) {
  if (pixels == nullptr || !SizeAccepted(width, height) || ShownFormat(bitCount) == QImage::Format_Invalid) {
    return false;
  }
  // Rows of a DIB are padded to 32-bit words; counting without the padding would cut off
  // the end of a 16- or 24-bit picture whose row length is not a multiple of four.
  const uint32_t imageBytes = static_cast<uint32_t>(DibStride(width, bitCount) * static_cast<size_t>(height));
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = static_cast<uint16_t>(bitCount);
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = imageBytes;
    FitBuffer(imageBytes);
    if (!m_buffer) {
      m_orientation = kNothing;
      return false;
    }
    std::memcpy(m_buffer.get(), pixels, imageBytes);
    m_orientation = orientation < 0 ? kTopRowFirst : orientation > 0 ? kBottomRowFirst : kNothing;
  }
  RequestRepaint();
  return true;
}

void CRgbWnd::RequestRepaint() {
  if (m_repaintQueued.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        m_repaintQueued.store(false);
        update();
      },
      Qt::QueuedConnection);
}

BITMAPINFOHEADER CRgbWnd::Header() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_header;
}

int CRgbWnd::Orientation() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_orientation;
}

uint32_t CRgbWnd::BufferSize() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_bufferSize;
}

int CRgbWnd::BufferAllocations() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_allocations;
}

bool CRgbWnd::TakePicture() {
  if (m_orientation == kNothing || !m_buffer) return false;
  const int width = m_header.biWidth;
  const int height = m_header.biHeight;
  const int bitCount = m_header.biBitCount;
  const QImage::Format format = ShownFormat(bitCount);
  if (format == QImage::Format_Invalid) return false;
  if (m_shown.width() != width || m_shown.height() != height || m_shown.format() != format) {
    m_shown = QImage(width, height, format);
    if (m_shown.isNull()) return false;
  }
  const size_t stride = DibStride(width, bitCount);
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bitCount) / 8;
  for (int row = 0; row < height; ++row) {
    const int source = m_orientation == kTopRowFirst ? row : height - 1 - row;
    const uint8_t* from = m_buffer.get() + static_cast<size_t>(source) * stride;
    uchar* to = m_shown.scanLine(row);
    if (bitCount == 32) {
      // The fourth byte of a DIB pixel is unused; the painter expects it opaque.
      uint32_t* out = reinterpret_cast<uint32_t*>(to);
      for (int x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, from + static_cast<size_t>(x) * 4, 4);
        out[x] = pixel | 0xFF000000u;
      }
    } else {
      std::memcpy(to, from, rowBytes);
    }
  }
  return true;
}

void CRgbWnd::paintEvent(QPaintEvent*) {
  bool drawable;
  {
    // Only the copy runs under the lock; scaling happens on the private copy.
    std::lock_guard<std::mutex> guard(m_lock);
    drawable = TakePicture();
  }
  QPainter painter(this);
  if (!drawable) {
    painter.fillRect(rect(), Qt::white);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(rect(), m_shown);
}

void CRgbWnd::closeEvent(QCloseEvent* event) {
  // Only the owner destroys the window.
  event->ignore();
}

void CRgbWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // The client area acts as caption: let the window manager move the window when it can.
  if (QWindow* handle = windowHandle(); handle != nullptr && handle->startSystemMove()) return;
  m_dragging = true;
  m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CRgbWnd::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - m_dragOffset);
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void CRgbWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && m_dragging) {
    m_dragging = false;
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace nuvix
