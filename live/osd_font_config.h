// The font configuration of the live display's on-screen labels, as
// NUVIXI_XED_FONT_CONFIG takes it (27 bytes): the character cell, where a
// label sits in its camera's picture, one text size for each of the seven
// split-screen steps (a single picture first, the finest split last), and the
// outline drawn around the characters. The default strings send the values below.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct OsdFontConfig {
  struct SplitStep {
    uint8_t marginLeft = 10;  // pixels before the first character
    uint8_t textHeight;       // pixels
    uint8_t marginTop = 10;   // pixels above the characters
  };

  uint8_t cellWidth = 44, cellHeight = 40;  // the character cell, pixels
  uint8_t labelLeft = 30, labelTop = 35;    // the label's corner in its camera's picture
  uint8_t characterGap = 15;                // pixels between characters
  // One smaller text a step: 26 pixels for a single picture down to 20.
  SplitStep steps[7] = {{.textHeight = 26}, {.textHeight = 25}, {.textHeight = 24}, {.textHeight = 23},
                        {.textHeight = 22}, {.textHeight = 21}, {.textHeight = 20}};
  uint8_t outline = 5;  // pixels
};
#pragma pack(pop)

static_assert(sizeof(OsdFontConfig) == 27, "the board takes exactly 27 bytes");
