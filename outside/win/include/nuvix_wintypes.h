/* Windows record types the system exchanges with files, the board and the
   renderer library, as plain C structs with the original memory layout. */
#ifndef NUVIX_WINTYPES_H
#define NUVIX_WINTYPES_H

#include <stdint.h>

#include "nuvix_gdi_records.h"

#ifndef NUVIX_HAVE_WIN_RECORDS
#define NUVIX_HAVE_WIN_RECORDS

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
