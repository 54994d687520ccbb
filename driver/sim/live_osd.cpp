#include "live_osd.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace nuvixsim {
namespace {

constexpr int kMargin = 4;

void Blend(uint8_t& y, int target, int alpha) { y = static_cast<uint8_t>(y + (target - y) * alpha / 255); }

}  // namespace

void LiveOsd::Prepare(const std::array<std::string, kStrings>& strings, const std::string& face, uint64_t version,
                      int textHeight) {
  if (version == version_ && face == face_ && textHeight == textHeight_) return;
  version_ = version;
  face_ = face;
  textHeight_ = textHeight;
  for (int i = 0; i < kStrings; ++i) {
    Mask& mask = masks_[i];
    mask = Mask{};
    if (strings[i].empty()) continue;
    // Measure on a scratch surface, then draw into one of the text's size.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    cairo_select_font_face(cr, face.empty() ? "DejaVu Sans" : face.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, textHeight);
    cairo_font_extents_t font;
    cairo_text_extents_t text;
    cairo_font_extents(cr, &font);
    cairo_text_extents(cr, strings[i].c_str(), &text);
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);

    const int width = std::clamp(static_cast<int>(text.x_advance) + 2, 1, 720);
    const int height = std::clamp(static_cast<int>(font.ascent + font.descent) + 2, 1, 576);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cr = cairo_create(surface);
    cairo_select_font_face(cr, face.empty() ? "DejaVu Sans" : face.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, textHeight);
    cairo_move_to(cr, 1, 1 + font.ascent);
    cairo_show_text(cr, strings[i].c_str());
    cairo_surface_flush(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    mask.width = width;
    mask.height = height;
    mask.alpha.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) std::memcpy(&mask.alpha[static_cast<size_t>(y) * width], data + y * stride, width);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
}

void LiveOsd::Draw(int index, uint8_t* picture, const FrameGeometry& g) const {
  if (index < 0 || index >= kStrings || g.format == PixelFormat::kY41p) return;
  const Mask& mask = masks_[index];
  const int lumaOffset = g.format == PixelFormat::kUyvy ? 1 : 0;
  const int chromaOffset = g.format == PixelFormat::kUyvy ? 0 : 1;
  const int x0 = kMargin, y0 = g.height - mask.height - kMargin;
  // The shadow first, one pixel down and right, so the text reads on any background.
  for (int pass = 0; pass < 2; ++pass) {
    const int shift = pass == 0 ? 1 : 0;
    const int target = pass == 0 ? 16 : 235;
    for (int my = 0; my < mask.height; ++my) {
      const int y = y0 + my + shift;
      if (y < 0 || y >= g.height) continue;
      uint8_t* row = picture + static_cast<size_t>(y) * g.stride;
      for (int mx = 0; mx < mask.width; ++mx) {
        const int x = x0 + mx + shift;
        const int alpha = mask.alpha[static_cast<size_t>(my) * mask.width + mx];
        if (alpha == 0 || x < 0 || x >= g.width) continue;
        Blend(row[2 * x + lumaOffset], target, alpha);
        if (pass == 1 && alpha > 128) row[(x & ~1) * 2 + chromaOffset + 2 * (x & 1)] = 128;
      }
    }
  }
}

}  // namespace nuvixsim
