// The fourteen screen-division layouts in both standards: every layout
// covers the whole frame exactly once with cells the renderer can fill, and
// the cells come in the documented order.
#include <gtest/gtest.h>

#include <vector>

#include "squad_layouts.h"

namespace {

using nuvix::SquadCellRect;

TEST(SquadLayouts, EveryLayoutTilesTheFrameWithWholePixelPairs) {
  for (int standard : {0, 1}) {
    const int lines = standard ? 480 : 576;
    for (int layout = 1; layout <= nuvix::kSquadLayouts; ++layout) {
      SCOPED_TRACE(testing::Message() << "standard " << standard << ", layout " << layout);
      const int n = nuvix::SquadCellCount(layout);
      std::vector<int> covered(static_cast<size_t>(720) * lines, 0);
      for (int p = 0; p < n; ++p) {
        const RECT r = SquadCellRect(standard, layout, p);
        ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 720 && r.bottom <= lines && r.left < r.right &&
                    r.top < r.bottom)
            << "cell " << p;
        EXPECT_EQ(r.left % 2, 0) << "cell " << p;
        EXPECT_EQ((r.right - r.left) % 2, 0) << "cell " << p;
        for (int y = r.top; y < r.bottom; ++y)
          for (int x = r.left; x < r.right; ++x) ++covered[static_cast<size_t>(y) * 720 + x];
      }
      for (size_t i = 0; i < covered.size(); ++i)
        ASSERT_EQ(covered[i], 1) << "pixel " << i % 720 << "," << i / 720;
      // Slots beyond the cell count are empty.
      const RECT beyond = SquadCellRect(standard, layout, n);
      EXPECT_EQ(beyond.right - beyond.left, 0);
    }
  }
  EXPECT_EQ(nuvix::SquadCellCount(0), 0);
  EXPECT_EQ(nuvix::SquadCellCount(15), 0);
}

struct Expected {
  int standard, layout, position;
  RECT rect;
};

TEST(SquadLayouts, CellsComeInTheirOrderAtTheirPlaces) {
  const Expected cases[] = {
      {0, 1, 0, {0, 0, 720, 576}},        {1, 1, 0, {0, 0, 720, 480}},
      {0, 2, 1, {0, 288, 360, 576}},      {1, 2, 2, {360, 240, 720, 480}},  // bottom row at 240
      {0, 3, 1, {360, 0, 720, 288}},      {1, 3, 2, {0, 240, 360, 480}},
      {0, 4, 2, {0, 288, 240, 576}},      {1, 4, 4, {480, 240, 720, 480}},
      {0, 5, 0, {0, 0, 480, 384}},        {0, 5, 2, {480, 192, 720, 384}},  {1, 5, 5, {480, 320, 720, 480}},
      {0, 6, 2, {0, 144, 180, 288}},      {0, 6, 4, {360, 0, 720, 288}},    {1, 6, 6, {360, 240, 720, 480}},
      {0, 7, 0, {0, 0, 540, 432}},        {0, 7, 3, {540, 288, 720, 432}},  {1, 7, 7, {540, 360, 720, 480}},
      {0, 8, 4, {240, 192, 480, 384}},    {1, 8, 8, {480, 320, 720, 480}},
      {0, 9, 2, {0, 288, 180, 432}},      {1, 9, 9, {540, 360, 720, 480}},
      {0, 10, 3, {0, 144, 240, 288}},     {1, 10, 11, {480, 360, 720, 480}},
      {0, 11, 0, {180, 144, 540, 432}},   {0, 11, 5, {0, 144, 180, 288}},   {0, 11, 8, {540, 288, 720, 432}},
      {1, 11, 12, {540, 360, 720, 480}},  {0, 12, 5, {180, 144, 360, 288}}, {1, 12, 15, {540, 360, 720, 480}},
      {0, 13, 6, {144, 144, 288, 288}},   {1, 13, 19, {576, 360, 720, 480}},
      {0, 14, 6, {0, 115, 120, 230}},     {0, 14, 29, {600, 460, 720, 576}},  // last row 116 high
      {1, 14, 6, {0, 96, 120, 192}},      {1, 14, 29, {600, 384, 720, 480}},  // rows of 96
  };
  for (const Expected& c : cases) {
    const RECT r = SquadCellRect(c.standard, c.layout, c.position);
    EXPECT_TRUE(r.left == c.rect.left && r.top == c.rect.top && r.right == c.rect.right &&
                r.bottom == c.rect.bottom)
        << "standard " << c.standard << ", layout " << c.layout << ", cell " << c.position << ": " << r.left << ","
        << r.top << "," << r.right << "," << r.bottom;
  }
}

}  // namespace
