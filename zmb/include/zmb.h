/* ZMB: the screen-division renderer. Composes up to 128 camera cells and an
   on-screen-display layer into the packed 4:2:2 surfaces the capture board
   outputs. Plain C; every export returns one of the ZMB_RESULT_ codes. */
#ifndef ZMB_H
#define ZMB_H

#include <stdint.h>

#include "nuvix_gdi_records.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZMB_RESULT_SUCCESS 128
#define ZMB_RESULT_INVALID_ARGUMENT 17
#define ZMB_RESULT_NO_FREE_SLOT 1

#define ZMB_MAX_BOARDS 128 /* slot 0 is never handed out */
#define ZMB_MAX_CELLS 128
#define ZMB_SURFACE_WIDTH 720
#define ZMB_SURFACE_PITCH 1440
#define ZMB_TRANSPARENT_WORD 0x1080u /* OSD word that lets the image through */

#define ZMB_STANDARD_PAL 0  /* 576 lines */
#define ZMB_STANDARD_NTSC 1 /* 480 lines */

/* Colours are GDI colour values 0x00BBGGRR. */
typedef uint32_t ZMB_COLOUR;

/* Creates a board. standard: 0 or 1; sourceIsUyvy: nonzero when the camera
   images given to ZMB_RENDER_IMG_CELL are UYVY, 0 for YUY2. Each surface
   pointer is either null (the board allocates its own) or a buffer of at least
   720 x lines x 2 bytes that the board uses and never frees. */
int32_t ZMB_CREATE_BOARD(int32_t standard, int32_t* boardIndex, int32_t sourceIsUyvy,
                         void* mergedSurface, void* imageSurface, void* osdSurface);
int32_t ZMB_DELETE_BOARD(int32_t board);

/* width and height in pixels (height > 0: character height, < 0: cell height);
   weight 100..900 as for GDI fonts (700 = bold). */
int32_t ZMB_SET_OSDFNT(int32_t board, int32_t width, int32_t height, int32_t weight,
                       int32_t italic, const char* faceName);
/* All three out pointers are required. */
int32_t ZMB_GET_BOARD_SURFACE(int32_t board, void** imageSurface, void** osdSurface,
                              void** mergedSurface);

/* The rectangle must lie inside the surface, be non-empty and have an even
   left edge and width; a null rectangle changes nothing. */
int32_t ZMB_REGIST_CELL(int32_t board, int32_t cell, const RECT* rect);
int32_t ZMB_CHANGE_CELL(int32_t board, int32_t cell, int32_t enabled, int32_t hold);
int32_t ZMB_CHANGE_CELLTBL(int32_t board, const int32_t* cells, int32_t count, int32_t enabled,
                           int32_t hold);
int32_t ZMB_CLEAR_ALLCELL(int32_t board);

/* image: sourceWidth x sourceHeight packed 4:2:2 pixels, pitch sourceWidth x 2
   bytes; sourceWidth even, 2..16384, sourceHeight 1..16384. Nothing happens
   unless the cell is enabled and not held. Safe to call from a capture thread
   while another thread changes the cells. */
int32_t ZMB_RENDER_IMG_CELL(int32_t board, int32_t cell, const void* image, int32_t sourceWidth,
                            int32_t sourceHeight);
int32_t ZMB_RENDER_IMG_CLEAR(int32_t board);

int32_t ZMB_RENDER_OSD_SURFACE(int32_t board);
/* The rows of rect count in the drawing surface's memory order, that is from
   the bottom line of the drawing upwards. The area must be at least 2 x 2; it
   is clipped to the surface and widened to whole pixel pairs. */
int32_t ZMB_RENDER_OSD_SURFACE_AREA(int32_t board, const RECT* rect);
int32_t ZMB_RENDER_MRG_SURFACE(int32_t board);

int32_t ZMB_RENDER_GDI_CLEAR(int32_t board);
int32_t ZMB_RENDER_GDI_RECT_FILL(int32_t board, const RECT* rect, ZMB_COLOUR colour);
/* Stretches a BI_RGB bitmap of 8 (palette), 16, 24 or 32 bits per pixel;
   a negative header height means a top-down bitmap. */
int32_t ZMB_RENDER_GDI_RECT_BITBLT(int32_t board, const RECT* rect, const BITMAPINFO* info,
                                   const void* pixels);
int32_t ZMB_RENDER_GDI_CELL_FILL(int32_t board, int32_t cell, ZMB_COLOUR colour);
int32_t ZMB_RENDER_GDI_CELL_FRAME(int32_t board, int32_t cell, int32_t thickness,
                                  ZMB_COLOUR colour);
int32_t ZMB_RENDER_GDI_CELL_BORDER(int32_t board, int32_t thickness, ZMB_COLOUR colour);
int32_t ZMB_RENDER_GDI_CELL_BITBLT(int32_t board, int32_t cell, const BITMAPINFO* info,
                                   const void* pixels);
/* outlineStyle 0, 1, 2, 3+: no outline, 4, 16 or 24 outline offsets. */
int32_t ZMB_RENDER_GDI_STRING(int32_t board, int32_t x, int32_t y, const char* text,
                              ZMB_COLOUR outlineColour, ZMB_COLOUR textColour,
                              int32_t outlineStyle);

/* Returns 1 for every value. */
int32_t ZMB_IO_TDD(int32_t value);

#ifdef __cplusplus
}
#endif

#endif /* ZMB_H */
