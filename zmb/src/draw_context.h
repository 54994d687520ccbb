// A cairo context on a board's drawing surface for the length of one drawing
// call: pixel-exact (no antialiasing), and the surface flushed when it ends
// so the conversion reads finished pixels.
#pragma once

#include <cairo.h>

#include "board.h"

namespace zmb {

class DrawContext {
 public:
  explicit DrawContext(Board& board) : surface_(board.drawSurface), cr_(cairo_create(surface_)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  }
  ~DrawContext() {
    cairo_destroy(cr_);
    cairo_surface_flush(surface_);
  }
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  cairo_t* cr() const { return cr_; }

  // A GDI colour value 0x00BBGGRR.
  void SetColour(uint32_t colour) const {
    cairo_set_source_rgb(cr_, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                         ((colour >> 16) & 0xFF) / 255.0);
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

}  // namespace zmb
