/* Colour conversion of captured and decoded frames (BT.601, studio range).
   Packed 4:2:2 rows are 2 × width bytes; Y41P rows are 12 bytes per group of
   8 pixels, (width + 7) / 8 groups, laid out U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7.
   Planar 4:2:0 buffers are Y (width × height), U (width/2 × height/2), V
   (width/2 × height/2), each packed with its own width as line pitch. RGB32
   rows are width × 4 bytes, top row first, bytes B, G, R, X (X = 255).
   Every call returns 0, or -1 for a null pointer or a size it cannot do
   (width or height not positive; odd width for packed 4:2:2; odd width or
   height for planar 4:2:0); flags is reserved (pass 0). */
#ifndef NUVIX_CHROMIX_H
#define NUVIX_CHROMIX_H

#include <stdint.h>

#if defined(__GNUC__)
#define CHROMIX_API __attribute__((visibility("default")))
#else
#define CHROMIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Packed YUY2 to planar 4:2:0; the chroma of two lines is averaged. */
CHROMIX_API int CHROMIX_YUY2_TO_Y420(const uint8_t* yuy2, int width, int height, uint8_t* y, uint8_t* u,
                                     uint8_t* v, int flags);

CHROMIX_API int CHROMIX_Y420_TO_RGB32(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width,
                                      int height, uint8_t* rgb32, int flags);

CHROMIX_API int CHROMIX_UYVY_TO_RGB32(const uint8_t* uyvy, int width, int height, uint8_t* rgb32, int flags);

CHROMIX_API int CHROMIX_YUY2_TO_RGB32(const uint8_t* yuy2, int width, int height, uint8_t* rgb32, int flags);

CHROMIX_API int CHROMIX_Y41P_TO_RGB32(const uint8_t* y41p, int width, int height, uint8_t* rgb32, int flags);

#ifdef __cplusplus
}
#endif

#endif /* NUVIX_CHROMIX_H */
