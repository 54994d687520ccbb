#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>

#include "colorref.h"

namespace nuvix::test {

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

void SendWheel(QWidget* target, QPoint pos, int delta) {
  QWheelEvent event(QPointF(pos), QPointF(target->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &event);
}

uint32_t Px(uint32_t colorRef) { return PixelFromRef(colorRef); }

uint32_t PixelAt(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

QRect InkBounds(const QImage& image, const QRect& area, uint32_t background) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (PixelAt(image, x, y) != background) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

QString OutputPath(const QString& fileName) {
  const char* dir = std::getenv("NUVIX_TEST_OUTPUT");
  const QString base = dir && *dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
  QDir().mkpath(base);
  return QDir(base).filePath(fileName);
}

Host::Host(QSize size) {
  resize(size);
  show();
}

}  // namespace nuvix::test
