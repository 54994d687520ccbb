#include "board.h"

#include <cairo.h>

#include <cstring>
#include <new>

namespace zmb {
namespace {

uint8_t* AdoptOrAllocate(void* supplied, MallocPtr<uint8_t>& owned, size_t bytes) {
  if (supplied) return static_cast<uint8_t*>(supplied);
  owned.reset(static_cast<uint8_t*>(std::malloc(bytes)));
  return owned.get();
}

void FillWithTransparentWord(uint8_t* surface, size_t bytes) {
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    surface[i] = 0x80;
    surface[i + 1] = 0x10;
  }
}

}  // namespace

Board* NewBoard(int32_t standard, int32_t sourceIsUyvy, void* merged, void* image, void* osd) {
  auto* board = new (std::nothrow) Board;
  if (!board) return nullptr;
  board->lines = standard == 1 ? 480 : 576;
  board->sourceIsUyvy = sourceIsUyvy;

  const size_t bytes = board->SurfaceBytes();
  board->merged = AdoptOrAllocate(merged, board->ownedMerged, bytes);
  board->image = AdoptOrAllocate(image, board->ownedImage, bytes);
  board->osd = AdoptOrAllocate(osd, board->ownedOsd, bytes);
  board->drawing.reset(static_cast<uint32_t*>(std::calloc(static_cast<size_t>(kWidth) * board->lines, 4)));
  if (!board->merged || !board->image || !board->osd || !board->drawing) {
    delete board;
    return nullptr;
  }
  std::memset(board->image, 0x80, bytes);
  std::memset(board->merged, 0x80, bytes);
  FillWithTransparentWord(board->osd, bytes);

  // The drawing keeps the bottom-up memory order of a device-independent
  // bitmap: cairo sees the top line at the last memory row and walks memory
  // backwards with a negative stride.
  board->drawSurface = cairo_image_surface_create_for_data(
      board->DrawingBytes() + static_cast<size_t>(board->lines - 1) * kDrawPitch, CAIRO_FORMAT_RGB24,
      kWidth, board->lines, -kDrawPitch);
  return board;
}

void DestroyBoard(Board* board) {
  if (!board) return;
  if (board->font.face) cairo_font_face_destroy(board->font.face);
  if (board->drawSurface) {
    cairo_surface_finish(board->drawSurface);
    cairo_surface_destroy(board->drawSurface);
  }
  delete board;
}

}  // namespace zmb
