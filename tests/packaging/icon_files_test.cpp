// The icon theme's scalable icon shows what the window's icon shows: the SVG
// written at build time, drawn by an SVG renderer, against the drawing code.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdlib>

#include "app_icon.h"

namespace {

QImage Blank(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

TEST(IconFiles, ScalableIconMatchesTheDrawnIconAtEverySize) {
  QSvgRenderer svg(QStringLiteral(NUVIX_SCALABLE_ICON));
  ASSERT_TRUE(svg.isValid()) << NUVIX_SCALABLE_ICON;
  for (int size : {16, 48, 128}) {
    SCOPED_TRACE(size);
    QImage drawn = Blank(size), rendered = Blank(size);
    {
      QPainter painter(&drawn);
      PaintAppIcon(painter, size);
    }
    {
      QPainter painter(&rendered);
      svg.render(&painter, QRectF(0, 0, size, size));
    }
    // Edges may be smoothed a little differently; the picture must not differ.
    int differing = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const QRgb a = drawn.pixel(x, y), b = rendered.pixel(x, y);
        const int difference = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        differing += difference > 48;
      }
    EXPECT_LE(differing, size * size / 50) << differing << " of " << size * size << " pixels differ";
  }
}

}  // namespace
