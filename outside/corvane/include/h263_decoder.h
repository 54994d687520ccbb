// The program's H.263 decoder interface and the CorvaneDec factory that makes its objects.
#ifndef CORVANE_H263_DECODER_H
#define CORVANE_H263_DECODER_H

#if defined(__GNUC__)
#define CORVANE_API __attribute__((visibility("default")))
#else
#define CORVANE_API
#endif

// Largest decoded picture: 720 x 576 planar 4:2:0.
inline constexpr int kH263MaxPictureBytes = 720 * 576 * 3 / 2;

class CH263Decoder {
 public:
  CH263Decoder() = default;
  CH263Decoder(const CH263Decoder&) = default;
  CH263Decoder& operator=(const CH263Decoder&) = default;

  // Starts a new stream (forgets the reference picture); flags are reserved (0). Returns 1.
  virtual int Init(int flags) = 0;
  // Decodes one coded picture of size bytes into planar 4:2:0: Y, Cb, Cr,
  // packed planes of the picture's own size. output must hold
  // kH263MaxPictureBytes, as the payload decides the size. Returns 1, or 0 for
  // a payload that is not a complete picture of this syntax, leaving output
  // and the reference picture untouched.
  virtual int Decode(const unsigned char* payload, unsigned char* output, int size) = 0;
  // Destroys the object.
  virtual void Release() = 0;

 protected:
  ~CH263Decoder() = default;
};

extern "C" CORVANE_API CH263Decoder* CreateCorvaneDecoder(void);

#endif
