// GDI-style drawing: cell frames and borders, bitmaps, outlined text, fonts.
#include <climits>
#include <string>

#include "zmb_test_support.h"

namespace zmb_test {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class ZmbDrawing : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  }
  void Cell(int32_t cell, const RECT& rect, bool enabled) {
    ASSERT_EQ(ZMB_REGIST_CELL(board_, cell, &rect), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_CHANGE_CELL(board_, cell, enabled ? 1 : 0, 0), ZMB_RESULT_SUCCESS);
  }
  void Convert() { ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS); }
  static uint8_t LumaOf(uint32_t colour) { return ReferenceGroup(colour, colour)[1]; }

  // How many pixels of a rectangle carry the luma of a colour.
  int Count(const RECT& rect, uint32_t colour) const {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; ++x) n += OsdLuma(x, y) == LumaOf(colour);
    }
    return n;
  }
  // Ink extent of the pixels of one colour: {left, top, right, bottom}, exclusive.
  RECT Ink(uint32_t colour) const {
    RECT ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < lines_; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (OsdLuma(x, y) != LumaOf(colour)) continue;
        ink.left = std::min(ink.left, x), ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1), ink.bottom = std::max(ink.bottom, y + 1);
      }
    }
    return ink;
  }
  // Frames: the `depth` outermost rings of the rectangle carry the colour,
  // the next ring inwards does not.
  void ExpectRings(const RECT& r, int depth, uint32_t colour) {
    for (int ring = 0; ring <= depth; ++ring) {
      const bool drawn = ring < depth;
      const int left = r.left + ring, top = r.top + ring, right = r.right - 1 - ring, bottom = r.bottom - 1 - ring;
      for (int x = left; x <= right; ++x) {
        ASSERT_EQ(OsdLuma(x, top) == LumaOf(colour), drawn) << "ring " << ring << " x " << x;
        ASSERT_EQ(OsdLuma(x, bottom) == LumaOf(colour), drawn) << "ring " << ring << " x " << x;
      }
      for (int y = top; y <= bottom; ++y) {
        ASSERT_EQ(OsdLuma(left, y) == LumaOf(colour), drawn) << "ring " << ring << " y " << y;
        ASSERT_EQ(OsdLuma(right, y) == LumaOf(colour), drawn) << "ring " << ring << " y " << y;
      }
    }
  }
};

TEST_F(ZmbDrawing, BorderOfThicknessEightyIsTwoPixelsAroundEnabledCellsOnly) {
  const RECT a{0, 0, 180, 144}, b{180, 144, 360, 288}, off{360, 0, 540, 144};
  Cell(0, a, true);
  Cell(7, b, true);
  Cell(9, off, false);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_BORDER(board_, 80, 0x101010), ZMB_RESULT_SUCCESS);
  Convert();
  ExpectRings(a, 2, 0x101010);
  ExpectRings(b, 2, 0x101010);
  EXPECT_EQ(Count(off, 0x101010), 0);
  EXPECT_EQ(Count(RECT{2, 2, 178, 142}, 0x101010), 0);
}

TEST_F(ZmbDrawing, BorderOfThicknessOneIsOnePixelAndZeroDrawsNothing) {
  const RECT a{100, 100, 200, 180};
  Cell(3, a, true);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_BORDER(board_, 0, kWhite), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_EQ(Count(RECT{0, 0, 720, 576}, kWhite), 0);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_BORDER(board_, 1, kWhite), ZMB_RESULT_SUCCESS);
  Convert();
  ExpectRings(a, 1, kWhite);
}

TEST_F(ZmbDrawing, CellFrameNestsOneRingPerThicknessUntilTheRingsMeet) {
  const RECT a{100, 100, 160, 140}, tiny{300, 300, 306, 304};
  Cell(1, a, true);
  Cell(2, tiny, true);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_FRAME(board_, 1, 5, kWhite), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_FRAME(board_, 2, INT_MAX, kWhite), ZMB_RESULT_SUCCESS);
  Convert();
  ExpectRings(a, 5, kWhite);
  EXPECT_EQ(Count(tiny, kWhite), 6 * 4);
  EXPECT_EQ(Count(RECT{296, 296, 310, 308}, kWhite), 6 * 4);
}

TEST_F(ZmbDrawing, CellFillAndFrameSkipDisabledCells) {
  const RECT on{0, 0, 100, 100}, off{200, 0, 300, 100};
  Cell(1, on, true);
  Cell(2, off, false);
  for (int32_t cell : {1, 2}) {
    ASSERT_EQ(ZMB_RENDER_GDI_CELL_FILL(board_, cell, 0x00FF00), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_CELL_FRAME(board_, cell, 2, kWhite), ZMB_RESULT_SUCCESS);
  }
  Convert();
  EXPECT_EQ(Count(on, 0x00FF00), 96 * 96);
  ExpectRings(on, 2, kWhite);
  EXPECT_EQ(Count(off, 0x00FF00) + Count(off, kWhite), 0);
}

