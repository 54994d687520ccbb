// Colour values of the form 0x00BBGGRR, as the controls' property sets hold them.
#pragma once

#include <QColor>
#include <cstdint>

namespace nuvix {

inline QColor ColorFromRef(uint32_t ref) {
  return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                static_cast<int>((ref >> 16) & 0xFF));
}

// The 0xAARRGGBB value a pixel of a Format_RGB32 image holds for that colour.
inline uint32_t PixelFromRef(uint32_t ref) {
  return 0xFF000000u | ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
}

}  // namespace nuvix
