// The board's TV output while screen division is off: multiplexer 1's camera
// full frame with the two OSD text lines drawn over it in a block font.
#pragma once

#include <cstdint>
#include <span>

#include "camera_picture.h"

namespace nuvixsim {

class MuxPicture {
 public:
  static constexpr int kWidth = 720;
  static constexpr uint32_t kCells = 24;  // character cells per OSD line
  static constexpr int kCellWidth = kWidth / kCells;
  static constexpr int kDot = 4;  // pixels per font dot, both ways
  static constexpr int kGlyphColumns = 5, kGlyphRows = 7;
  static constexpr int kCellHeight = (kGlyphRows + 2) * kDot;

  // The character an OSD code shows: 127 a blank, others the code + 16.
  static char CharacterOf(uint32_t code);
  // The five columns of a character's 5 x 7 glyph, bit 0 the top row.
  static const uint8_t* Glyph(char c);
  // Top row of OSD line 0 or 1 in a picture of lines rows.
  static int LineTop(int line, int lines);

  // Fills out (720 x lines UYVY, top line first) with camera's picture at
  // frame and board time tick/ticksPerSecond, then the OSD lines (24 codes
  // each). False when the camera picture cannot be prepared.
  bool Render(uint8_t* out, int lines, uint32_t camera, std::span<const uint32_t, kCells> osd1,
              std::span<const uint32_t, kCells> osd2, uint32_t frame, uint64_t tick, uint32_t ticksPerSecond);

 private:
  CameraPicture camera_;  // prepared again only when camera or lines change
  uint32_t preparedCamera_ = UINT32_MAX;
  int preparedLines_ = 0;
};

}  // namespace nuvixsim
