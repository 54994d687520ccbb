/* Tovrik: the two 8x8 DCT functions of the IPP image library that the H.263 coder imports. */
#ifndef TOVRIK_H
#define TOVRIK_H

#ifdef __cplusplus
extern "C" {
#endif

typedef short Ipp16s;

typedef enum {
  ippStsNullPtrErr = -8,
  ippStsNoErr = 0
} IppStatus;

#if defined(__GNUC__)
#define TOVRIK_API __attribute__((visibility("default")))
#else
#define TOVRIK_API
#endif

/* Orthonormal two-dimensional DCT-II of a row-major 8x8 block (the DC result
   is 8 x the block mean). Every result is the exact transform rounded to the
   nearest integer, halves away from zero, and saturated to 16 bits.
   pSrc and pDst may be the same block. */
TOVRIK_API IppStatus ippiDCT8x8Fwd_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst);

/* The matching inverse (DCT-III), rounded and saturated the same way; it
   meets the IEEE 1180-1990 accuracy limits. pSrc and pDst may be the same. */
TOVRIK_API IppStatus ippiDCT8x8Inv_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst);

#ifdef __cplusplus
}
#endif

#endif /* TOVRIK_H */
