// The ZMB_ exports: argument checks, the board table and the cell table.
#include <algorithm>
#include <cstring>
#include <atomic>
#include <mutex>

#include "board.h"
#include "drawing.h"
#include "nuvix_trace.h"

#pragma GCC visibility push(default)
#include "zmb.h"
#pragma GCC visibility pop

namespace {

using zmb::Board;

constexpr int32_t kSuccess = ZMB_RESULT_SUCCESS;
constexpr int32_t kInvalid = ZMB_RESULT_INVALID_ARGUMENT;
constexpr int32_t kNoFreeSlot = ZMB_RESULT_NO_FREE_SLOT;
constexpr int32_t kBoardSlots = ZMB_MAX_BOARDS;
constexpr int32_t kLargestSource = 16384;

// Slot 0 is never handed out, so a zeroed handle is never a board. Every call
// counts itself in its slot's users while it uses the board; delete empties
// the slot, then waits until the calls in flight have left, so no call ever
// sees a board that is being destroyed. Creating and deleting take the table lock.
struct Slot {
  std::atomic<Board*> board{nullptr};
  std::atomic<int32_t> users{0};
};
Slot g_slots[kBoardSlots];
int32_t g_liveBoards = 0;
std::mutex g_tableLock;

// The board of a handle, kept alive for as long as the reference lives.
class BoardRef {
 public:
  explicit BoardRef(int32_t index) {
    if (index < 0 || index >= kBoardSlots) return;
    slot_ = &g_slots[index];
    slot_->users.fetch_add(1);
    board_ = slot_->board.load();
  }
  ~BoardRef() {
    if (slot_ && slot_->users.fetch_sub(1) == 1) slot_->users.notify_all();
  }
  BoardRef(const BoardRef&) = delete;
  BoardRef& operator=(const BoardRef&) = delete;
  explicit operator bool() const { return board_ != nullptr; }
  Board& operator*() const { return *board_; }
  Board* operator->() const { return board_; }

 private:
  Slot* slot_ = nullptr;
  Board* board_ = nullptr;
};

// Empties a slot and waits until no call uses its board; returns the board.
// The caller holds the table lock.
Board* TakeSlot(int32_t index) {
  Slot& slot = g_slots[index];
  Board* board = slot.board.exchange(nullptr);
  for (int32_t users = slot.users.load(); users != 0; users = slot.users.load()) slot.users.wait(users);
  return board;
}

bool ValidCell(int32_t cell) { return cell >= 0 && cell < zmb::kCellCount; }

// Cells are written in whole UYVY pixel pairs, so a rectangle must lie on the
// surface, start on an even column and be an even number of pixels wide.
bool ValidCellRect(const Board& board, const RECT& rect) {
  return rect.left >= 0 && rect.top >= 0 && rect.right <= zmb::kWidth && rect.bottom <= board.lines &&
         rect.left < rect.right && rect.top < rect.bottom && rect.left % 2 == 0 &&
         (rect.right - rect.left) % 2 == 0;
}

struct CellShape {
  bool enabled;
  RECT rect;
};

CellShape ReadCell(Board& board, int32_t cell) {
  std::lock_guard<std::mutex> lock(board.cellLock);
  const zmb::Cell& c = board.cells[static_cast<size_t>(cell)];
  return CellShape{c.enabled != 0, c.rect};
}

RECT Inset(const RECT& rect, int32_t by) {
  return RECT{rect.left + by, rect.top + by, rect.right - by, rect.bottom - by};
}

// A board still alive when the library goes away is destroyed as by delete.
struct UnloadSweep {
  ~UnloadSweep() {
    if (g_liveBoards == 0) return;
    for (int32_t i = 1; i < kBoardSlots; ++i) {
      Board* board = TakeSlot(i);
      if (!board) continue;
      --g_liveBoards;
      NuvixTraceF("ZMB BOARD %X DESTROYED AT UNLOAD \r\n", static_cast<unsigned>(i));
      zmb::DestroyBoard(board);
    }
  }
} g_unloadSweep;

}  // namespace

