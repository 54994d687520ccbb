#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "range_422.h"
#include "vfw.h"

namespace {

struct Codec {
  HIC hic;
  explicit Codec(uint32_t mode = ICMODE_FASTCOMPRESS) : hic(ICOpen(FOURCC_VIDC, FOURCC_MJPG, mode)) {}
  ~Codec() { ICClose(hic); }
};

BITMAPINFO Input(int width, int height, uint32_t fourcc) {
  BITMAPINFO in{};
  in.bmiHeader.biSize = 44;
  in.bmiHeader.biWidth = width;
  in.bmiHeader.biHeight = height;
  in.bmiHeader.biPlanes = 1;
  in.bmiHeader.biBitCount = 16;
  in.bmiHeader.biCompression = fourcc;
  return in;
}

// Packs per-pixel luma and per-pair chroma as UYVY or YUY2.
std::vector<uint8_t> Pack(int width, int height, bool uyvy, const std::vector<uint8_t>& y,
                          const std::vector<uint8_t>& u, const std::vector<uint8_t>& v) {
  std::vector<uint8_t> out(width * height * 2);
  for (int i = 0; i < width * height / 2; ++i) {
    uint8_t* p = &out[4 * i];
    if (uyvy) {
      p[0] = u[i], p[1] = y[2 * i], p[2] = v[i], p[3] = y[2 * i + 1];
    } else {
      p[0] = y[2 * i], p[1] = u[i], p[2] = y[2 * i + 1], p[3] = v[i];
    }
  }
  return out;
}

struct Jpeg {
  std::vector<uint8_t> bytes;
  BITMAPINFOHEADER header{};
};

Jpeg Compress(HIC hic, const BITMAPINFO& in, const std::vector<uint8_t>& frame, int32_t quality) {
  Jpeg out;
  int32_t size = 0;
  HANDLE block = ICImageCompress(hic, 0, &in, frame.data(), nullptr, quality, &size);
  EXPECT_NE(block, nullptr);
  if (!block) return out;
  const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
  std::memcpy(&out.header, p, sizeof out.header);
  EXPECT_EQ(GlobalSize(block), out.header.biSize + static_cast<size_t>(size));
  EXPECT_EQ(out.header.biSizeImage, static_cast<uint32_t>(size));
  out.bytes.assign(p + out.header.biSize, p + out.header.biSize + size);
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
  return out;
}

TEST(Vfw, OpensOnlyTheMjpgVideoCodec) {
  for (uint32_t mode : {ICMODE_COMPRESS, ICMODE_FASTCOMPRESS, ICMODE_DECOMPRESS, ICMODE_FASTDECOMPRESS}) {
    HIC hic = ICOpen(FOURCC_VIDC, FOURCC_MJPG, mode);
    EXPECT_NE(hic, nullptr) << mode;
    EXPECT_EQ(ICClose(hic), ICERR_OK);
  }
  HIC lower = ICOpen(NUVIX_FOURCC('v', 'i', 'd', 'c'), NUVIX_FOURCC('m', 'j', 'p', 'g'), ICMODE_FASTCOMPRESS);
  EXPECT_NE(lower, nullptr);
  ICClose(lower);
  EXPECT_EQ(ICOpen(FOURCC_VIDC, FOURCC_H263, ICMODE_FASTCOMPRESS), nullptr);
  EXPECT_EQ(ICOpen(NUVIX_FOURCC('a', 'u', 'd', 'c'), FOURCC_MJPG, ICMODE_FASTCOMPRESS), nullptr);
  EXPECT_EQ(ICOpen(FOURCC_VIDC, FOURCC_MJPG, 8), nullptr);
  EXPECT_EQ(ICClose(nullptr), ICERR_BADHANDLE);
}

TEST(Vfw, MemoryBlocksCountLocksAndRefuseForeignPointers) {
  Codec codec;
  std::vector<uint8_t> frame(32 * 16 * 2, 128);
  const BITMAPINFO in = Input(32, 16, FOURCC_UYVY);
  int32_t size = 0;
  HANDLE block = ICImageCompress(codec.hic, 0, &in, frame.data(), nullptr, 5000, &size);
  ASSERT_NE(block, nullptr);
  void* first = GlobalLock(block);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 16, 0u);
  EXPECT_EQ(GlobalLock(block), first);
  EXPECT_NE(GlobalUnlock(block), 0);  // still locked once
  EXPECT_EQ(GlobalUnlock(block), 0);
  EXPECT_EQ(GlobalUnlock(block), 0);  // unlocking an unlocked block changes nothing
  EXPECT_EQ(GlobalFree(block), nullptr);

