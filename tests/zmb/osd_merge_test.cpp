// Drawing surface to OSD conversion and the merge of OSD over image.
#include <random>
#include <vector>

#include "zmb_test_support.h"

namespace zmb_test {
namespace {

class ZmbOsd : public BoardTest {
 protected:
  void Fill(const RECT& rect, uint32_t colour) {
    ASSERT_EQ(ZMB_RENDER_GDI_RECT_FILL(board_, &rect, colour), ZMB_RESULT_SUCCESS);
  }
  // Random colours over the whole drawing, by picture position; returns them.
  std::vector<uint32_t> DrawRandomPicture(unsigned seed) {
    std::mt19937 random(seed);
    TestBitmap bitmap(kWidth, lines_, 32, false);
    std::vector<uint32_t> colours(static_cast<size_t>(kWidth) * lines_);
    for (int y = 0; y < lines_; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const uint32_t colour = random() & 0xFFFFFF;
        colours[static_cast<size_t>(y) * kWidth + x] = colour;
        bitmap.Set(x, y, colour);
      }
    }
    const RECT whole{0, 0, kWidth, lines_};
    EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &whole, &bitmap.info, bitmap.pixels.data()),
              ZMB_RESULT_SUCCESS);
    return colours;
  }
  // Checks the OSD groups of memory rows [top, bottom) and columns [left, right).
  void ExpectConverted(const std::vector<uint32_t>& colours, int left, int top, int right, int bottom) {
    for (int row = top; row < bottom; ++row) {
      const int line = lines_ - 1 - row;
      for (int x = left; x < right; x += 2) {
        const uint32_t* c = &colours[static_cast<size_t>(line) * kWidth + x];
        ASSERT_EQ(OsdGroup(x, line), ReferenceGroup(c[0], c[1])) << "x " << x << " row " << row;
      }
    }
  }
  void ExpectTransparentOutside(int left, int top, int right, int bottom) {
    for (int row = 0; row < lines_; ++row) {
      for (int x = 0; x < kWidth; ++x) {
        if (row >= top && row < bottom && x >= left && x < right) continue;
        ASSERT_TRUE(OsdTransparent(x, lines_ - 1 - row)) << "x " << x << " row " << row;
      }
    }
  }
};

TEST_F(ZmbOsd, EveryCornerPairConvertsBitExactly) {
  const uint32_t corners[] = {0x000000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
                              0x010101, 0x0F0F0F, 0x141414, 0x101010, 0x808080, 0x7F007F};
  int x = 0, y = 10;
  for (uint32_t first : corners) {
    for (uint32_t second : corners) {
      Fill(RECT{x, y, x + 1, y + 1}, first);
      Fill(RECT{x + 1, y, x + 2, y + 1}, second);
      x += 2;
      if (x == kWidth) x = 0, ++y;
    }
  }
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
  x = 0, y = 10;
  for (uint32_t first : corners) {
    for (uint32_t second : corners) {
      EXPECT_EQ(OsdGroup(x, y), ReferenceGroup(first, second)) << std::hex << first << " " << second;
      x += 2;
      if (x == kWidth) x = 0, ++y;
    }
  }
  // Black is exactly the transparent word; a line never drawn on stays black.
  EXPECT_EQ(OsdGroup(0, 100), (std::array<uint8_t, 4>{0x80, 0x10, 0x80, 0x10}));
  EXPECT_EQ(ReferenceGroup(0x000000, 0x000000), (std::array<uint8_t, 4>{0x80, 0x10, 0x80, 0x10}));
}

TEST_F(ZmbOsd, RandomPicturesConvertBitExactly) {
  for (unsigned seed : {1u, 2u}) {
    const std::vector<uint32_t> colours = DrawRandomPicture(seed);
    ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
    ExpectConverted(colours, 0, 0, kWidth, lines_);
  }
}

TEST_F(ZmbOsd, AreaConvertsOnlyItsRowsCountedFromTheBottom) {
  const std::vector<uint32_t> colours = DrawRandomPicture(3);
  // 13 pairs per row: not a whole number of vector steps.
  const RECT area{10, 20, 36, 30};
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &area), ZMB_RESULT_SUCCESS);
  ExpectConverted(colours, 10, 20, 36, 30);
  ExpectTransparentOutside(10, 20, 36, 30);
}

TEST_F(ZmbOsd, AreaWithAnOddLeftEdgeKeepsThePairGrid) {
  const std::vector<uint32_t> colours = DrawRandomPicture(4);
  const RECT area{11, 0, 21, 2};
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &area), ZMB_RESULT_SUCCESS);
  ExpectConverted(colours, 10, 0, 22, 2);
  ExpectTransparentOutside(10, 0, 22, 2);
}