extern "C" {

int32_t ZMB_CREATE_BOARD(int32_t standard, int32_t* boardIndex, int32_t sourceIsUyvy,
                         void* mergedSurface, void* imageSurface, void* osdSurface) {
  if (!boardIndex) return kInvalid;
  *boardIndex = 0;
  if (standard != ZMB_STANDARD_PAL && standard != ZMB_STANDARD_NTSC) return kInvalid;
  std::lock_guard<std::mutex> lock(g_tableLock);
  for (int32_t i = 1; i < kBoardSlots; ++i) {
    if (g_slots[i].board.load()) continue;
    Board* board = zmb::NewBoard(standard, sourceIsUyvy, mergedSurface, imageSurface, osdSurface);
    if (!board) return kNoFreeSlot;  // out of memory: no board could be made either
    g_slots[i].board.store(board);
    ++g_liveBoards;
    *boardIndex = i;
    return kSuccess;
  }
  return kNoFreeSlot;
}

int32_t ZMB_DELETE_BOARD(int32_t index) {
  Board* board = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_tableLock);
    if (index < 0 || index >= kBoardSlots) return kInvalid;
    board = TakeSlot(index);
    if (!board) return kInvalid;
    --g_liveBoards;
  }
  zmb::DestroyBoard(board);
  return kSuccess;
}

int32_t ZMB_SET_OSDFNT(int32_t index, int32_t width, int32_t height, int32_t weight, int32_t italic,
                       const char* faceName) {
  BoardRef board(index);
  if (!board || width == 0 || height == 0 || !faceName) return kInvalid;
  zmb::SelectOsdFont(*board, width, height, weight, italic, faceName);
  return kSuccess;
}

int32_t ZMB_GET_BOARD_SURFACE(int32_t index, void** imageSurface, void** osdSurface,
                              void** mergedSurface) {
  BoardRef board(index);
  if (!board || !imageSurface || !osdSurface || !mergedSurface) return kInvalid;
  *imageSurface = board->image;
  *osdSurface = board->osd;
  *mergedSurface = board->merged;
  return kSuccess;
}

int32_t ZMB_REGIST_CELL(int32_t index, int32_t cell, const RECT* rect) {
  BoardRef board(index);
  if (!board || !ValidCell(cell)) return kInvalid;
  if (!rect) return kSuccess;
  if (!ValidCellRect(*board, *rect)) return kInvalid;
  std::lock_guard<std::mutex> lock(board->cellLock);
  board->cells[static_cast<size_t>(cell)].rect = *rect;
  return kSuccess;
}

int32_t ZMB_CHANGE_CELL(int32_t index, int32_t cell, int32_t enabled, int32_t hold) {
  BoardRef board(index);
  if (!board || !ValidCell(cell)) return kInvalid;
  std::lock_guard<std::mutex> lock(board->cellLock);
  board->cells[static_cast<size_t>(cell)].enabled = enabled;
  board->cells[static_cast<size_t>(cell)].hold = hold;
  return kSuccess;
}

int32_t ZMB_CHANGE_CELLTBL(int32_t index, const int32_t* cells, int32_t count, int32_t enabled,
                           int32_t hold) {
  BoardRef board(index);
  if (!board || !cells || count < 1 || count > zmb::kCellCount - 1) return kInvalid;
  if (!std::all_of(cells, cells + count, ValidCell)) return kInvalid;
  std::lock_guard<std::mutex> lock(board->cellLock);
  for (int32_t i = 0; i < count; ++i) {
    board->cells[static_cast<size_t>(cells[i])].enabled = enabled != 0;
    board->cells[static_cast<size_t>(cells[i])].hold = hold != 0;
  }
  return kSuccess;
}

int32_t ZMB_CLEAR_ALLCELL(int32_t index) {
  BoardRef board(index);
  if (!board) return kInvalid;
  std::lock_guard<std::mutex> lock(board->cellLock);
  for (zmb::Cell& cell : board->cells) {
    cell.enabled = 0;
    cell.hold = 0;
  }
  return kSuccess;
}

int32_t ZMB_RENDER_IMG_CELL(int32_t index, int32_t cell, const void* image, int32_t sourceWidth,
                            int32_t sourceHeight) {
  BoardRef board(index);
  if (!board || !ValidCell(cell) || !image) return kInvalid;
  // Packed 4:2:2 rows hold whole pixel pairs.
  if (sourceWidth < 2 || sourceWidth > kLargestSource || sourceWidth % 2 != 0 || sourceHeight < 1 ||
      sourceHeight > kLargestSource) {
    return kInvalid;
  }
  std::lock_guard<std::mutex> lock(board->cellLock);
  zmb::RenderImageIntoCell(*board, cell, static_cast<const uint8_t*>(image), sourceWidth, sourceHeight);
  return kSuccess;
}

int32_t ZMB_RENDER_IMG_CLEAR(int32_t index) {
  BoardRef board(index);
  if (!board) return kInvalid;
  std::lock_guard<std::mutex> lock(board->cellLock);
  std::memset(board->image, 0x80, board->SurfaceBytes());
  return kSuccess;
}

