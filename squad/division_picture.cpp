#include "division_picture.h"

#include <cstring>
#include <vector>

#include "chromix.h"
#include "zmb.h"

namespace nuvix {

namespace {

constexpr size_t kLineBytes = static_cast<size_t>(kDivisionWidth) * 2;

}  // namespace

QImage UyvyPicture(const uint8_t* uyvy, int lines) {
  QImage picture(kDivisionWidth, lines, QImage::Format_RGB32);
  if (CHROMIX_UYVY_TO_RGB32(uyvy, kDivisionWidth, lines, picture.bits(), 0) != 0) return {};
  return picture;
}

QImage ComposeDivisionPicture(const uint8_t* image, const uint8_t* osd, int lines) {
  if (!image || !osd || lines <= 0) return {};
  std::vector<uint8_t> composed(kLineBytes * static_cast<size_t>(lines));
  for (int line = 0; line < lines; ++line) {
    const uint8_t* over = osd + kLineBytes * static_cast<size_t>(lines - 1 - line);
    const uint8_t* under = image + kLineBytes * static_cast<size_t>(line);
    uint8_t* out = composed.data() + kLineBytes * static_cast<size_t>(line);
    for (size_t at = 0; at < kLineBytes; at += 2) {
      const bool transparent = (over[at] | over[at + 1] << 8) == ZMB_TRANSPARENT_WORD;
      std::memcpy(out + at, (transparent ? under : over) + at, 2);
    }
  }
  return UyvyPicture(composed.data(), lines);
}

}  // namespace nuvix
