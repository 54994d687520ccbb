// Osprel: H.263 video encoder library (baseline syntax, 5-bit picture format code).
#ifndef OSPREL_H
#define OSPREL_H

#if defined(__GNUC__)
#define OSPREL_API __attribute__((visibility("default")))
#else
#define OSPREL_API
#endif

// Largest coded picture in bytes, for the largest format (720 x 576, 1620
// macroblocks). Worst macroblock: COD 1 + MCBPC 6 + CBPY 6 + MVD 2 x 13 bits
// and six inter blocks whose 64 levels all take the 22-bit escape = 8487 bits;
// an intra macroblock (DC 8 bits + 63 escapes per block) stays below that.
// Picture: 52 header bits + 1620 x 8487 bits, rounded up to whole bytes.
#define OSPREL_MAX_MACROBLOCK_BITS 8487
#define OSPREL_MAX_PICTURE_BYTES(width, height) \
  ((52 + ((width) * (height) / 256) * OSPREL_MAX_MACROBLOCK_BITS + 7) / 8)
#define OSPREL_MAX_CODED_BYTES OSPREL_MAX_PICTURE_BYTES(720, 576) /* 1,718,624 */

// One H.263 stream. Objects come from CreateCOsprel and are destroyed by Release.
// All frames are planar 4:2:0: Y (width x height), then Cb and Cr (width/2 x height/2).
class OSPREL_API COsprel {
 public:
  COsprel();
  COsprel(const COsprel&);
  COsprel& operator=(const COsprel&);

  // Nonzero when width x height is one of the twenty coded sizes.
  virtual int IsSupportedSize(int width, int height) = 0;
  // Sets the size and the quantiser (clamped to 1..30); 1 on success, 0 for an
  // unsupported size, after which the object encodes nothing until a successful Init.
  virtual int Init(int width, int height, int quantiser) = 0;
  // Intra period in frames; the next frame is intra. Periods <= 0 are refused
  // (the period stays unchanged and a trace line is written).
  virtual void SetGOP(int period) = 0;
  // Encode into the object's own buffer of OSPREL_MAX_CODED_BYTES bytes; *output
  // points to it and stays valid until the next encode call on the object.
  virtual void EncodeToInternal(const unsigned char* frame, unsigned char** output, int* bytes,
                                int* intra, int forceIntra) = 0;
  // Encode one frame into output, which must hold OSPREL_MAX_PICTURE_BYTES(width, height)
  // bytes. *bytes receives the picture size (0 when nothing was encoded), *intra 1 for I pictures.
  virtual void Encode(const unsigned char* frame, unsigned char* output, int* bytes, int* intra,
                      int forceIntra) = 0;
  virtual void Release() = 0;

 protected:
  ~COsprel() = default;
};

extern "C" OSPREL_API COsprel* CreateCOsprel(void);

// Skip rules: when an inter macroblock's chroma blocks are left uncoded and
// when a macroblock counts as unchanged (sent as "not coded").
// OSPREL_SKIP_OWN_RESIDUAL, the default: each chroma block only when its own
// residual is small for the quantiser, and an unchanged macroblock only when
// its chroma is unchanged too, so colour cannot drift between intra pictures.
// OSPREL_SKIP_LUMA_ONLY: from the luma residual alone (both chroma blocks
// when the 16x16 luma SAD is below 540, unchanged when the luma is): fewer
// bytes, but colour changes under a quiet luma are not coded until the next
// intra picture. Its output is the coder's fixed reference, kept bit for bit.
#define OSPREL_SKIP_OWN_RESIDUAL 0
#define OSPREL_SKIP_LUMA_ONLY 1

// Sets the skip rule of an encoder made by CreateCOsprel, from its next
// picture on. Returns 1, or 0 (nothing changed) for an unknown rule or an
// object that is not one of this library's encoders.
extern "C" OSPREL_API int OsprelSetSkipRule(COsprel* encoder, int rule);

#endif /* OSPREL_H */