TEST(ZmbOsdArea, AreaReachingOutsideTheSurfaceIsClipped) {
  const size_t bytes = 720u * 576 * 2, guard = 4096;
  std::vector<uint8_t> osd(guard + bytes + guard, 0x5A);
  int32_t board = 0;
  ASSERT_EQ(ZMB_CREATE_BOARD(ZMB_STANDARD_PAL, &board, 1, nullptr, nullptr, osd.data() + guard),
            ZMB_RESULT_SUCCESS);
  const RECT white{0, 0, 720, 576};
  ASSERT_EQ(ZMB_RENDER_GDI_RECT_FILL(board, &white, 0xFFFFFF), ZMB_RESULT_SUCCESS);
  const RECT beyondAll{-100, -50, 800, 700};
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board, &beyondAll), ZMB_RESULT_SUCCESS);
  const RECT offToTheRight{800, 0, 900, 10};
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board, &offToTheRight), ZMB_RESULT_SUCCESS);
  const RECT farAway{2147483000, 2147483000, 2147483600, 2147483600};
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board, &farAway), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(ZMB_DELETE_BOARD(board), ZMB_RESULT_SUCCESS);

  const std::array<uint8_t, 4> white4 = ReferenceGroup(0xFFFFFF, 0xFFFFFF);
  for (size_t i = 0; i < bytes; ++i) ASSERT_EQ(osd[guard + i], white4[i % 4]) << i;
  for (size_t i = 0; i < guard; ++i) {
    ASSERT_EQ(osd[i], 0x5A);
    ASSERT_EQ(osd[guard + bytes + i], 0x5A);
  }
}

class ZmbMerge : public ZmbOsd, public ::testing::WithParamInterface<int32_t> {
 protected:
  void SetUp() override { CreateBoard(GetParam(), 1); }
  static uint8_t ImageByte(int line, int offset) { return static_cast<uint8_t>(line * 13 + offset * 7 + 1); }
  void PaintImage() {
    for (int line = 0; line < lines_; ++line) {
      for (int b = 0; b < kPitch; ++b) image_[static_cast<size_t>(line) * kPitch + b] = ImageByte(line, b);
    }
  }
};

TEST_P(ZmbMerge, BlackDrawingLetsTheImageThroughIntoTwoFields) {
  PaintImage();
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(board_), ZMB_RESULT_SUCCESS);
  // Image line 0 at the start, line 1 at the start of the second half.
  EXPECT_EQ(merged_[0], ImageByte(0, 0));
  EXPECT_EQ(merged_[static_cast<size_t>(kWidth) * lines_], ImageByte(1, 0));
  for (int line = 0; line < lines_; ++line) {
    const uint8_t* row = merged_ + (line % 2 ? static_cast<size_t>(kWidth) * lines_ : 0) +
                         static_cast<size_t>(line / 2) * kPitch;
    for (int b = 0; b < kPitch; ++b) ASSERT_EQ(row[b], ImageByte(line, b)) << line << "," << b;
  }
}

TEST_P(ZmbMerge, DrawnPixelsCoverTheImageTheRightWayUp) {
  PaintImage();
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  // A red band near the top and a 0x010101 one (not quite black) near the bottom.
  Fill(RECT{100, 3, 200, 9}, 0x0000FF);
  Fill(RECT{300, lines_ - 7, 302, lines_ - 2}, 0x010101);
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(board_), ZMB_RESULT_SUCCESS);
  const std::array<uint8_t, 4> red = ReferenceGroup(0x0000FF, 0x0000FF);
  const std::array<uint8_t, 4> nearBlack = ReferenceGroup(0x010101, 0x010101);
  for (int line = 0; line < lines_; ++line) {
    for (int x = 0; x < kWidth; x += 2) {
      const bool inRed = line >= 3 && line < 9 && x >= 100 && x < 200;
      const bool inDark = line >= lines_ - 7 && line < lines_ - 2 && x == 300;
      const std::array<uint8_t, 4> image = {ImageByte(line, 2 * x), ImageByte(line, 2 * x + 1),
                                            ImageByte(line, 2 * x + 2), ImageByte(line, 2 * x + 3)};
      ASSERT_EQ(MergedGroup(x, line), inRed ? red : inDark ? nearBlack : image) << x << "," << line;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Standards, ZmbMerge, ::testing::Values(ZMB_STANDARD_PAL, ZMB_STANDARD_NTSC));

TEST_F(ZmbOsd, WhiteTextAtTheTopLandsAtTheTopOfTheMergedSurface) {
  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 20, 2, "TOP", 0x141414, 0xFFFFFF, 0), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(board_), ZMB_RESULT_SUCCESS);
  const uint8_t whiteLuma = ReferenceGroup(0xFFFFFF, 0xFFFFFF)[1];
  int firstLine = -1, lastLine = -1;
  for (int line = 0; line < lines_; ++line) {
    for (int x = 0; x < kWidth; ++x) {
      if (MergedGroup(x, line)[1 + 2 * (x % 2)] == whiteLuma) {
        if (firstLine < 0) firstLine = line;
        lastLine = line;
      }
    }
  }
  ASSERT_GE(firstLine, 2);
  EXPECT_LE(firstLine, 10);
  EXPECT_LE(lastLine, 2 + 26);
}

}  // namespace
}  // namespace zmb_test
