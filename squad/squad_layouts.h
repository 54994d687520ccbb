// The cell rectangles of the fourteen screen-division layouts, for both video
// standards, on the 720-pixel-wide output frame.
#pragma once

#include <cstdint>

#include "nuvix_wintypes.h"

namespace nuvix {

constexpr int kSquadLayouts = 14;   // layouts 1..14
constexpr int kSquadMaxCells = 32;  // cells of one layout slot
constexpr int kSquadCellCounts[kSquadLayouts + 1] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 16, 20, 30};

// Cell count of a layout (0 outside 1..14).
int SquadCellCount(int layout);

// Rectangle of cell position p (0-based) of layout 1..14 on a 576-line
// (standard 0) or 480-line (standard 1) frame; all zero outside the layout.
RECT SquadCellRect(int standard, int layout, int position);

}  // namespace nuvix
