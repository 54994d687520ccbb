// Row kernels of the renderer: RGB32 to UYVY conversion and the OSD merge.
#pragma once

#include <cstdint>

namespace zmb {

// Converts `pairs` pixel pairs (B, G, R, A, B, G, R, A) into one UYVY group each.
// U and V come from the first pixel of a pair; the weights are BT.601 studio
// range scaled by 8192, applied as 16-bit high-half products.
void ConvertRgbRowToUyvy(const uint8_t* rgb, uint8_t* uyvy, int pairs);

// The plain one-group-at-a-time conversion; the reference for the vector paths.
void ConvertRgbRowToUyvyPlain(const uint8_t* rgb, uint8_t* uyvy, int pairs);

// Per 16-bit little-endian word: the OSD word unless it is the transparent
// word, then the image word. The rows need no particular alignment.
void MergeRow(const uint8_t* osd, const uint8_t* image, uint8_t* out, int pixels);

}  // namespace zmb
