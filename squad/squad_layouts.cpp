#include "squad_layouts.h"

#include <array>

namespace nuvix {
namespace {

using Layout = std::array<RECT, kSquadMaxCells>;
using Standard = std::array<Layout, kSquadLayouts + 1>;  // slot 0 stays empty

// Fills cells from `from` on with a grid of w x h cells, row by row.
constexpr int Grid(Layout& cells, int from, int x0, int y0, int columns, int rows, int w, int h) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) cells[from++] = RECT{x0 + c * w, y0 + r * h, x0 + (c + 1) * w, y0 + (r + 1) * h};
  return from;
}

constexpr int Cell(Layout& cells, int at, int left, int top, int right, int bottom) {
  cells[at] = RECT{left, top, right, bottom};
  return at + 1;
}

// The layouts on the 576-line frame.
constexpr Standard PalLayouts() {
  Standard s{};
  Cell(s[1], 0, 0, 0, 720, 576);
  Cell(s[2], Cell(s[2], Cell(s[2], 0, 0, 0, 720, 288), 0, 288, 360, 576), 360, 288, 720, 576);
  Grid(s[3], 0, 0, 0, 2, 2, 360, 288);
  Grid(s[4], Grid(s[4], 0, 0, 0, 2, 1, 360, 288), 0, 288, 3, 1, 240, 288);
  int n = Cell(s[5], 0, 0, 0, 480, 384);
  n = Grid(s[5], n, 480, 0, 1, 2, 240, 192);
  Grid(s[5], n, 0, 384, 3, 1, 240, 192);
  n = Grid(s[6], 0, 0, 0, 2, 2, 180, 144);
  n = Cell(s[6], n, 360, 0, 720, 288);
  Grid(s[6], n, 0, 288, 2, 1, 360, 288);
  n = Cell(s[7], 0, 0, 0, 540, 432);
  n = Grid(s[7], n, 540, 0, 1, 3, 180, 144);
  Grid(s[7], n, 0, 432, 4, 1, 180, 144);
  Grid(s[8], 0, 0, 0, 3, 3, 240, 192);
  Grid(s[9], Grid(s[9], 0, 0, 0, 2, 1, 360, 288), 0, 288, 4, 2, 180, 144);
  Grid(s[10], 0, 0, 0, 3, 4, 240, 144);
  n = Cell(s[11], 0, 180, 144, 540, 432);
  n = Grid(s[11], n, 0, 0, 4, 1, 180, 144);
  for (int y : {144, 288}) n = Grid(s[11], Grid(s[11], n, 0, y, 1, 1, 180, 144), 540, y, 1, 1, 180, 144);
  Grid(s[11], n, 0, 432, 4, 1, 180, 144);
  Grid(s[12], 0, 0, 0, 4, 4, 180, 144);
  Grid(s[13], 0, 0, 0, 5, 4, 144, 144);
  constexpr int kRows[] = {0, 115, 230, 345, 460, 576};
  for (int r = 0; r < 5; ++r) Grid(s[14], r * 6, 0, kRows[r], 6, 1, 120, kRows[r + 1] - kRows[r]);
  return s;
}

// The 480-line frame: every y scaled by 5/6, except the 30-cell layout's
// rows, which are 96 lines each (5/6 of its 115-line rows would not fit).
constexpr Standard NtscLayouts() {
  Standard s = PalLayouts();
  for (int layout = 1; layout <= kSquadLayouts; ++layout)
    for (RECT& r : s[layout]) {
      r.top = r.top * 5 / 6;
      r.bottom = r.bottom * 5 / 6;
    }
  for (int r = 0; r < 5; ++r) Grid(s[14], r * 6, 0, r * 96, 6, 1, 120, 96);
  return s;
}

constexpr std::array<Standard, 2> kLayouts = {PalLayouts(), NtscLayouts()};

}  // namespace

int SquadCellCount(int layout) { return layout >= 1 && layout <= kSquadLayouts ? kSquadCellCounts[layout] : 0; }

RECT SquadCellRect(int standard, int layout, int position) {
  if (layout < 1 || layout > kSquadLayouts || position < 0 || position >= kSquadMaxCells) return RECT{};
  return kLayouts[standard ? 1 : 0][layout][position];
}

}  // namespace nuvix
