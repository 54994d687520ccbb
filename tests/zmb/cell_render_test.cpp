// Cell table and the scaling of camera images into cells.
#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "zmb_test_support.h"

// How the test output names a rectangle (instead of a dump of its bytes).
void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace zmb_test {
namespace {

// A packed 4:2:2 camera image whose every sample tells where it came from.
struct Camera {
  int width, height;
  bool uyvy;
  std::vector<uint8_t> bytes;  // exactly width x height x 2, so over-reads show

  Camera(int w, int h, bool isUyvy, int seed = 0) : width(w), height(h), uyvy(isUyvy) {
    bytes.resize(static_cast<size_t>(w) * h * 2);
    for (int y = 0; y < h; ++y) {
      for (int p = 0; p < w / 2; ++p) {
        uint8_t* q = bytes.data() + static_cast<size_t>(y) * w * 2 + p * 4;
        const uint8_t u = U(p, y, seed), v = V(p, y, seed), y0 = Y(2 * p, y, seed), y1 = Y(2 * p + 1, y, seed);
        if (uyvy) {
          q[0] = u, q[1] = y0, q[2] = v, q[3] = y1;
        } else {
          q[0] = y0, q[1] = u, q[2] = y1, q[3] = v;
        }
      }
    }
  }
  static uint8_t Y(int x, int y, int seed) { return static_cast<uint8_t>(x * 3 + y * 7 + seed); }
  static uint8_t U(int pair, int y, int seed) { return static_cast<uint8_t>(pair * 5 + y * 3 + 1 + seed); }
  static uint8_t V(int pair, int y, int seed) { return static_cast<uint8_t>(pair * 9 + y * 11 + 2 + seed); }
};

// Nearest source position of output position i when d positions cover s.
int Nearest(int i, int s, int d) {
  const int n = static_cast<int>(std::floor(static_cast<double>(i) * s / d + 0.5));
  return n < s ? n : s - 1;
}

class ZmbCells : public BoardTest {
 protected:
  void Enable(int32_t cell, int32_t hold = 0) {
    ASSERT_EQ(ZMB_CHANGE_CELL(board_, cell, 1, hold), ZMB_RESULT_SUCCESS);
  }
  void Register(int32_t cell, const RECT& rect) {
    ASSERT_EQ(ZMB_REGIST_CELL(board_, cell, &rect), ZMB_RESULT_SUCCESS);
  }
  int32_t Render(int32_t cell, const Camera& camera) {
    return ZMB_RENDER_IMG_CELL(board_, cell, camera.bytes.data(), camera.width, camera.height);
  }

  // Every output pair of the rectangle against the nearest-neighbour rule,
  // and the pixels around it untouched.
  void ExpectCellShows(const RECT& rect, const Camera& camera, int seed = 0) {
    const int cw = rect.right - rect.left, ch = rect.bottom - rect.top;
    int mismatches = 0;
    for (int r = 0; r < ch && mismatches < 5; ++r) {
      const int row = Nearest(r, camera.height, ch);
      for (int c = 0; c < cw && mismatches < 5; c += 2) {
        const int o = Nearest(c, camera.width, cw), t = Nearest(c + 1, camera.width, cw);
        const std::array<uint8_t, 4> expected = {Camera::U(o / 2, row, seed), Camera::Y(o, row, seed),
                                                 Camera::V(o / 2, row, seed), Camera::Y(t, row, seed)};
        const std::array<uint8_t, 4> got = ImageGroup(rect.left + c, rect.top + r);
        if (got != expected) {
          ++mismatches;
          ADD_FAILURE() << "output (" << c << ", " << r << ") from source (" << o << "/" << t << ", " << row
                        << ")";
        }
      }
    }
    ExpectGreyAround(rect);
  }

  void ExpectGreyAround(const RECT& rect) {
    const std::array<uint8_t, 4> grey = {0x80, 0x80, 0x80, 0x80};
    for (int y = rect.top; y < rect.bottom; ++y) {
      if (rect.left >= 2) {
        EXPECT_EQ(ImageGroup(rect.left - 2, y), grey);
      }
      if (rect.right < kWidth) {
        EXPECT_EQ(ImageGroup(rect.right, y), grey);
      }
    }
    for (int x = rect.left; x < rect.right; x += 2) {
      if (rect.top > 0) {
        EXPECT_EQ(ImageGroup(x, rect.top - 1), grey);
      }
      if (rect.bottom < lines_) {
        EXPECT_EQ(ImageGroup(x, rect.bottom), grey);
      }
    }
  }

  void ExpectUniformGrey(const RECT& rect) {
    const std::array<uint8_t, 4> grey = {0x80, 0x80, 0x80, 0x80};
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; x += 2) {
        if (ImageGroup(x, y) != grey) {
          ADD_FAILURE() << "(" << x << ", " << y << ") was drawn";
          return;
        }
      }
    }
  }
};