TEST_F(ZmbDrawing, FillsAreClippedToTheSurface) {
  const RECT huge{INT_MIN, INT_MIN, INT_MAX, 2};
  ASSERT_EQ(ZMB_RENDER_GDI_RECT_FILL(board_, &huge, kWhite), ZMB_RESULT_SUCCESS);
  const RECT inverted{300, 300, 200, 200};
  ASSERT_EQ(ZMB_RENDER_GDI_RECT_FILL(board_, &inverted, kWhite), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_EQ(Count(RECT{0, 0, 720, 576}, kWhite), 720 * 2);
}

TEST_F(ZmbDrawing, BitmapsOfEitherRowOrderLandTheRightWayUp) {
  // Top row red, green; bottom row blue, white; stretched twice over.
  const uint32_t picture[2][2] = {{0x0000FF, 0x00FF00}, {0xFF0000, 0xFFFFFF}};
  int left = 0;
  for (int bits : {24, 32}) {
    for (bool topDown : {false, true}) {
      TestBitmap bitmap(2, 2, bits, topDown);
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) bitmap.Set(x, y, picture[y][x]);
      }
      const RECT rect{left, 10, left + 4, 14};
      ASSERT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bitmap.info, bitmap.pixels.data()),
                ZMB_RESULT_SUCCESS);
      left += 8;
    }
  }
  Convert();
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(OsdLuma(8 * i + x, 10 + y), LumaOf(picture[y / 2][x / 2])) << i << ":" << x << "," << y;
      }
    }
  }
}

TEST_F(ZmbDrawing, PaletteBitmapAndPartlyOffSurfaceStretch) {
  struct {
    BITMAPINFO info;
    RGBQUAD more[3];
  } paletted{};
  paletted.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  paletted.info.bmiHeader.biWidth = 2;
  paletted.info.bmiHeader.biHeight = -2;
  paletted.info.bmiHeader.biPlanes = 1;
  paletted.info.bmiHeader.biBitCount = 8;
  paletted.info.bmiHeader.biClrUsed = 4;
  paletted.info.bmiColors[0] = RGBQUAD{0, 0, 255, 0};  // red
  paletted.more[0] = RGBQUAD{0, 255, 0, 0};            // green
  paletted.more[1] = RGBQUAD{255, 0, 0, 0};            // blue
  paletted.more[2] = RGBQUAD{255, 255, 255, 0};        // white
  const uint8_t indexes[8] = {0, 1, 0, 0, 2, 3, 0, 0};  // rows padded to four bytes
  // Four-fold stretch hanging off the top left corner: only the bottom right
  // source pixel shows on the surface.
  const RECT rect{-4, -4, 4, 4};
  ASSERT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &paletted.info, indexes), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_EQ(Count(RECT{0, 0, 4, 4}, kWhite), 16);
  EXPECT_EQ(Count(RECT{4, 0, 8, 8}, kWhite) + Count(RECT{0, 4, 4, 8}, kWhite), 0);
}

TEST_F(ZmbDrawing, UnreadableBitmapsDrawNothing) {
  TestBitmap bitmap(4, 4, 32, false);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) bitmap.Set(x, y, kWhite);
  }
  const RECT rect{0, 0, 16, 16};
  BITMAPINFO bad = bitmap.info;
  bad.bmiHeader.biCompression = 1;  // run-length coded
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bad, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  bad = bitmap.info;
  bad.bmiHeader.biBitCount = 4;
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bad, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  bad = bitmap.info;
  bad.bmiHeader.biWidth = 0;
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bad, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  bad = bitmap.info;
  bad.bmiHeader.biHeight = INT_MIN;
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bad, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  bad = bitmap.info;
  bad.bmiHeader.biSize = 12;  // an OS/2 core header
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bad, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  const RECT inverted{16, 16, 0, 0};
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &inverted, &bitmap.info, bitmap.pixels.data()),
            ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_EQ(Count(RECT{0, 0, 32, 32}, kWhite), 0);
}

