// GDI-style drawing on a board's 32-bit drawing surface, done with cairo.
#pragma once

#include <cstdint>

#include "board.h"

namespace zmb {

// Rectangles are GDI rectangles (right and bottom exclusive) in drawing
// coordinates, top line first; anything outside the surface is clipped.
void DrawFill(Board& board, const RECT& rect, uint32_t colour);
// A one-pixel frame just inside the rectangle.
void DrawFrame(Board& board, const RECT& rect, uint32_t colour);
// Nearest-neighbour stretch of the whole bitmap into the rectangle; bitmaps
// this cannot read (compressed, unusual depths, absurd sizes) draw nothing.
void DrawStretchedBitmap(Board& board, const RECT& rect, const BITMAPINFO& info, const void* pixels);

// Creates and selects the OSD font (osd_text.cpp); a face that cannot be
// resolved leaves no font selected and empty font fields.
void SelectOsdFont(Board& board, int32_t width, int32_t height, int32_t weight, int32_t italic,
                   const char* faceName);
void ReleaseOsdFont(Board& board);
// Text in the Windows-1252 code page, (x, y) the top left of its cell.
void DrawOutlinedText(Board& board, int32_t x, int32_t y, const char* text, uint32_t outlineColour,
                      uint32_t textColour, int32_t outlineStyle);

// Converts the drawing surface into the OSD surface (osd_merge.cpp). Rows
// count in memory order, bottom line of the drawing first.
void ConvertDrawingToOsd(Board& board, int32_t left, int32_t top, int32_t right, int32_t bottom);
void MergeOsdOverImage(Board& board);

}  // namespace zmb