TEST_F(ZmbCells, HalfSizeCellTakesEverySecondColumnAndRow) {
  TraceRecorder trace;
  const Camera camera(720, 576, true);
  const RECT rect{360, 288, 720, 576};
  Register(5, rect);
  Enable(5);
  ASSERT_EQ(Render(5, camera), ZMB_RESULT_SUCCESS);

  for (int r = 0; r < 288; r += 7) {
    for (int c = 0; c < 360; c += 2) {
      const std::array<uint8_t, 4> expected = {Camera::U(c, 2 * r, 0), Camera::Y(2 * c, 2 * r, 0),
                                               Camera::V(c, 2 * r, 0), Camera::Y(2 * c + 2, 2 * r, 0)};
      ASSERT_EQ(ImageGroup(360 + c, 288 + r), expected) << c << "," << r;
    }
  }
  ExpectCellShows(rect, camera);
  EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"INX:5, YYSCALE TABLE MADE:[0,B40..] \r\n",
                                                    "INX:5, XXSCALE TABLE MADE:[0,2..] \r\n"}));
}

TEST_F(ZmbCells, ScaleTablesAreRebuiltOnlyWhenASizeChanges) {
  TraceRecorder trace;
  const Camera first(704, 576, true), same(704, 576, true, 40), smaller(352, 288, true);
  Register(9, RECT{0, 0, 180, 144});
  Enable(9);
  ASSERT_EQ(Render(9, first), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(Render(9, same), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(trace.Lines().size(), 2u);
  ExpectCellShows(RECT{0, 0, 180, 144}, same, 40);

  // Moving the cell keeps its size, and so its tables.
  ASSERT_EQ(ZMB_RENDER_IMG_CLEAR(board_), ZMB_RESULT_SUCCESS);
  Register(9, RECT{360, 144, 540, 288});
  ASSERT_EQ(Render(9, first), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(trace.Lines().size(), 2u);
  ExpectCellShows(RECT{360, 144, 540, 288}, first);

  trace.Clear();
  ASSERT_EQ(Render(9, smaller), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"INX:9, YYSCALE TABLE MADE:[0,580..] \r\n",
                                                    "INX:9, XXSCALE TABLE MADE:[0,2..] \r\n"}));
  ExpectCellShows(RECT{360, 144, 540, 288}, smaller);

  trace.Clear();
  Register(9, RECT{360, 144, 720, 432});
  ASSERT_EQ(Render(9, smaller), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(trace.Lines().size(), 2u);
  ExpectCellShows(RECT{360, 144, 720, 432}, smaller);
}

using SizeCase = std::tuple<int, int, RECT, bool>;  // source width, height, cell, UYVY

std::string SizeCaseName(const ::testing::TestParamInfo<SizeCase>& info) {
  const RECT& rect = std::get<2>(info.param);
  return std::to_string(std::get<0>(info.param)) + "x" + std::to_string(std::get<1>(info.param)) + "_to_" +
         std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
         (std::get<3>(info.param) ? "_UYVY" : "_YUY2");
}

class ZmbScaling : public ZmbCells, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ZmbScaling, EveryOutputPairFollowsTheNearestSourcePixels) {
  const auto [width, height, rect, uyvy] = GetParam();
  ZMB_DELETE_BOARD(board_);
  CreateBoard(ZMB_STANDARD_PAL, uyvy ? 1 : 0);
  const Camera camera(width, height, uyvy, 17);
  Register(77, rect);
  Enable(77);
  ASSERT_EQ(Render(77, camera), ZMB_RESULT_SUCCESS);
  ExpectCellShows(rect, camera, 17);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ZmbScaling,
    ::testing::Values(SizeCase{704, 576, RECT{180, 144, 360, 288}, true},   // 16-cell layout
                      SizeCase{704, 576, RECT{180, 144, 360, 288}, false},  // same from YUY2
                      SizeCase{720, 480, RECT{120, 115, 240, 230}, true},   // 30-cell layout
                      SizeCase{352, 240, RECT{0, 0, 720, 576}, true},       // upscale
                      SizeCase{720, 576, RECT{0, 0, 720, 576}, true},       // one to one
                      SizeCase{720, 576, RECT{0, 0, 720, 576}, false},
                      SizeCase{6, 3, RECT{2, 4, 722 - 2, 576}, true},       // far larger than source
                      SizeCase{2, 1, RECT{100, 100, 108, 104}, false},
                      SizeCase{176, 144, RECT{0, 0, 242, 100}, true}),
    SizeCaseName);

TEST_F(ZmbCells, RandomSourcesAndCellsFollowTheNearestSourcePixels) {
  std::mt19937 random(3);
  for (int trial = 0; trial < 12; ++trial) {
    const bool uyvy = trial % 2 == 0;
    ZMB_DELETE_BOARD(board_);
    CreateBoard(ZMB_STANDARD_PAL, uyvy ? 1 : 0);
    const int width = 2 * (1 + static_cast<int>(random() % 400));
    const int height = 1 + static_cast<int>(random() % 600);
    const Camera camera(width, height, uyvy, trial);
    const int cw = 2 * (1 + static_cast<int>(random() % 360)), ch = 1 + static_cast<int>(random() % lines_);
    const int left = 2 * static_cast<int>(random() % ((kWidth - cw) / 2 + 1));
    const int top = static_cast<int>(random() % static_cast<unsigned>(lines_ - ch + 1));
    const RECT rect{left, top, left + cw, top + ch};
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " into " + std::to_string(cw) + "x" +
                 std::to_string(ch));
    Register(5, rect);
    Enable(5);
    ASSERT_EQ(Render(5, camera), ZMB_RESULT_SUCCESS);
    ExpectCellShows(rect, camera, trial);
  }
}

