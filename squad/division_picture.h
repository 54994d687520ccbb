// The screen-division picture as the board shows it, made from the surfaces
// the renderer draws into, for display on the PC.
#pragma once

#include <QImage>
#include <cstdint>

namespace nuvix {

constexpr int kDivisionWidth = 720;  // pixels of every surface line, 1440 bytes of UYVY

// A 720 x lines UYVY picture, top line first, as RGB32.
QImage UyvyPicture(const uint8_t* uyvy, int lines);

// The image surface (UYVY, top line first) with the OSD surface (16-bit UYVY
// words, bottom line first) over it wherever an OSD word is not the
// transparent key, as RGB32: the division with its borders and cell labels.
QImage ComposeDivisionPicture(const uint8_t* image, const uint8_t* osd, int lines);

}  // namespace nuvix
