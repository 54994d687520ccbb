#include "app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintAppIcon(painter, size);
  return pixmap;
}

}  // namespace

// A capture board: a green card with gold contacts and a lens on it.
void PaintAppIcon(QPainter& p, int size) {
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  p.setPen(QPen(QColor(10, 60, 30), 1));
  p.setBrush(QColor(30, 140, 70));
  p.drawRoundedRect(QRectF(2, 5, 28, 19), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(230, 180, 40));
  for (int x = 5; x < 28; x += 3) p.drawRect(QRectF(x, 24, 2, 4));
  p.setBrush(QColor(20, 20, 30));
  p.drawEllipse(QPointF(11, 14.5), 6, 6);
  p.setBrush(QColor(70, 130, 220));
  p.drawEllipse(QPointF(11, 14.5), 3.5, 3.5);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(QPointF(9.8, 13.2), 1.2, 1.2);
  p.setBrush(QColor(20, 20, 30));
  p.drawRect(QRectF(20, 9, 7, 5));
  p.drawRect(QRectF(20, 16, 7, 5));
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
  return icon;
}
