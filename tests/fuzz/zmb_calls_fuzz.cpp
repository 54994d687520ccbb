// Fuzz target for the screen-division library: the input is a sequence of
// ZMB_ calls with arbitrary arguments on the boards it creates (and on
// arbitrary handles). Every pointer argument is null or a buffer of exactly
// the size the call's documented contract asks for. Checked: every result is
// one of the library's codes, a handle that is not a live board is refused,
// and the documented argument rules decide between success and refusal.
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "zmb.h"

namespace {

constexpr int kMaxCalls = 64;
constexpr int64_t kLargestBuffer = 4 << 20;  // larger pictures are not worth the time per input

struct LiveBoard {
  int32_t lines;
  std::vector<std::unique_ptr<uint8_t[]>> surfaces;  // the caller's, freed after the board
};

class Session {
 public:
  ~Session() {
    for (auto& [handle, board] : boards_) FUZZ_REQUIRE(ZMB_DELETE_BOARD(handle) == ZMB_RESULT_SUCCESS);
  }

  void Call(FuzzInput& in);

 private:
  // A live board most of the time, else any value.
  int32_t Handle(FuzzInput& in) {
    const uint8_t pick = in.U8();
    if (pick < 0xC0 && !boards_.empty()) return std::next(boards_.begin(), pick % boards_.size())->first;
    return pick < 0xE0 ? static_cast<int8_t>(in.U8()) : in.I32();
  }
  int32_t Cell(FuzzInput& in) { return in.Bool() ? in.U8() % ZMB_MAX_CELLS : in.I32(); }
  // Small coordinates around the surface most of the time, any value else.
  int32_t Coordinate(FuzzInput& in) { return in.Bool() ? static_cast<int16_t>(in.U16()) % 800 : in.I32(); }
  RECT Rect(FuzzInput& in) { return RECT{Coordinate(in), Coordinate(in), Coordinate(in), Coordinate(in)}; }
  const RECT* MaybeRect(FuzzInput& in, RECT& storage) {
    if (in.U8() < 16) return nullptr;
    storage = Rect(in);
    return &storage;
  }
  bool Live(int32_t handle) const { return boards_.count(handle) != 0; }
  // A result for a call on handle whose other arguments are valid.
  static void RequireFor(bool live, int32_t result) {
    FUZZ_REQUIRE(result == (live ? ZMB_RESULT_SUCCESS : ZMB_RESULT_INVALID_ARGUMENT));
  }
  static void RequireCode(int32_t result) {
    FUZZ_REQUIRE(result == ZMB_RESULT_SUCCESS || result == ZMB_RESULT_INVALID_ARGUMENT);
  }

  void Create(FuzzInput& in);
  void Delete(FuzzInput& in);
  void RegisterCell(FuzzInput& in);
  void ChangeCells(FuzzInput& in);
  void RenderImage(FuzzInput& in);
  void Bitmap(FuzzInput& in);
  void Text(FuzzInput& in);