TEST_F(ZmbDrawing, CellBitmapUsesTheCellRectangleEvenWhenDisabled) {
  TestBitmap bitmap(1, 1, 24, false);
  bitmap.Set(0, 0, kWhite);
  const RECT rect{40, 50, 60, 58};
  Cell(12, rect, false);
  ASSERT_EQ(ZMB_RENDER_GDI_CELL_BITBLT(board_, 12, &bitmap.info, bitmap.pixels.data()), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_EQ(Count(RECT{0, 0, 720, 576}, kWhite), 20 * 8);
  EXPECT_EQ(Count(rect, kWhite), 20 * 8);
}

TEST_F(ZmbDrawing, OutlineStylesDrawMoreOutlineRings) {
  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
  const uint32_t outline = 0x0000C0;
  int previous = -1;
  for (int32_t style : {0, 1, 2, 3}) {
    ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 50, 50, "CH 12", outline, kWhite, style), ZMB_RESULT_SUCCESS);
    Convert();
    const RECT around{40, 40, 160, 90};
    const int ring = Count(around, outline);
    const int text = Count(around, kWhite);
    EXPECT_GT(text, 40) << style;
    if (style == 0) {
      EXPECT_EQ(ring, 0);
    } else if (style < 3) {
      EXPECT_GT(ring, previous) << style;
    } else {
      EXPECT_GE(ring, previous);
    }
    previous = ring;
    // Nothing spills beyond three pixels around the text.
    const RECT ink = Ink(kWhite);
    EXPECT_EQ(Count(RECT{0, 0, 720, 576}, outline), ring);
    EXPECT_EQ(Count(RECT{ink.left - 3, ink.top - 3, ink.right + 3, ink.bottom + 3}, outline), ring);
  }
}

TEST_F(ZmbDrawing, FontHonoursTheRequestedCharacterHeightAndAverageWidth) {
  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 6, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
  std::string printable;
  for (char c = 0x20; c < 0x7F; ++c) printable.push_back(c);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 100, printable.c_str(), 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 200, "H", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  Convert();
  // 95 characters of 6 pixels on average.
  RECT ink = Ink(kWhite);
  EXPECT_NEAR(ink.right - ink.left, 95 * 6, 95 * 6 * 0.08);
  // A capital of a 22-pixel font is about three quarters of that high, and the
  // cell's top is where the text was placed.
  int top = INT_MAX, bottom = INT_MIN;
  for (int y = 195; y < 240; ++y) {
    for (int x = 5; x < 40; ++x) {
      if (OsdLuma(x, y) == LumaOf(kWhite)) top = std::min(top, y), bottom = std::max(bottom, y + 1);
    }
  }
  EXPECT_GE(bottom - top, 13);
  EXPECT_LE(bottom - top, 19);
  EXPECT_GE(top, 200);
  EXPECT_LE(top, 208);

  // Twice the size, twice the ink.
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 12, 44, 700, 0, "Arial"), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 300, "H", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  Convert();
  ink = Ink(kWhite);
  EXPECT_NEAR(ink.bottom - ink.top, 2 * (bottom - top), 3);
}

TEST_F(ZmbDrawing, TextWithoutAFontOrWithCodePageBytesStillDraws) {
  // The drawing context's stock font serves until a font is set.
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 10, "AB", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_GT(Count(RECT{0, 0, 100, 50}, kWhite), 20);

  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "NoSuchFaceAnywhere"), ZMB_RESULT_SUCCESS);
  // Windows-1252 bytes (e acute, euro sign, an unassigned byte) are not UTF-8.
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 100, "Caf\xE9 \x80\x81", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 200, "OK", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, INT_MAX, INT_MIN, "far", 0, kWhite, 3), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 300, "", 0, kWhite, 3), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_GT(Count(RECT{0, 95, 200, 130}, kWhite), 40);
  EXPECT_GT(Count(RECT{0, 195, 100, 230}, kWhite), 20);
  EXPECT_EQ(Count(RECT{0, 290, 720, 576}, kWhite), 0);
}

// Any nonzero size is taken; sizes beyond what the glyph rasteriser can size
// are held at one it can, so the text still draws and nothing is lost (the
// leak check at exit fails on a scaled font the renderer could not size).
TEST_F(ZmbDrawing, HugeFontSizesDrawWithoutLosingMemory) {
  for (const int32_t height : {-100000, 100000, INT_MIN + 1, INT_MAX}) {
    SCOPED_TRACE(height);
    ASSERT_EQ(ZMB_SET_OSDFNT(board_, INT_MAX, height, 700, 0, "System"), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 10, "H", 0, kWhite, 1), ZMB_RESULT_SUCCESS);
  }
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, 10, 100, "OK", 0, kWhite, 0), ZMB_RESULT_SUCCESS);
  Convert();
  EXPECT_GT(Count(RECT{0, 95, 100, 130}, kWhite), 20);
}

}  // namespace
}  // namespace zmb_test