TEST_F(ZmbCells, HeldAndDisabledCellsKeepTheirContents) {
  const Camera before(352, 288, true, 0), after(352, 288, true, 99);
  const RECT held{0, 0, 360, 288}, disabled{360, 288, 720, 576};
  Register(1, held);
  Register(2, disabled);
  Enable(1);
  Enable(2);
  ASSERT_EQ(Render(1, before), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(Render(2, before), ZMB_RESULT_SUCCESS);

  Enable(1, /*hold=*/1);
  ASSERT_EQ(ZMB_CHANGE_CELL(board_, 2, 0, 0), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(1, after), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(2, after), ZMB_RESULT_SUCCESS);
  ExpectCellShows(held, before);
  ExpectCellShows(disabled, before);

  // Released, the held cell takes images again.
  const int32_t list[] = {1};
  ASSERT_EQ(ZMB_CHANGE_CELLTBL(board_, list, 1, 1, 0), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(Render(1, after), ZMB_RESULT_SUCCESS);
  ExpectCellShows(held, after, 99);
}

TEST_F(ZmbCells, UnregisteredCellDrawsNothing) {
  const Camera camera(352, 288, true);
  Enable(40);
  EXPECT_EQ(Render(40, camera), ZMB_RESULT_SUCCESS);
  ExpectUniformGrey(RECT{0, 0, 720, 576});
}

TEST_F(ZmbCells, RectanglesOffTheSurfaceOrOffThePairGridAreRefused) {
  const RECT good{100, 100, 200, 200};
  Register(3, good);
  Enable(3);
  const RECT bad[] = {
      {-2, 0, 100, 100},    // left of the surface
      {0, -1, 100, 100},    // above it
      {620, 0, 722, 100},   // right of it
      {0, 500, 100, 577},   // below it
      {101, 0, 201, 100},   // odd left edge
      {100, 0, 201, 100},   // odd width
      {100, 0, 100, 100},   // empty
      {100, 50, 200, 50},   // empty
      {200, 0, 100, 100},   // inverted
      {0, 0, 2147483646, 100},
  };
  for (const RECT& rect : bad) {
    EXPECT_EQ(ZMB_REGIST_CELL(board_, 3, &rect), ZMB_RESULT_INVALID_ARGUMENT)
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }
  // A null rectangle succeeds and changes nothing either.
  EXPECT_EQ(ZMB_REGIST_CELL(board_, 3, nullptr), ZMB_RESULT_SUCCESS);

  const Camera camera(352, 288, true);
  ASSERT_EQ(Render(3, camera), ZMB_RESULT_SUCCESS);
  ExpectCellShows(good, camera);
}

TEST_F(ZmbCells, CellListWithABadEntryChangesNoCell) {
  Register(3, RECT{0, 0, 64, 64});
  Register(4, RECT{64, 0, 128, 64});
  const int32_t withBadEntry[] = {3, 128, 4};
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, withBadEntry, 3, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
  const int32_t negative[] = {3, -5};
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, negative, 2, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
  const int32_t good[] = {3, 4};
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, nullptr, 2, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, good, 0, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, good, 128, 1, 0), ZMB_RESULT_INVALID_ARGUMENT);
  const Camera camera(64, 64, true);
  EXPECT_EQ(Render(3, camera), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(4, camera), ZMB_RESULT_SUCCESS);
  ExpectUniformGrey(RECT{0, 0, 128, 64});

  // Flags given as any nonzero value count as set.
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, good, 2, 7, 0), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(3, camera), ZMB_RESULT_SUCCESS);
  ExpectCellShows(RECT{0, 0, 64, 64}, camera);

  std::vector<int32_t> all(127);
  for (int32_t i = 0; i < 127; ++i) all[static_cast<size_t>(i)] = i;
  EXPECT_EQ(ZMB_CHANGE_CELLTBL(board_, all.data(), 127, 1, -3), ZMB_RESULT_SUCCESS);
  ASSERT_EQ(ZMB_RENDER_IMG_CLEAR(board_), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(4, camera), ZMB_RESULT_SUCCESS);  // held now
  ExpectUniformGrey(RECT{0, 0, 128, 64});
}

TEST_F(ZmbCells, ClearAllCellDisablesCellsButKeepsTheirRectangles) {
  const Camera camera(64, 64, true);
  const RECT rect{200, 100, 264, 164};
  Register(127, rect);
  Enable(127);
  ASSERT_EQ(ZMB_CLEAR_ALLCELL(board_), ZMB_RESULT_SUCCESS);
  EXPECT_EQ(Render(127, camera), ZMB_RESULT_SUCCESS);
  ExpectUniformGrey(rect);

  Enable(127);
  EXPECT_EQ(Render(127, camera), ZMB_RESULT_SUCCESS);
  ExpectCellShows(rect, camera);

  ASSERT_EQ(ZMB_RENDER_IMG_CLEAR(board_), ZMB_RESULT_SUCCESS);
  ExpectUniformGrey(RECT{0, 0, 720, 576});
}

}  // namespace
}  // namespace zmb_test
