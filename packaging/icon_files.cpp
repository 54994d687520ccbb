// Draws the program's icon into the desktop's icon theme files:
//   nuvix-icon-files OUTDIR NAME SIZE...
// gives OUTDIR/hicolor/scalable/apps/NAME.svg and OUTDIR/hicolor/SxS/apps/NAME.png
// for each SIZE.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>
#include <cstdlib>

#include "app_icon.h"

namespace {

// The icon is drawn on a 32-unit grid.
constexpr int kDrawingSize = 32;

QString AppsFolder(const QString& root, const QString& size) {
  const QString folder = root + "/hicolor/" + size + "/apps";
  QDir().mkpath(folder);
  return folder;
}

bool WriteSvg(const QString& path) {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(kDrawingSize, kDrawingSize));
  svg.setViewBox(QRect(0, 0, kDrawingSize, kDrawingSize));
  svg.setTitle(QStringLiteral("NUVIX SDK"));
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  PaintAppIcon(painter, kDrawingSize);
  return painter.end();
}

bool WritePng(const QString& path, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintAppIcon(painter, size);
  painter.end();
  return image.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: nuvix-icon-files OUTDIR NAME SIZE...\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]), name = QString::fromLocal8Bit(argv[2]);
  bool written = WriteSvg(AppsFolder(root, "scalable") + "/" + name + ".svg");
  for (int k = 3; k < argc; ++k) {
    const int size = std::atoi(argv[k]);
    const QString folder = AppsFolder(root, QString("%1x%1").arg(size));
    written = WritePng(folder + "/" + name + ".png", size) && written;
  }
  if (!written) std::fprintf(stderr, "nuvix-icon-files: cannot write the icons to %s\n", argv[1]);
  return written ? 0 : 1;
}
