// One renderer board: its three 4:2:2 surfaces, the 32-bit drawing surface,
// the OSD font and the cell table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nuvix_wintypes.h"
#include "scale_rows.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace zmb {

inline constexpr int kWidth = 720;
inline constexpr int kPitch = kWidth * 2;      // bytes per line of a 4:2:2 surface
inline constexpr int kDrawPitch = kWidth * 4;  // bytes per line of the drawing surface
inline constexpr int kCellCount = 128;
inline constexpr uint16_t kTransparentWord = 0x1080;

struct Cell {
  int32_t enabled = 0;
  int32_t hold = 0;
  RECT rect{0, 0, 0, 0};
  // Horizontal scale: the source width and cell width the column table was
  // built for, and one source column per output column.
  int32_t xSourceWidth = 0;
  int32_t xCellWidth = 0;
  std::vector<int32_t> columns;
  ScalePlan plan;             // derived from columns
  bool straightCopy = false;  // UYVY source rows copy through unchanged
  // Vertical scale: one byte offset of a source row per output row.
  int32_t ySourceHeight = 0;
  int32_t yCellHeight = 0;
  std::vector<int32_t> rowOffsets;
};

struct OsdFont {
  cairo_font_face_t* face = nullptr;  // null: no font selected
  double xScale = 0;                  // font matrix of the selected font
  double yScale = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::string faceName;  // at most 259 characters
};

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using MallocPtr = std::unique_ptr<T[], FreeDeleter>;

struct Board {
  int32_t lines = 576;
  int32_t sourceIsUyvy = 1;

  uint8_t* image = nullptr;
  uint8_t* osd = nullptr;
  uint8_t* merged = nullptr;
  MallocPtr<uint8_t> ownedImage;
  MallocPtr<uint8_t> ownedOsd;
  MallocPtr<uint8_t> ownedMerged;

  // 720 x lines pixels B, G, R, A; memory row 0 is the bottom line of the
  // drawing. Zeroed pages straight from the allocator: untouched until drawn.
  MallocPtr<uint32_t> drawing;
  cairo_surface_t* drawSurface = nullptr;  // views `drawing` top line first
  OsdFont font;

  // Guards `cells` and every write to the image surface.
  std::mutex cellLock;
  std::array<Cell, kCellCount> cells;

  size_t SurfaceBytes() const { return static_cast<size_t>(kPitch) * lines; }
  size_t FieldOffset() const { return static_cast<size_t>(kWidth) * lines; }
  uint8_t* DrawingBytes() { return reinterpret_cast<uint8_t*>(drawing.get()); }
};

// Board lifetime (board.cpp).
Board* NewBoard(int32_t standard, int32_t sourceIsUyvy, void* merged, void* image, void* osd);
void DestroyBoard(Board* board);

// Cell image rendering (cell_render.cpp); the caller holds board.cellLock.
void RenderImageIntoCell(Board& board, int32_t cellNumber, const uint8_t* image,
                         int32_t sourceWidth, int32_t sourceHeight);

// Windows MulDiv for non-negative operands: a * b / c rounded to nearest.
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  return static_cast<int32_t>((static_cast<int64_t>(a) * b + c / 2) / c);
}

}  // namespace zmb