  alignas(16) uint8_t foreign[64] = {};
  EXPECT_EQ(GlobalFree(foreign), static_cast<HANDLE>(foreign));
  EXPECT_EQ(GlobalLock(foreign), nullptr);
  EXPECT_EQ(GlobalSize(foreign), 0u);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

// The stream is a baseline JFIF JPEG with its Huffman tables and 4:2:2 sampling.
TEST(Vfw, CompressWritesStandardJfif) {
  Codec codec;
  const int w = 64, h = 32;
  std::vector<uint8_t> frame(w * h * 2);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(16 + (i * 7) % 200);
  const Jpeg jpeg = Compress(codec.hic, Input(w, h, FOURCC_UYVY), frame, 7500);
  ASSERT_GT(jpeg.bytes.size(), 20u);
  EXPECT_EQ(jpeg.header.biSize, 40u);
  EXPECT_EQ(jpeg.header.biCompression, FOURCC_MJPG);
  EXPECT_EQ(jpeg.header.biWidth, w);
  EXPECT_EQ(jpeg.header.biHeight, h);
  EXPECT_EQ(0, std::memcmp(jpeg.bytes.data(), "\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
  bool baseline = false, huffman = false;
  for (size_t i = 0; i + 1 < jpeg.bytes.size(); ++i) {
    if (jpeg.bytes[i] != 0xFF) continue;
    baseline |= jpeg.bytes[i + 1] == 0xC0;
    huffman |= jpeg.bytes[i + 1] == 0xC4;
    if (jpeg.bytes[i + 1] == 0xDA) break;  // start of scan: headers are over
  }
  EXPECT_TRUE(baseline);
  EXPECT_TRUE(huffman);
  tjhandle tj = tjInitDecompress();
  int dw, dh, subsamp, colorspace;
  ASSERT_EQ(tjDecompressHeader3(tj, const_cast<uint8_t*>(jpeg.bytes.data()), jpeg.bytes.size(), &dw, &dh, &subsamp,
                                &colorspace),
            0);
  tjDestroy(tj);
  EXPECT_EQ(subsamp, TJSAMP_422);
  EXPECT_EQ(colorspace, TJCS_YCbCr);
}

// Studio black, white and the chroma extremes land on the ends of the JPEG's
// full range; UYVY and YUY2 of the same picture give the same stream.
TEST(Vfw, StudioRangeIsExpandedToFullRange) {
  Codec codec;
  const int w = 64, h = 16;
  std::vector<uint8_t> y(w * h), u(w * h / 2), v(w * h / 2);
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) y[row * w + x] = x < 32 ? 16 : 235;
    for (int x = 0; x < w / 2; ++x) {
      u[row * w / 2 + x] = x < 16 ? 16 : 240;
      v[row * w / 2 + x] = x < 16 ? 240 : 128;
    }
  }
  const Jpeg a = Compress(codec.hic, Input(w, h, FOURCC_UYVY), Pack(w, h, true, y, u, v), 10000);
  const Jpeg b = Compress(codec.hic, Input(w, h, FOURCC_YUY2), Pack(w, h, false, y, u, v), 10000);
  EXPECT_EQ(a.bytes, b.bytes);

  tjhandle tj = tjInitDecompress();
  std::vector<uint8_t> planes(w * h * 2);
  unsigned char* p[3] = {planes.data(), planes.data() + w * h, planes.data() + w * h * 3 / 2};
  int strides[3] = {w, w / 2, w / 2};
  ASSERT_EQ(tjDecompressToYUVPlanes(tj, const_cast<uint8_t*>(a.bytes.data()), a.bytes.size(), p, w, strides, h, 0), 0);
  tjDestroy(tj);
  // Sample away from the edges where the DCT rings.
  EXPECT_NEAR(p[0][8 * w + 8], 0, 2);
  EXPECT_NEAR(p[0][8 * w + 56], 255, 2);
  EXPECT_NEAR(p[1][8 * w / 2 + 4], 0, 2);
  EXPECT_NEAR(p[1][8 * w / 2 + 28], 255, 2);
  EXPECT_NEAR(p[2][8 * w / 2 + 4], 255, 2);
  EXPECT_NEAR(p[2][8 * w / 2 + 28], 128, 2);
}

TEST(Vfw, RangeExpansionIsWithinOneOfExactOnBothPaths) {
  // Widths 32 and 64 run the vector path alone, 2 the scalar code alone, 70 both.
  for (int width : {2, 32, 64, 70}) {
    std::vector<uint8_t> packed(width * 2 * 128);
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i * 131 + i / 7);
    for (bool uyvy : {true, false}) {
      const int rows = static_cast<int>(packed.size() / (width * 2));
      std::vector<uint8_t> y(width * rows), u(width * rows / 2), v(width * rows / 2);
      vfw::SplitExpand422(packed.data(), width, rows, uyvy, y.data(), u.data(), v.data());
      for (int i = 0; i < width * rows / 2; ++i) {
        const uint8_t* p = &packed[4 * i];
        const int sy[2] = {uyvy ? p[1] : p[0], uyvy ? p[3] : p[2]};
        const int su = uyvy ? p[0] : p[1], sv = uyvy ? p[2] : p[3];
        for (int k = 0; k < 2; ++k) {
          const double exact = std::clamp((sy[k] - 16) * 255.0 / 219.0, 0.0, 255.0);
          ASSERT_LE(std::abs(y[2 * i + k] - exact), 1.0) << "luma " << sy[k] << " width " << width;
        }
        const double eu = std::clamp(128 + (su - 128) * 255.0 / 224.0, 0.0, 255.0);
        const double ev = std::clamp(128 + (sv - 128) * 255.0 / 224.0, 0.0, 255.0);
        ASSERT_LE(std::abs(u[i] - eu), 1.0) << "chroma " << su;
        ASSERT_LE(std::abs(v[i] - ev), 1.0) << "chroma " << sv;
      }
    }
  }
  EXPECT_EQ(vfw::ExpandLuma(16), 0);
  EXPECT_EQ(vfw::ExpandLuma(235), 255);
  EXPECT_EQ(vfw::ExpandChroma(128), 128);
  EXPECT_EQ(vfw::ExpandChroma(16), 0);
  EXPECT_EQ(vfw::ExpandChroma(240), 255);
}

