// Helpers shared by the control tests: synthetic input and image read-back.
#pragma once

#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <utility>
#include <vector>

namespace nuvix::test {

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held);
void SendWheel(QWidget* target, QPoint pos, int delta);

// Pixel value (0xAARRGGBB) a 0x00BBGGRR colour has in an RGB32 image.
uint32_t Px(uint32_t colorRef);
uint32_t PixelAt(const QImage& image, int x, int y);

// Smallest rectangle inside area whose pixels differ from background; empty when none.
QRect InkBounds(const QImage& image, const QRect& area, uint32_t background);

// Where screenshots go: $NUVIX_TEST_OUTPUT, else the current directory.
QString OutputPath(const QString& fileName);

// A top-level window to hold controls under test.
class Host : public QWidget {
 public:
  explicit Host(QSize size);
};

}  // namespace nuvix::test
