/* Windows record types the system exchanges with files, the board and the
   renderer library, as plain C structs with the original memory layout. */
#ifndef NUVIX_WINTYPES_H
#define NUVIX_WINTYPES_H

#include <stdint.h>

#ifdef __cplusplus
#define NUVIX_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define NUVIX_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#ifndef NUVIX_HAVE_WIN_RECORDS
#define NUVIX_HAVE_WIN_RECORDS

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

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  uint16_t bfType; /* "BM" */
  uint32_t bfSize;
  uint16_t bfReserved1;
  uint16_t bfReserved2;
  uint32_t bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)
NUVIX_STATIC_ASSERT(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");

#define BI_RGB 0u

#define LF_FACESIZE 32
typedef struct tagLOGFONTA {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
} LOGFONTA;
NUVIX_STATIC_ASSERT(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");

#endif /* NUVIX_HAVE_WIN_RECORDS */

/* A FourCC: four ASCII characters, the first in the least significant byte. */
#define NUVIX_FOURCC(a, b, c, d)                                                       \
  ((uint32_t)(uint8_t)(a) | ((uint32_t)(uint8_t)(b) << 8) | ((uint32_t)(uint8_t)(c) << 16) | \
   ((uint32_t)(uint8_t)(d) << 24))

#define FOURCC_UYVY NUVIX_FOURCC('U', 'Y', 'V', 'Y')
#define FOURCC_YUY2 NUVIX_FOURCC('Y', 'U', 'Y', '2')
#define FOURCC_Y41P NUVIX_FOURCC('Y', '4', '1', 'P')
#define FOURCC_MJPG NUVIX_FOURCC('M', 'J', 'P', 'G')
#define FOURCC_H263 NUVIX_FOURCC('H', '2', '6', '3')
#define FOURCC_VIDC NUVIX_FOURCC('V', 'I', 'D', 'C')
#define FOURCC_VIDE NUVIX_FOURCC('V', 'I', 'D', 'E')
#define FOURCC_AUDI NUVIX_FOURCC('A', 'U', 'D', 'I')

#endif /* NUVIX_WINTYPES_H */