// The picture comes back as a bottom-up DIB: its first stored row is the bottom
// of the picture.
TEST(Vfw, DecompressReturnsBottomUpRgb32) {
  Codec enc;
  Codec dec(ICMODE_FASTDECOMPRESS);
  const int w = 48, h = 32;
  std::vector<uint8_t> y(w * h), u(w * h / 2, 128), v(w * h / 2, 128);
  for (int i = 0; i < w * h; ++i) y[i] = i < w * h / 2 ? 235 : 16;  // white above, black below
  const Jpeg jpeg = Compress(enc.hic, Input(w, h, FOURCC_UYVY), Pack(w, h, true, y, u, v), 9000);
  BITMAPINFO in{};
  in.bmiHeader = jpeg.header;
  HANDLE block = ICImageDecompress(dec.hic, 0, &in, jpeg.bytes.data(), nullptr);
  ASSERT_NE(block, nullptr);
  const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER out;
  std::memcpy(&out, p, sizeof out);
  EXPECT_EQ(out.biSize, 40u);
  EXPECT_EQ(out.biWidth, w);
  EXPECT_EQ(out.biHeight, h);
  EXPECT_EQ(out.biBitCount, 32);
  EXPECT_EQ(out.biCompression, BI_RGB);
  EXPECT_EQ(out.biSizeImage, static_cast<uint32_t>(w * h * 4));
  EXPECT_EQ(GlobalSize(block), 40u + w * h * 4);
  const uint8_t* pixels = p + 40;
  const uint8_t* bottom = pixels + 2 * w * 4;
  const uint8_t* top = pixels + (h - 3) * w * 4;
  for (int c = 0; c < 3; ++c) {
    EXPECT_LE(bottom[8 * 4 + c], 3) << c;
    EXPECT_GE(top[8 * 4 + c], 252) << c;
  }
  EXPECT_EQ(top[8 * 4 + 3], 255);
  GlobalUnlock(block);
  GlobalFree(block);
}