int32_t ZMB_RENDER_OSD_SURFACE(int32_t index) {
  BoardRef board(index);
  if (!board) return kInvalid;
  zmb::ConvertDrawingToOsd(*board, 0, 0, zmb::kWidth, board->lines);
  return kSuccess;
}

int32_t ZMB_RENDER_OSD_SURFACE_AREA(int32_t index, const RECT* rect) {
  BoardRef board(index);
  if (!board || !rect) return kInvalid;
  if (static_cast<int64_t>(rect->right) - rect->left < 2 || static_cast<int64_t>(rect->bottom) - rect->top < 2) {
    return kInvalid;
  }
  // Clipped to the surface, and widened to whole pixel pairs so the UYVY
  // groups stay on the surface's pair grid.
  const int32_t left = std::max<int32_t>(rect->left, 0) & ~1;
  const int32_t right = (std::min<int32_t>(rect->right, zmb::kWidth) + 1) & ~1;
  const int32_t top = std::max<int32_t>(rect->top, 0);
  const int32_t bottom = std::min<int32_t>(rect->bottom, board->lines);
  if (left < right && top < bottom) zmb::ConvertDrawingToOsd(*board, left, top, right, bottom);
  return kSuccess;
}

int32_t ZMB_RENDER_MRG_SURFACE(int32_t index) {
  BoardRef board(index);
  if (!board) return kInvalid;
  zmb::MergeOsdOverImage(*board);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_CLEAR(int32_t index) {
  BoardRef board(index);
  if (!board) return kInvalid;
  zmb::DrawFill(*board, RECT{0, 0, zmb::kWidth, board->lines}, 0x000000);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_RECT_FILL(int32_t index, const RECT* rect, ZMB_COLOUR colour) {
  BoardRef board(index);
  if (!board || !rect) return kInvalid;
  zmb::DrawFill(*board, *rect, colour);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_RECT_BITBLT(int32_t index, const RECT* rect, const BITMAPINFO* info,
                                   const void* pixels) {
  BoardRef board(index);
  if (!board || !rect || !info || !pixels) return kInvalid;
  zmb::DrawStretchedBitmap(*board, *rect, *info, pixels);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_CELL_FILL(int32_t index, int32_t cell, ZMB_COLOUR colour) {
  BoardRef board(index);
  if (!board || !ValidCell(cell)) return kInvalid;
  const CellShape shape = ReadCell(*board, cell);
  if (shape.enabled) zmb::DrawFill(*board, shape.rect, colour);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_CELL_FRAME(int32_t index, int32_t cell, int32_t thickness, ZMB_COLOUR colour) {
  BoardRef board(index);
  if (!board || !ValidCell(cell)) return kInvalid;
  const CellShape shape = ReadCell(*board, cell);
  if (!shape.enabled) return kSuccess;
  for (int32_t i = 0; i < thickness; ++i) {
    const RECT frame = Inset(shape.rect, i);
    if (frame.right <= frame.left || frame.bottom <= frame.top) break;  // the frames have met
    zmb::DrawFrame(*board, frame, colour);
  }
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_CELL_BORDER(int32_t index, int32_t thickness, ZMB_COLOUR colour) {
  BoardRef board(index);
  if (!board) return kInvalid;
  for (int32_t cell = 0; cell < zmb::kCellCount; ++cell) {
    const CellShape shape = ReadCell(*board, cell);
    if (!shape.enabled || thickness < 1) continue;
    // Every frame after the first lies on the same once-inset rectangle.
    zmb::DrawFrame(*board, shape.rect, colour);
    if (thickness >= 2) zmb::DrawFrame(*board, Inset(shape.rect, 1), colour);
  }
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_CELL_BITBLT(int32_t index, int32_t cell, const BITMAPINFO* info,
                                   const void* pixels) {
  BoardRef board(index);
  if (!board || !ValidCell(cell) || !info || !pixels) return kInvalid;
  zmb::DrawStretchedBitmap(*board, ReadCell(*board, cell).rect, *info, pixels);
  return kSuccess;
}

int32_t ZMB_RENDER_GDI_STRING(int32_t index, int32_t x, int32_t y, const char* text,
                              ZMB_COLOUR outlineColour, ZMB_COLOUR textColour, int32_t outlineStyle) {
  BoardRef board(index);
  if (!board || !text) return kInvalid;
  zmb::DrawOutlinedText(*board, x, y, text, outlineColour, textColour, outlineStyle);
  return kSuccess;
}

int32_t ZMB_IO_TDD(int32_t value) {
  (void)value;
  return 1;
}

}  // extern "C"
