// Board slots, status codes and the argument checks of every export.
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "zmb_test_support.h"

namespace zmb_test {
namespace {

TEST(ZmbBoardTable, CreateRefusesBadStandardAndNullOutWithSeventeen) {
  int32_t index = 99;
  EXPECT_EQ(ZMB_CREATE_BOARD(2, &index, 1, nullptr, nullptr, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(index, 0);
  index = 99;
  EXPECT_EQ(ZMB_CREATE_BOARD(-1, &index, 1, nullptr, nullptr, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(ZMB_CREATE_BOARD(0, nullptr, 1, nullptr, nullptr, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
}

TEST(ZmbBoardTable, SlotsStartAtOneAndTheHundredTwentyEighthBoardFindsNoSlot) {
  // All boards share one set of supplied surfaces to keep the test small.
  std::vector<uint8_t> surfaces(3u * 720 * 576 * 2);
  uint8_t* merged = surfaces.data();
  uint8_t* image = merged + 720 * 576 * 2;
  uint8_t* osd = image + 720 * 576 * 2;
  std::vector<int32_t> boards;
  for (int i = 0; i < 127; ++i) {
    int32_t index = 0;
    ASSERT_EQ(ZMB_CREATE_BOARD(i % 2, &index, 1, merged, image, osd), ZMB_RESULT_SUCCESS);
    EXPECT_EQ(index, i + 1);
    boards.push_back(index);
  }
  int32_t index = 99;
  EXPECT_EQ(ZMB_CREATE_BOARD(0, &index, 1, merged, image, osd), ZMB_RESULT_NO_FREE_SLOT);
  EXPECT_EQ(index, 0);

  // A freed slot is the first empty one again.
  EXPECT_EQ(ZMB_DELETE_BOARD(5), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(ZMB_CREATE_BOARD(1, &index, 1, merged, image, osd), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(index, 5);
  for (int32_t b : boards) EXPECT_EQ(ZMB_DELETE_BOARD(b), ZMB_RESULT_SUCCESS);
}

TEST(ZmbBoardTable, DeletingSlotZeroOrADeletedBoardReturnsSeventeen) {
  EXPECT_EQ(ZMB_DELETE_BOARD(0), ZMB_RESULT_INVALID_ARGUMENT);
  int32_t index = 0;
  ASSERT_EQ(ZMB_CREATE_BOARD(0, &index, 1, nullptr, nullptr, nullptr), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(ZMB_DELETE_BOARD(index), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(ZMB_DELETE_BOARD(index), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_DELETE_BOARD(128), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_DELETE_BOARD(-1), ZMB_RESULT_INVALID_ARGUMENT);
}

TEST(ZmbBoardTable, EveryExportRefusesABoardThatIsNotThere) {
  RECT rect{0, 0, 16, 16};
  int32_t cells[1] = {0};
  uint8_t pixels[64] = {};
  BITMAPINFO info{};
  void* surface = nullptr;
  const std::vector<std::function<int32_t(int32_t)>> exports = {
      [&](int32_t b) { return ZMB_DELETE_BOARD(b); },
      [&](int32_t b) { return ZMB_SET_OSDFNT(b, 10, 22, 700, 0, "System"); },
      [&](int32_t b) { return ZMB_GET_BOARD_SURFACE(b, &surface, &surface, &surface); },
      [&](int32_t b) { return ZMB_REGIST_CELL(b, 0, &rect); },
      [&](int32_t b) { return ZMB_CHANGE_CELL(b, 0, 1, 0); },
      [&](int32_t b) { return ZMB_CHANGE_CELLTBL(b, cells, 1, 1, 0); },
      [&](int32_t b) { return ZMB_CLEAR_ALLCELL(b); },
      [&](int32_t b) { return ZMB_RENDER_IMG_CELL(b, 0, pixels, 4, 4); },
      [&](int32_t b) { return ZMB_RENDER_IMG_CLEAR(b); },
      [&](int32_t b) { return ZMB_RENDER_OSD_SURFACE(b); },
      [&](int32_t b) { return ZMB_RENDER_OSD_SURFACE_AREA(b, &rect); },
      [&](int32_t b) { return ZMB_RENDER_MRG_SURFACE(b); },
      [&](int32_t b) { return ZMB_RENDER_GDI_CLEAR(b); },
      [&](int32_t b) { return ZMB_RENDER_GDI_RECT_FILL(b, &rect, 0xFFFFFF); },
      [&](int32_t b) { return ZMB_RENDER_GDI_RECT_BITBLT(b, &rect, &info, pixels); },
      [&](int32_t b) { return ZMB_RENDER_GDI_CELL_FILL(b, 0, 0xFFFFFF); },
      [&](int32_t b) { return ZMB_RENDER_GDI_CELL_FRAME(b, 0, 1, 0xFFFFFF); },
      [&](int32_t b) { return ZMB_RENDER_GDI_CELL_BORDER(b, 1, 0xFFFFFF); },
      [&](int32_t b) { return ZMB_RENDER_GDI_CELL_BITBLT(b, 0, &info, pixels); },
      [&](int32_t b) { return ZMB_RENDER_GDI_STRING(b, 0, 0, "A", 0, 0xFFFFFF, 1); },
  };
  ASSERT_EQ(exports.size(), 20u);  // all 22 but create and the test value
  for (int32_t board : {0, 7, 127, 128, -1, INT_MIN, INT_MAX}) {
    for (size_t i = 0; i < exports.size(); ++i) {
      EXPECT_EQ(exports[i](board), ZMB_RESULT_INVALID_ARGUMENT) << "export " << i << " board " << board;
    }
  }
}

TEST(ZmbBoardTable, TestValueAlwaysAnswersOne) {
  EXPECT_EQ(ZMB_IO_TDD(10), 1);
  EXPECT_EQ(ZMB_IO_TDD(0), 1);
  EXPECT_EQ(ZMB_IO_TDD(-1), 1);
}

TEST(ZmbBoardTable, SuppliedSurfacesAreAdoptedFilledAndLeftToTheirOwner) {
  const size_t bytes = 720u * 480 * 2;  // NTSC
  const size_t guard = 64;
  std::vector<uint8_t> merged(bytes + guard, 0x55), image(bytes + guard, 0x55), osd(bytes + guard, 0x55);
  int32_t index = 0;
  ASSERT_EQ(ZMB_CREATE_BOARD(ZMB_STANDARD_NTSC, &index, 0, merged.data(), image.data(), osd.data()),
            ZMB_RESULT_SUCCESS);
  void* gotImage = nullptr;
  void* gotOsd = nullptr;
  void* gotMerged = nullptr;
  ASSERT_EQ(ZMB_GET_BOARD_SURFACE(index, &gotImage, &gotOsd, &gotMerged), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(gotImage, image.data());
  EXPECT_EQ(gotOsd, osd.data());
  EXPECT_EQ(gotMerged, merged.data());

  for (size_t i = 0; i < bytes; ++i) {
    ASSERT_EQ(image[i], 0x80) << i;
    ASSERT_EQ(merged[i], 0x80) << i;
    ASSERT_EQ(osd[i], i % 2 ? 0x10 : 0x80) << i;
  }
  for (size_t i = bytes; i < bytes + guard; ++i) {
    ASSERT_EQ(image[i], 0x55);
    ASSERT_EQ(merged[i], 0x55);
    ASSERT_EQ(osd[i], 0x55);
  }

  // The whole height of an NTSC board is addressable, not one line more.
  const RECT last{0, 478, 720, 480};
  EXPECT_EQ(ZMB_REGIST_CELL(index, 0, &last), ZMB_RESULT_SUCCESS);
  const RECT beyond{0, 478, 720, 481};
  EXPECT_EQ(ZMB_REGIST_CELL(index, 1, &beyond), ZMB_RESULT_INVALID_ARGUMENT);
  ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(index), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(index), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(index), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(ZMB_DELETE_BOARD(index), ZMB_RESULT_SUCCESS);
  // The buffers outlive the board (a free by the library would show as a
  // double free when the vectors go).
  image[0] = 1;
  EXPECT_EQ(osd[bytes + guard - 1], 0x55);
}

class ZmbArguments : public BoardTest {};

TEST_F(ZmbArguments, FontNeedsSizeAndFace) {
  EXPECT_EQ(ZMB_SET_OSDFNT(board_, 0, 22, 700, 0, "System"), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_SET_OSDFNT(board_, 10, 0, 700, 0, "System"), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
  // A face name longer than the 260-character field is cut, not refused.
  const std::string longName(400, 'Q');
  EXPECT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 400, 1, longName.c_str()), ZMB_RESULT_SUCCESS);
}

TEST_F(ZmbArguments, NullPointersAndOutOfRangeCellsAreRefused) {
  void* surface = nullptr;
  EXPECT_EQ(ZMB_GET_BOARD_SURFACE(board_, nullptr, &surface, &surface), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_GET_BOARD_SURFACE(board_, &surface, nullptr, &surface), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_GET_BOARD_SURFACE(board_, &surface, &surface, nullptr), ZMB_RESULT_INVALID_ARGUMENT);

  const RECT rect{0, 0, 16, 16};
  TestBitmap bitmap(2, 2, 32, false);
  uint8_t pixels[16] = {};
  for (int32_t cell : {128, 200, -1, INT_MIN}) {
    EXPECT_EQ(ZMB_REGIST_CELL(board_, cell, &rect), ZMB_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(ZMB_CHANGE_CELL(board_, cell, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, cell, pixels, 4, 2), ZMB_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(ZMB_RENDER_GDI_CELL_FILL(board_, cell, 0xFFFFFF), ZMB_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(ZMB_RENDER_GDI_CELL_FRAME(board_, cell, 2, 0xFFFFFF), ZMB_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(ZMB_RENDER_GDI_CELL_BITBLT(board_, cell, &bitmap.info, bitmap.pixels.data()),
              ZMB_RESULT_INVALID_ARGUMENT);
  }
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, nullptr, 4, 2), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_FILL(board_, nullptr, 0), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, nullptr, &bitmap.info, bitmap.pixels.data()),
            ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, nullptr, bitmap.pixels.data()),
            ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_RECT_BITBLT(board_, &rect, &bitmap.info, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_CELL_BITBLT(board_, 0, nullptr, bitmap.pixels.data()), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_CELL_BITBLT(board_, 0, &bitmap.info, nullptr), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_GDI_STRING(board_, 0, 0, nullptr, 0, 0xFFFFFF, 2), ZMB_RESULT_INVALID_ARGUMENT);
}

TEST_F(ZmbArguments, ImageSizesMustDescribeWholePixelPairs) {
  std::vector<uint8_t> pixels(64, 0);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), 0, 4), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), 4, 0), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), -4, 4), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), 3, 4), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), 1 << 20, 1), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_IMG_CELL(board_, 0, pixels.data(), 4, 4), ZMB_RESULT_SUCCESS);
}

TEST_F(ZmbArguments, OsdAreaMustBeAtLeastTwoByTwo) {
  const RECT narrow{10, 10, 11, 20};
  const RECT flat{10, 10, 20, 11};
  const RECT inverted{20, 20, 10, 10};
  const RECT overflowing{INT_MAX, 0, INT_MIN, 10};
  const RECT smallest{10, 10, 12, 12};
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &narrow), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &flat), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &inverted), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &overflowing), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_RENDER_OSD_SURFACE_AREA(board_, &smallest), ZMB_RESULT_SUCCESS);
}

}  // namespace
}  // namespace zmb_test
