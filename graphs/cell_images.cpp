#include "cell_images.h"

#include <QString>

// The resources live in a static library, so the initialiser has to be
// referenced explicitly or the linker drops it.
static void InitGraphsResources() { Q_INIT_RESOURCE(graphs); }

namespace nuvix {

std::vector<QImage> LoadCellImages(int stripId) {
  static const bool initialised = (InitGraphsResources(), true);
  (void)initialised;
  std::vector<QImage> images;
  if (stripId <= 0) return images;
  QImage strip(QStringLiteral(":/nuvix/graphs/bitmap_%1.png").arg(stripId));
  if (strip.isNull() || strip.height() < kCellImageSize) return images;
  strip = strip.convertToFormat(QImage::Format_ARGB32);
  const QRgb mask = qRgb(0, 128, 128);
  for (int y = 0; y < strip.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
    for (int x = 0; x < strip.width(); ++x) {
      if ((line[x] | 0xFF000000u) == mask) line[x] = 0;
    }
  }
  for (int x = 0; x + kCellImageSize <= strip.width(); x += kCellImageSize) {
    images.push_back(strip.copy(x, 0, kCellImageSize, kCellImageSize)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }
  return images;
}

}  // namespace nuvix
