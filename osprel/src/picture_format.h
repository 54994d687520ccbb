// The coded picture sizes, their 5-bit format codes and the store geometry.
#ifndef OSPREL_PICTURE_FORMAT_H
#define OSPREL_PICTURE_FORMAT_H

namespace osprel {

inline constexpr int kMaxWidth = 720;
inline constexpr int kMaxHeight = 576;
inline constexpr int kMaxMacroblocks = kMaxWidth * kMaxHeight / 256;  // 1620
inline constexpr int kPictureHeaderBits = 52;

struct PictureSize {
  int width, height;
};

// Index = format code - 1.
inline constexpr PictureSize kFormats[20] = {
    {160, 120}, {160, 144}, {176, 120}, {176, 144}, {320, 240}, {320, 288}, {352, 240},
    {352, 288}, {640, 240}, {640, 288}, {704, 240}, {704, 288}, {720, 240}, {720, 288},
    {640, 480}, {640, 576}, {704, 480}, {704, 576}, {720, 480}, {720, 576},
};

// Format code 1..20, or 0 for a size that is not coded.
constexpr int FormatCode(int width, int height) {
  for (int i = 0; i < 20; ++i)
    if (kFormats[i].width == width && kFormats[i].height == height) return i + 1;
  return 0;
}

// The 120-line sizes have a half macroblock row at the bottom; the frame
// stores and the source are extended to whole macroblock rows.
constexpr int StoreHeight(int height) { return (height + 15) / 16 * 16; }

// The 3-bit source format of standard H.263 (2 QCIF, 3 CIF, 4 4CIF), 0 if none.
constexpr int StandardSourceFormat(int width, int height) {
  if (width == 176 && height == 144) return 2;
  if (width == 352 && height == 288) return 3;
  if (width == 704 && height == 576) return 4;
  return 0;
}

}  // namespace osprel

#endif