// Streams from other encoders (4:2:0, greyscale) decode too, matching
// TurboJPEG's own decoder.
TEST(Vfw, DecompressReadsOtherSamplings) {
  const int w = 40, h = 24;
  std::vector<uint8_t> rgb(w * h * 3);
  for (int i = 0; i < w * h; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(i % w * 6);
    rgb[3 * i + 1] = static_cast<uint8_t>(i / w * 10);
    rgb[3 * i + 2] = static_cast<uint8_t>(200 - i % w * 3);
  }
  Codec dec(ICMODE_FASTDECOMPRESS);
  for (int subsamp : {TJSAMP_420, TJSAMP_444, TJSAMP_GRAY, TJSAMP_440}) {
    tjhandle tjc = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(tjc, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, subsamp, 90, 0), 0);
    tjDestroy(tjc);
    std::vector<uint8_t> expected(w * h * 4);
    tjhandle tjd = tjInitDecompress();
    // Planar samplings are upsampled by replication, as TurboJPEG's fast
    // upsampling does; the others are decoded by TurboJPEG itself.
    const bool planar = subsamp == TJSAMP_420 || subsamp == TJSAMP_444;
    const int flags = TJFLAG_BOTTOMUP | (planar ? TJFLAG_FASTUPSAMPLE : 0);
    ASSERT_EQ(tjDecompress2(tjd, jpeg, size, expected.data(), w, 0, h, TJPF_BGRX, flags), 0);
    tjDestroy(tjd);

    BITMAPINFO in{};
    in.bmiHeader.biSize = 40;
    in.bmiHeader.biCompression = FOURCC_MJPG;
    in.bmiHeader.biSizeImage = static_cast<uint32_t>(size);
    HANDLE block = ICImageDecompress(dec.hic, 0, &in, jpeg, nullptr);
    tjFree(jpeg);
    ASSERT_NE(block, nullptr) << subsamp;
    const auto* pixels = static_cast<const uint8_t*>(GlobalLock(block)) + 40;
    int worst = 0;
    for (int i = 0; i < w * h * 4; ++i) {
      if (i % 4 != 3) worst = std::max(worst, std::abs(pixels[i] - expected[i]));
    }
    std::printf("sampling %d: max difference to TurboJPEG's decoder %d\n", subsamp, worst);
    EXPECT_LE(worst, planar ? 3 : 0) << "sampling " << subsamp;
    GlobalUnlock(block);
    GlobalFree(block);
  }
}

TEST(Vfw, BadInputGivesNoBlock) {
  Codec codec;
  std::vector<uint8_t> frame(66 * 16 * 2, 100);
  int32_t size = 0;
  const BITMAPINFO good = Input(64, 16, FOURCC_UYVY);
  EXPECT_EQ(ICImageCompress(nullptr, 0, &good, frame.data(), nullptr, 5000, &size), nullptr);
  EXPECT_EQ(ICImageCompress(codec.hic, 0, &good, nullptr, nullptr, 5000, &size), nullptr);
  for (const BITMAPINFO& bad : {Input(63, 16, FOURCC_UYVY), Input(0, 16, FOURCC_UYVY), Input(64, 0, FOURCC_YUY2),
                                Input(64, 16, FOURCC_Y41P), Input(-64, 16, FOURCC_UYVY)}) {
    EXPECT_EQ(ICImageCompress(codec.hic, 0, &bad, frame.data(), nullptr, 5000, &size), nullptr)
        << bad.bmiHeader.biWidth << "x" << bad.bmiHeader.biHeight;
  }
  BITMAPINFO wantRgb{};
  wantRgb.bmiHeader.biCompression = BI_RGB;
  EXPECT_EQ(ICImageCompress(codec.hic, 0, &good, frame.data(), &wantRgb, 5000, &size), nullptr);

  // Garbage and truncated streams: no block or a picture, never a crash.
  Codec dec(ICMODE_FASTDECOMPRESS);
  std::mt19937 rng(5);
  std::vector<uint8_t> noise(4000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  BITMAPINFO in{};
  in.bmiHeader.biSize = 40;
  in.bmiHeader.biSizeImage = static_cast<uint32_t>(noise.size());
  EXPECT_EQ(ICImageDecompress(dec.hic, 0, &in, noise.data(), nullptr), nullptr);
  in.bmiHeader.biSizeImage = 0;
  EXPECT_EQ(ICImageDecompress(dec.hic, 0, &in, noise.data(), nullptr), nullptr);

  std::vector<uint8_t> textured(64 * 16 * 2);
  for (auto& b : textured) b = static_cast<uint8_t>(rng());
  const Jpeg jpeg = Compress(codec.hic, good, textured, 9000);
  for (size_t cut : {size_t{2}, jpeg.bytes.size() / 3, jpeg.bytes.size() - 2}) {
    in.bmiHeader.biSizeImage = static_cast<uint32_t>(cut);
    HANDLE block = ICImageDecompress(dec.hic, 0, &in, jpeg.bytes.data(), nullptr);
    if (block) {
      EXPECT_EQ(GlobalSize(block), 40u + 64 * 16 * 4);
      GlobalFree(block);
    }
  }
}

TEST(Vfw, HigherQualityGivesLargerStreams) {
  Codec codec;
  std::mt19937 rng(11);
  std::vector<uint8_t> frame(128 * 64 * 2);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(64 + rng() % 128);
  const BITMAPINFO in = Input(128, 64, FOURCC_YUY2);
  const size_t low = Compress(codec.hic, in, frame, 1000).bytes.size();
  const size_t mid = Compress(codec.hic, in, frame, 5000).bytes.size();
  const size_t high = Compress(codec.hic, in, frame, 9500).bytes.size();
  EXPECT_LT(low, mid);
  EXPECT_LT(mid, high);
}

}  // namespace