  std::map<int32_t, LiveBoard> boards_;
};

void Session::Create(FuzzInput& in) {
  const int32_t standard = in.Bool() ? in.U8() % 2 : in.I32();
  LiveBoard board{standard == ZMB_STANDARD_NTSC ? 480 : 576, {}};
  void* surfaces[3] = {};
  for (void*& surface : surfaces) {
    if (!in.Bool()) continue;
    board.surfaces.emplace_back(new uint8_t[static_cast<size_t>(ZMB_SURFACE_PITCH) * board.lines]);
    surface = board.surfaces.back().get();
  }
  int32_t handle = -1;
  int32_t* out = in.U8() < 8 ? nullptr : &handle;
  const int32_t result = ZMB_CREATE_BOARD(standard, out, in.U8(), surfaces[0], surfaces[1], surfaces[2]);
  if (!out || (standard != ZMB_STANDARD_PAL && standard != ZMB_STANDARD_NTSC)) {
    FUZZ_REQUIRE(result == ZMB_RESULT_INVALID_ARGUMENT && (!out || handle == 0));
    return;
  }
  if (result == ZMB_RESULT_NO_FREE_SLOT) {
    FUZZ_REQUIRE(handle == 0 && boards_.size() == ZMB_MAX_BOARDS - 1);
    return;
  }
  FUZZ_REQUIRE(result == ZMB_RESULT_SUCCESS && handle > 0 && handle < ZMB_MAX_BOARDS && !Live(handle));
  void *image, *osd, *merged;
  FUZZ_REQUIRE(ZMB_GET_BOARD_SURFACE(handle, &image, &osd, &merged) == ZMB_RESULT_SUCCESS);
  FUZZ_REQUIRE(image && osd && merged);
  FUZZ_REQUIRE((!surfaces[0] || merged == surfaces[0]) && (!surfaces[1] || image == surfaces[1]) &&
               (!surfaces[2] || osd == surfaces[2]));
  boards_.emplace(handle, std::move(board));
}

void Session::Delete(FuzzInput& in) {
  const int32_t handle = Handle(in);
  RequireFor(Live(handle), ZMB_DELETE_BOARD(handle));
  boards_.erase(handle);
}

void Session::RegisterCell(FuzzInput& in) {
  const int32_t handle = Handle(in), cell = Cell(in);
  RECT storage;
  const RECT* rect = MaybeRect(in, storage);
  const int32_t result = ZMB_REGIST_CELL(handle, cell, rect);
  if (!Live(handle) || cell < 0 || cell >= ZMB_MAX_CELLS) return RequireFor(false, result);
  const int32_t lines = boards_.at(handle).lines;
  const bool valid = !rect || (rect->left >= 0 && rect->top >= 0 && rect->right <= ZMB_SURFACE_WIDTH &&
                               rect->bottom <= lines && rect->left < rect->right && rect->top < rect->bottom &&
                               rect->left % 2 == 0 && (rect->right - rect->left) % 2 == 0);
  RequireFor(valid, result);
}

void Session::ChangeCells(FuzzInput& in) {
  const int32_t handle = Handle(in);
  std::vector<int32_t> cells(in.U8() % 130);
  for (int32_t& cell : cells) cell = in.U8() < 0xF8 ? in.U8() % ZMB_MAX_CELLS : in.I32();
  const int32_t count = in.Bool() ? static_cast<int32_t>(cells.size()) : in.I32() % 200;
  if (count > static_cast<int32_t>(cells.size())) return;  // the caller's table must hold count entries
  const int32_t enabled = in.I32(), hold = in.I32();
  const int32_t result = ZMB_CHANGE_CELLTBL(handle, cells.empty() ? nullptr : cells.data(), count, enabled, hold);
  const bool valid = !cells.empty() && count >= 1 && count <= ZMB_MAX_CELLS - 1 &&
                     std::all_of(cells.begin(), cells.begin() + count,
                                 [](int32_t cell) { return cell >= 0 && cell < ZMB_MAX_CELLS; });
  RequireFor(Live(handle) && valid, result);
}

void Session::RenderImage(FuzzInput& in) {
  const int32_t handle = Handle(in), cell = Cell(in);
  const int32_t width = in.Bool() ? 2 * (in.U16() % 400) : in.I32();
  const int32_t height = in.Bool() ? in.U16() % 600 : in.I32();
  const bool valid = width >= 2 && width <= 16384 && width % 2 == 0 && height >= 1 && height <= 16384;
  const int64_t bytes = valid ? int64_t{width} * height * 2 : 2;
  if (bytes > kLargestBuffer) return;
  std::unique_ptr<uint8_t[]> image(new uint8_t[bytes]);
  std::fill_n(image.get(), bytes, in.U8());
  const bool nullImage = in.U8() < 8;
  const int32_t result = ZMB_RENDER_IMG_CELL(handle, cell, nullImage ? nullptr : image.get(), width, height);
  RequireFor(Live(handle) && cell >= 0 && cell < ZMB_MAX_CELLS && valid && !nullImage, result);
}

// A BI_RGB bitmap header (with the palette an 8-bit one reads) and pixels of
// exactly the size the header describes.
void Session::Bitmap(FuzzInput& in) {
  const int32_t handle = Handle(in);
  BITMAPINFOHEADER h{};
  h.biSize = in.Bool() ? 40 : in.U8();
  h.biWidth = static_cast<int16_t>(in.U16());
  h.biHeight = static_cast<int16_t>(in.U16());
  h.biPlanes = 1;
  static constexpr uint16_t kBits[] = {8, 16, 24, 32, 1, 4, 0};
  h.biBitCount = in.Bool() ? kBits[in.U8() % 7] : in.U16();
  h.biCompression = in.U8() < 0xF0 ? BI_RGB : in.U32();
  h.biClrUsed = in.Bool() ? in.U8() : in.U32();
  const size_t headerBytes = std::max<size_t>(h.biSize, sizeof h);
  const size_t paletteEntries = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
  std::unique_ptr<uint8_t[]> info(new uint8_t[headerBytes + 4 * paletteEntries]);
  std::fill_n(info.get(), headerBytes + 4 * paletteEntries, in.U8());
  std::memcpy(info.get(), &h, sizeof h);
  const int64_t stride = (int64_t{h.biWidth} * h.biBitCount + 31) / 32 * 4;
  const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  const int64_t bytes = std::max<int64_t>(stride * rows, 1);
  if (bytes > kLargestBuffer) return;
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]);
  std::fill_n(pixels.get(), bytes, in.U8());
  const auto* bitmap = reinterpret_cast<const BITMAPINFO*>(info.get());
  RECT storage;
  int32_t result;
  if (in.Bool()) {
    const RECT* rect = MaybeRect(in, storage);
    result = ZMB_RENDER_GDI_RECT_BITBLT(handle, rect, bitmap, pixels.get());
    RequireFor(Live(handle) && rect, result);
  } else {
    const int32_t cell = Cell(in);
    result = ZMB_RENDER_GDI_CELL_BITBLT(handle, cell, bitmap, pixels.get());
    RequireFor(Live(handle) && cell >= 0 && cell < ZMB_MAX_CELLS, result);
  }
}

