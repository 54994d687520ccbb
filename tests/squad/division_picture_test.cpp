// The division's picture from the renderer's surfaces: the OSD surface lies
// bottom line first and covers the image wherever a word is not exactly the
// transparent key.
#include "division_picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "zmb.h"

namespace {

constexpr int kLines = 6;
constexpr size_t kWords = static_cast<size_t>(nuvix::kDivisionWidth) * kLines;
constexpr uint16_t kWhite = 0xEB80;   // Y 235 over U or V 128
constexpr uint16_t kAlmostKey = 0x1081;  // black, but not the key

struct Surfaces {
  std::vector<uint8_t> image = std::vector<uint8_t>(kWords * 2);
  std::vector<uint16_t> osd = std::vector<uint16_t>(kWords, ZMB_TRANSPARENT_WORD);

  Surfaces() {
    // An image of one colour: U 90, Y 150, V 200, Y 150.
    for (size_t at = 0; at < image.size(); at += 4) {
      image[at] = 90;
      image[at + 1] = image[at + 3] = 150;
      image[at + 2] = 200;
    }
  }
  // The OSD word of pixel x on memory line m (0 = the picture's bottom line).
  uint16_t& Osd(int x, int m) { return osd[static_cast<size_t>(m) * nuvix::kDivisionWidth + x]; }
  QImage Compose() const {
    return nuvix::ComposeDivisionPicture(image.data(), reinterpret_cast<const uint8_t*>(osd.data()), kLines);
  }
};

enum class Shows { Image, White, Black };

TEST(DivisionPicture, TheOsdCoversTheImageOnlyWhereItsWordIsNotTheKey) {
  const QRgb imageColour = nuvix::UyvyPicture(Surfaces().image.data(), kLines).pixel(0, 0);
  ASSERT_GT(qRed(imageColour), 150);  // V 200: a red picture, far from white and black

  Surfaces s;
  for (int x = 0; x < nuvix::kDivisionWidth; ++x) s.Osd(x, 0) = kWhite;  // the picture's bottom line
  s.Osd(10, kLines - 1) = s.Osd(11, kLines - 1) = kWhite;                 // one pixel pair of its top line
  s.Osd(20, kLines - 1) = s.Osd(21, kLines - 1) = kAlmostKey;
  const QImage picture = s.Compose();
  ASSERT_EQ(picture.size(), QSize(nuvix::kDivisionWidth, kLines));

  struct Probe {
    int x, y;
    Shows shows;
    const char* why;
  };
  const Probe probes[] = {
      {0, kLines - 1, Shows::White, "the OSD's first memory line is the picture's bottom line"},
      {719, kLines - 1, Shows::White, "to the line's end"},
      {0, kLines - 2, Shows::Image, "the line above it is transparent"},
      {10, 0, Shows::White, "a covered pixel pair of the top line"},
      {11, 0, Shows::White, "its second pixel"},
      {9, 0, Shows::Image, "before the pair"},
      {12, 0, Shows::Image, "after the pair"},
      {20, 0, Shows::Black, "a black word that is not the key covers the image"},
      {21, 0, Shows::Black, "its second pixel"},
  };
  for (const Probe& probe : probes) {
    const QRgb p = picture.pixel(probe.x, probe.y);
    const bool white = qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240;
    const bool black = qRed(p) < 8 && qGreen(p) < 8 && qBlue(p) < 8;
    const bool holds = probe.shows == Shows::White ? white : probe.shows == Shows::Black ? black : p == imageColour;
    EXPECT_TRUE(holds) << probe.x << "," << probe.y << ": " << probe.why << " (" << std::hex << p << ")";
  }
}

TEST(DivisionPicture, NoSurfacesNoPicture) {
  Surfaces s;
  const auto* osd = reinterpret_cast<const uint8_t*>(s.osd.data());
  EXPECT_TRUE(nuvix::ComposeDivisionPicture(nullptr, osd, kLines).isNull());
  EXPECT_TRUE(nuvix::ComposeDivisionPicture(s.image.data(), nullptr, kLines).isNull());
  EXPECT_TRUE(nuvix::ComposeDivisionPicture(s.image.data(), osd, 0).isNull());
}

}  // namespace
