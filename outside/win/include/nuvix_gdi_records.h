/* The GDI records the renderer library takes (see zmb.h): rectangles and
   bitmap descriptions, as plain C structs with the Windows memory layout.
   A client with Windows definitions of its own defines NUVIX_HAVE_GDI_RECORDS
   before including zmb.h. */
#ifndef NUVIX_GDI_RECORDS_H
#define NUVIX_GDI_RECORDS_H

#include <stdint.h>

#ifdef __cplusplus
#define NUVIX_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define NUVIX_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#ifndef NUVIX_HAVE_GDI_RECORDS
#define NUVIX_HAVE_GDI_RECORDS

typedef struct tagRECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
} RECT;
NUVIX_STATIC_ASSERT(sizeof(RECT) == 16, "RECT is 16 bytes");

typedef struct tagBITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight; /* positive: bottom-up rows; negative: top-down */
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression; /* BI_RGB or a FourCC */
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} BITMAPINFOHEADER;
NUVIX_STATIC_ASSERT(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

typedef struct tagRGBQUAD {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;
NUVIX_STATIC_ASSERT(sizeof(BITMAPINFO) == 44, "BITMAPINFO is 44 bytes");

#define BI_RGB 0u

#endif /* NUVIX_HAVE_GDI_RECORDS */

#endif /* NUVIX_GDI_RECORDS_H */
