/* The video compression manager the program codes MJPG frames through:
   ICOpen / ICImageCompress / ICImageDecompress / ICClose with the call shapes
   of the platform's, plus the movable memory blocks its results come in. */
#ifndef NUVIX_VFW_H
#define NUVIX_VFW_H

#include <stddef.h>
#include <stdint.h>

#include "nuvix_wintypes.h"

#if defined(__GNUC__)
#define VFW_API __attribute__((visibility("default")))
#else
#define VFW_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef NUVIX_HAVE_HANDLE
#define NUVIX_HAVE_HANDLE
typedef void* HANDLE;
#endif

typedef struct VfwCodec* HIC;

#define ICTYPE_VIDEO FOURCC_VIDC

#define ICMODE_COMPRESS 1
#define ICMODE_DECOMPRESS 2
#define ICMODE_FASTDECOMPRESS 3
#define ICMODE_QUERY 4
#define ICMODE_FASTCOMPRESS 5

/* Quality runs 0..10000; ICQUALITY_DEFAULT picks the codec's own. */
#define ICQUALITY_LOW 0
#define ICQUALITY_HIGH 10000
#define ICQUALITY_DEFAULT (-1)

#define ICERR_OK 0
#define ICERR_BADHANDLE (-8)

/* Opens the codec for fccType "VIDC" (any letter case) and handler "MJPG";
   null for anything else or an unknown mode. */
VFW_API HIC ICOpen(uint32_t fccType, uint32_t fccHandler, uint32_t mode);

/* Compresses one packed 4:2:2 frame (biCompression "UYVY" or "YUY2", studio
   range, top row first, even width) to a baseline JFIF JPEG. Returns a memory
   block holding a 40-byte BITMAPINFOHEADER (compression "MJPG", biSizeImage
   = JPEG bytes) followed by the JPEG; *size receives the JPEG bytes. lpbiOut,
   when given, must ask for "MJPG". Null on any failure. The value *size holds
   on entry is not used. */
VFW_API HANDLE ICImageCompress(HIC hic, uint32_t flags, const BITMAPINFO* lpbiIn, const void* bits,
                               const BITMAPINFO* lpbiOut, int32_t quality, int32_t* size);

/* Decodes one JPEG of lpbiIn->bmiHeader.biSizeImage bytes. Returns a memory
   block holding a packed DIB: a 40-byte BITMAPINFOHEADER (32 bits, BI_RGB,
   positive height) followed by the pixels bottom row first, bytes B, G, R, X.
   lpbiOut, when given, must ask for 32-bit BI_RGB. Null on any failure. */
VFW_API HANDLE ICImageDecompress(HIC hic, uint32_t flags, const BITMAPINFO* lpbiIn, const void* bits,
                                 const BITMAPINFO* lpbiOut);

/* Closes the codec; ICERR_BADHANDLE for null. */
VFW_API intptr_t ICClose(HIC hic);

/* Memory blocks: lock for the address (counted), unlock (non-zero while still
   locked), free (null on success, the handle back when it is not a block). */
VFW_API void* GlobalLock(HANDLE block);
VFW_API int GlobalUnlock(HANDLE block);
VFW_API HANDLE GlobalFree(HANDLE block);
VFW_API size_t GlobalSize(HANDLE block);

#ifdef __cplusplus
}
#endif

#endif /* NUVIX_VFW_H */
