#include "drawing.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "draw_context.h"

namespace zmb {
namespace {

constexpr int32_t kLargestBitmapSide = 16384;

// The rectangle clipped to the drawing surface; false when nothing is left.
bool ClipToSurface(const Board& board, const RECT& rect, RECT& out) {
  out.left = std::max<int32_t>(rect.left, 0);
  out.top = std::max<int32_t>(rect.top, 0);
  out.right = std::min<int32_t>(rect.right, kWidth);
  out.bottom = std::min<int32_t>(rect.bottom, board.lines);
  return out.left < out.right && out.top < out.bottom;
}

// Reads one row of a BI_RGB bitmap into 0x00RRGGBB pixels.
class BitmapRowReader {
 public:
  BitmapRowReader(const BITMAPINFO& info, const uint8_t* pixels) : info_(info), pixels_(pixels) {
    const BITMAPINFOHEADER& h = info.bmiHeader;
    width_ = h.biWidth;
    height_ = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    bits_ = h.biBitCount;
    stride_ = ((static_cast<int64_t>(width_) * bits_ + 31) / 32) * 4;
    if (bits_ == 8) {
      palette_ = reinterpret_cast<const uint8_t*>(&info) + h.biSize;
      paletteSize_ = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
    }
  }

  bool Readable() const {
    const BITMAPINFOHEADER& h = info_.bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB) return false;
    if (width_ <= 0 || width_ > kLargestBitmapSide || height_ <= 0 || height_ > kLargestBitmapSide) {
      return false;
    }
    return bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32;
  }
  int32_t Width() const { return width_; }
  int32_t Height() const { return static_cast<int32_t>(height_); }

  // y counts from the top of the picture, whichever way the rows are stored.
  void ReadRow(int32_t y, uint32_t* out) const {
    const int64_t memoryRow = info_.bmiHeader.biHeight > 0 ? height_ - 1 - y : y;
    const uint8_t* row = pixels_ + memoryRow * stride_;
    for (int32_t x = 0; x < width_; ++x) {
      uint8_t b, g, r;
      switch (bits_) {
        case 32:
        case 24: {
          const uint8_t* p = row + static_cast<int64_t>(x) * (bits_ / 8);
          b = p[0], g = p[1], r = p[2];
          break;
        }
        case 16: {  // 5-5-5
          const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
          b = static_cast<uint8_t>(((v & 0x1F) * 255 + 15) / 31);
          g = static_cast<uint8_t>((((v >> 5) & 0x1F) * 255 + 15) / 31);
          r = static_cast<uint8_t>((((v >> 10) & 0x1F) * 255 + 15) / 31);
          break;
        }
        default: {
          const unsigned index = std::min<unsigned>(row[x], paletteSize_ - 1);
          const uint8_t* q = palette_ + 4 * index;
          b = q[0], g = q[1], r = q[2];
          break;
        }
      }
      out[x] = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
    }
  }

 private:
  const BITMAPINFO& info_;
  const uint8_t* pixels_;
  int32_t width_ = 0;
  int64_t height_ = 0;
  int bits_ = 0;
  int64_t stride_ = 0;
  const uint8_t* palette_ = nullptr;
  unsigned paletteSize_ = 0;
};

}  // namespace

void DrawFill(Board& board, const RECT& rect, uint32_t colour) {
  RECT clipped;
  if (!ClipToSurface(board, rect, clipped)) return;
  DrawContext dc(board);
  dc.SetColour(colour);
  cairo_rectangle(dc.cr(), clipped.left, clipped.top, clipped.right - clipped.left,
                  clipped.bottom - clipped.top);
  cairo_fill(dc.cr());
}

void DrawFrame(Board& board, const RECT& rect, uint32_t colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  const RECT edges[4] = {
      {rect.left, rect.top, rect.right, rect.top + 1},
      {rect.left, rect.bottom - 1, rect.right, rect.bottom},
      {rect.left, rect.top, rect.left + 1, rect.bottom},
      {rect.right - 1, rect.top, rect.right, rect.bottom},
  };
  for (const RECT& edge : edges) DrawFill(board, edge, colour);
}

void DrawStretchedBitmap(Board& board, const RECT& rect, const BITMAPINFO& info, const void* pixels) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  RECT clipped;
  if (!ClipToSurface(board, rect, clipped)) return;
  const BitmapRowReader reader(info, static_cast<const uint8_t*>(pixels));
  if (!reader.Readable()) return;

  cairo_surface_t* source =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, reader.Width(), reader.Height());
  if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(source);
    return;
  }
  cairo_surface_flush(source);
  uint8_t* data = cairo_image_surface_get_data(source);
  const int stride = cairo_image_surface_get_stride(source);
  for (int32_t y = 0; y < reader.Height(); ++y) {
    reader.ReadRow(y, reinterpret_cast<uint32_t*>(data + static_cast<int64_t>(y) * stride));
  }
  cairo_surface_mark_dirty(source);

  {
    DrawContext dc(board);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    // Maps drawing coordinates to bitmap coordinates.
    cairo_matrix_t matrix;
    const double width = static_cast<double>(rect.right) - rect.left;
    const double height = static_cast<double>(rect.bottom) - rect.top;
    cairo_matrix_init_scale(&matrix, reader.Width() / width, reader.Height() / height);
    cairo_matrix_translate(&matrix, -static_cast<double>(rect.left), -static_cast<double>(rect.top));
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_source(dc.cr(), pattern);
    cairo_rectangle(dc.cr(), clipped.left, clipped.top, clipped.right - clipped.left,
                    clipped.bottom - clipped.top);
    cairo_fill(dc.cr());
    cairo_pattern_destroy(pattern);
  }
  cairo_surface_destroy(source);
}

}  // namespace zmb
