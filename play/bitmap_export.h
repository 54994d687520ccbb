// Export of a shown picture as a standard uncompressed BMP file.
#pragma once

#include <cstdint>

#include "nuvix_wintypes.h"

namespace nuvix {

class RecordedFile;

// Writes the 14-byte file header, the 40-byte image header (compression 0)
// and header.biSizeImage bytes of pixels to a file open for writing. Rows are
// stored bottom row first, as every BMP reader expects with a positive height:
// pixels whose first row is the top one (topRowFirst) are written in reverse.
// False when the file took fewer bytes than that.
bool WriteBitmap(RecordedFile& file, const BITMAPINFOHEADER& header, const uint8_t* pixels, bool topRowFirst);

}  // namespace nuvix
