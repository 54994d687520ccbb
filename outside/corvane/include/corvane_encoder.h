// The program's H.263 encoder interface and the CorvaneEnc factory that makes its objects.
#ifndef CORVANE_ENCODER_H
#define CORVANE_ENCODER_H

#if defined(__GNUC__)
#define CORVANE_ENC_API __attribute__((visibility("default")))
#else
#define CORVANE_ENC_API
#endif

// Largest coded picture the encoder writes (720 x 576 at the finest quantiser,
// every coefficient escaped); callers size their output buffers from it.
inline constexpr int kCorvaneMaxCodedBytes = 1718624;

class COsprel {
 public:
  COsprel() = default;
  COsprel(const COsprel&) = default;
  COsprel& operator=(const COsprel&) = default;

  // Slot 0, kept for the layout; the program does not call it.
  virtual int Reserved() = 0;
  // (Re)starts the stream at this size and quantiser (1..31); first is 1 at
  // set-up and 0 when only the quantiser changes. Returns 1, or 0 for a size
  // the encoder cannot code.
  virtual int Init(int width, int height, int quantiser, int first) = 0;
  // Frames between intra pictures; periods below 1 are refused.
  virtual void SetGOP(int period) = 0;
  // Codes one planar 4:2:0 frame into output (kCorvaneMaxCodedBytes at least);
  // *bytes receives the coded size (0 when nothing was coded), *intra 1 for an
  // intra picture.
  virtual void Encode(const unsigned char* frame, unsigned char* output, int* bytes, int* intra,
                      int forceIntra) = 0;
  // Destroys the object.
  virtual void Release() = 0;

 protected:
  ~COsprel() = default;
};

extern "C" CORVANE_ENC_API COsprel* CreateCorvaneEncoder(void);

#endif