void Session::Text(FuzzInput& in) {
  const int32_t handle = Handle(in);
  if (in.Bool()) {
    const int32_t width = in.Bool() ? static_cast<int8_t>(in.U8()) : in.I32();
    const int32_t height = in.Bool() ? static_cast<int8_t>(in.U8()) : in.I32();
    const int32_t weight = in.Bool() ? in.U8() * 4 : in.I32();
    const int32_t italic = in.I32();
    static const char* const kFaces[] = {"DejaVu Sans", "Liberation Mono", "Arial", "", "No Such Face"};
    const std::string face = in.Bool() ? kFaces[in.U8() % 5] : in.String(300);
    const bool nullFace = in.U8() < 8;
    const int32_t result = ZMB_SET_OSDFNT(handle, width, height, weight, italic, nullFace ? nullptr : face.c_str());
    RequireFor(Live(handle) && width != 0 && height != 0 && !nullFace, result);
    return;
  }
  const int32_t x = Coordinate(in), y = Coordinate(in);
  const std::string text = in.String(80);
  const bool nullText = in.U8() < 8;
  const ZMB_COLOUR outline = in.U32(), colour = in.U32();
  const int32_t style = in.Bool() ? in.U8() % 5 : in.I32();
  const int32_t result = ZMB_RENDER_GDI_STRING(handle, x, y, nullText ? nullptr : text.c_str(), outline, colour, style);
  RequireFor(Live(handle) && !nullText, result);
}

void Session::Call(FuzzInput& in) {
  RECT storage;
  switch (in.U8() % 18) {
    case 0: return Create(in);
    case 1: return Delete(in);
    case 2: return RegisterCell(in);
    case 3: {
      const int32_t handle = Handle(in), cell = Cell(in), enabled = in.I32(), hold = in.I32();
      return RequireFor(Live(handle) && cell >= 0 && cell < ZMB_MAX_CELLS, ZMB_CHANGE_CELL(handle, cell, enabled, hold));
    }
    case 4: return ChangeCells(in);
    case 5: { const int32_t handle = Handle(in); return RequireFor(Live(handle), ZMB_CLEAR_ALLCELL(handle)); }
    case 6: return RenderImage(in);
    case 7: { const int32_t handle = Handle(in); return RequireFor(Live(handle), ZMB_RENDER_IMG_CLEAR(handle)); }
    case 8: { const int32_t handle = Handle(in); return RequireFor(Live(handle), ZMB_RENDER_OSD_SURFACE(handle)); }
    case 9: {
      const int32_t handle = Handle(in);
      return RequireCode(ZMB_RENDER_OSD_SURFACE_AREA(handle, MaybeRect(in, storage)));
    }
    case 10: { const int32_t handle = Handle(in); return RequireFor(Live(handle), ZMB_RENDER_MRG_SURFACE(handle)); }
    case 11: { const int32_t handle = Handle(in); return RequireFor(Live(handle), ZMB_RENDER_GDI_CLEAR(handle)); }
    case 12: {
      const int32_t handle = Handle(in);
      const RECT* rect = MaybeRect(in, storage);
      return RequireFor(Live(handle) && rect, ZMB_RENDER_GDI_RECT_FILL(handle, rect, in.U32()));
    }
    case 13: return Bitmap(in);
    case 14: {
      const int32_t handle = Handle(in), cell = Cell(in);
      return RequireFor(Live(handle) && cell >= 0 && cell < ZMB_MAX_CELLS,
                        ZMB_RENDER_GDI_CELL_FILL(handle, cell, in.U32()));
    }
    case 15: {
      const int32_t handle = Handle(in), cell = Cell(in), thickness = in.I32();
      const ZMB_COLOUR colour = in.U32();
      return RequireFor(Live(handle) && cell >= 0 && cell < ZMB_MAX_CELLS,
                        ZMB_RENDER_GDI_CELL_FRAME(handle, cell, thickness, colour));
    }
    case 16: {
      const int32_t handle = Handle(in), thickness = in.I32();
      const ZMB_COLOUR colour = in.U32();
      return RequireFor(Live(handle), ZMB_RENDER_GDI_CELL_BORDER(handle, thickness, colour));
    }
    case 17: return Text(in);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Session session;  // deletes every board it created, so no state outlives the input
  for (int calls = 0; calls < kMaxCalls && !in.empty(); ++calls) session.Call(in);
  return 0;
}
