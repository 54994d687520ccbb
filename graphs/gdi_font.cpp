#include "gdi_font.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>

namespace nuvix {

namespace {

// Advance widths of Arial (the same as Helvetica's) in thousandths of the em,
// for a-z, 0-9 and the space, regular and bold.
constexpr char kSample[] = "abcdefghijklmnopqrstuvwxyz0123456789 ";
constexpr int kArialRegular[] = {556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833,
                                 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,
                                 556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278};
constexpr int kArialBold[] = {556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889,
                              611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500,
                              556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278};
static_assert(sizeof kArialRegular / sizeof kArialRegular[0] == sizeof kSample - 1);
static_assert(sizeof kArialBold / sizeof kArialBold[0] == sizeof kSample - 1);

int ArialSampleWidth(int pixelSize, bool bold) {
  long sum = 0;
  for (int w : bold ? kArialBold : kArialRegular) sum += w;
  return static_cast<int>(sum * pixelSize / 1000);
}

}  // namespace

QFont MakeGdiFont(const QString& face, int height, int width, int weight, bool italic,
                  bool underline) {
  const QString family = face.isEmpty() ? QStringLiteral("Arial") : face;
  QFont font(family);
  font.setStyleHint(QFont::SansSerif);  // pitch and family "swiss"
  const int h = std::clamp(std::abs(height), 1, 400);
  font.setPixelSize(h);
  font.setWeight(static_cast<QFont::Weight>(std::clamp(weight <= 0 ? 400 : weight, 100, 900)));
  font.setItalic(italic);
  font.setUnderline(underline);
  if (height > 0) {
    // The cell height includes the leading; shrink the em until the cell fits.
    const int cell = QFontMetrics(font).height();
    if (cell > h) font.setPixelSize(std::max(1, h * h / cell));
  }
  if (width > 0) {
    const int natural = QFontMetrics(font).averageCharWidth();
    if (natural > 0) font.setStretch(std::clamp(width * 100 / natural, 1, 4000));
  } else if (family.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0 &&
             QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) {
    // A wider stand-in for Arial is narrowed to Arial's widths, so texts laid
    // out for Arial still fit their cells.
    const int expected = ArialSampleWidth(font.pixelSize(), font.weight() >= QFont::DemiBold);
    const int actual = QFontMetrics(font).horizontalAdvance(QString::fromLatin1(kSample));
    if (actual > expected && expected > 0) font.setStretch(std::max(60, expected * 100 / actual));
  }
  return font;
}

}  // namespace nuvix
