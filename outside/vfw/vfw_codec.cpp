// MJPG codec behind the compression-manager calls, on TurboJPEG and libyuv.
#include <turbojpeg.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "libyuv/convert_argb.h"
#include "mem_block.h"
#include "range_422.h"
#include "vfw.h"

namespace {

constexpr uint32_t kCodecMagic = 0x434A504D;  // "MPJC"
constexpr int kMaxDimension = 16384;

uint32_t UpperFourCC(uint32_t fourcc) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t c = (fourcc >> shift) & 0xFF;
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    out |= c << shift;
  }
  return out;
}

int JpegQuality(int32_t quality) {
  if (quality < 0 || quality > ICQUALITY_HIGH) return 75;
  const int q = (quality + 50) / 100;
  return q < 1 ? 1 : q;
}

}  // namespace

// One open codec. Its scratch planes and JPEG buffer are sized by the first
// frame of a size and reused, so coding a frame allocates only the block it returns.
struct VfwCodec {
  uint32_t magic = kCodecMagic;
  uint32_t mode = 0;
  tjhandle compressor = nullptr;
  tjhandle decompressor = nullptr;
  std::vector<uint8_t> planes;
  std::vector<uint8_t> jpeg;

  ~VfwCodec() {
    if (compressor) tjDestroy(compressor);
    if (decompressor) tjDestroy(decompressor);
    magic = 0;
  }

  uint8_t* Planes(size_t bytes) {
    if (planes.size() < bytes) planes.resize(bytes);
    return planes.data();
  }
};

namespace {

VfwCodec* AsCodec(HIC hic) { return hic && hic->magic == kCodecMagic ? hic : nullptr; }

void FillHeader(BITMAPINFOHEADER* h, int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                uint32_t imageBytes) {
  std::memset(h, 0, sizeof *h);
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = bitCount;
  h->biCompression = compression;
  h->biSizeImage = imageBytes;
}

}  // namespace

extern "C" {

HIC ICOpen(uint32_t fccType, uint32_t fccHandler, uint32_t mode) {
  if (UpperFourCC(fccType) != FOURCC_VIDC || UpperFourCC(fccHandler) != FOURCC_MJPG) return nullptr;
  const bool compress = mode == ICMODE_COMPRESS || mode == ICMODE_FASTCOMPRESS;
  const bool decompress = mode == ICMODE_DECOMPRESS || mode == ICMODE_FASTDECOMPRESS;
  if (!compress && !decompress && mode != ICMODE_QUERY) return nullptr;
  auto* codec = new (std::nothrow) VfwCodec;
  if (!codec) return nullptr;
  codec->mode = mode;
  if (compress && !(codec->compressor = tjInitCompress())) {
    delete codec;
    return nullptr;
  }
  if (decompress && !(codec->decompressor = tjInitDecompress())) {
    delete codec;
    return nullptr;
  }
  return codec;
}

HANDLE ICImageCompress(HIC hic, uint32_t /*flags*/, const BITMAPINFO* lpbiIn, const void* bits,
                       const BITMAPINFO* lpbiOut, int32_t quality, int32_t* size) {
  VfwCodec* codec = AsCodec(hic);
  if (!codec || !lpbiIn || !bits) return nullptr;
  const BITMAPINFOHEADER& in = lpbiIn->bmiHeader;
  const uint32_t format = UpperFourCC(in.biCompression);
  if (in.biSize < sizeof(BITMAPINFOHEADER) || (format != FOURCC_UYVY && format != FOURCC_YUY2)) return nullptr;
  if (lpbiOut && UpperFourCC(lpbiOut->bmiHeader.biCompression) != FOURCC_MJPG) return nullptr;
  const int width = in.biWidth;
  const int height = in.biHeight < 0 ? -in.biHeight : in.biHeight;
  if (width <= 0 || width % 2 != 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
    return nullptr;
  if (!codec->compressor && !(codec->compressor = tjInitCompress())) return nullptr;

  const size_t lumaBytes = static_cast<size_t>(width) * height;
  const size_t chromaBytes = static_cast<size_t>(width / 2) * height;
  uint8_t* y = codec->Planes(lumaBytes + 2 * chromaBytes);
  uint8_t* u = y + lumaBytes;
  uint8_t* v = u + chromaBytes;
  vfw::SplitExpand422(static_cast<const uint8_t*>(bits), width, height, format == FOURCC_UYVY, y, u, v);

  const unsigned long capacity = tjBufSize(width, height, TJSAMP_422);
  if (codec->jpeg.size() < capacity) codec->jpeg.resize(capacity);
  const unsigned char* planes[3] = {y, u, v};
  const int strides[3] = {width, width / 2, width / 2};
  unsigned char* out = codec->jpeg.data();
  unsigned long jpegBytes = capacity;
  if (tjCompressFromYUVPlanes(codec->compressor, planes, width, strides, height, TJSAMP_422, &out, &jpegBytes,
                              JpegQuality(quality), TJFLAG_NOREALLOC) != 0)
    return nullptr;

  HANDLE block = vfw::AllocBlock(sizeof(BITMAPINFOHEADER) + jpegBytes);
  if (!block) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(vfw::BlockData(block));
  FillHeader(header, width, in.biHeight, 24, FOURCC_MJPG, static_cast<uint32_t>(jpegBytes));
  std::memcpy(header + 1, out, jpegBytes);
  if (size) *size = static_cast<int32_t>(jpegBytes);
  return block;
}

HANDLE ICImageDecompress(HIC hic, uint32_t /*flags*/, const BITMAPINFO* lpbiIn, const void* bits,
                         const BITMAPINFO* lpbiOut) {
  VfwCodec* codec = AsCodec(hic);
  if (!codec || !lpbiIn || !bits) return nullptr;
  const BITMAPINFOHEADER& in = lpbiIn->bmiHeader;
  if (in.biSize < sizeof(BITMAPINFOHEADER) || in.biSizeImage == 0) return nullptr;
  if (lpbiOut && (lpbiOut->bmiHeader.biBitCount != 32 || lpbiOut->bmiHeader.biCompression != BI_RGB))
    return nullptr;
  if (!codec->decompressor && !(codec->decompressor = tjInitDecompress())) return nullptr;

  auto* jpeg = static_cast<unsigned char*>(const_cast<void*>(bits));
  const unsigned long jpegBytes = in.biSizeImage;
  int width = 0, height = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(codec->decompressor, jpeg, jpegBytes, &width, &height, &subsamp, &colorspace) != 0)
    return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) return nullptr;

  const size_t rowBytes = static_cast<size_t>(width) * 4;
  const size_t pixelBytes = rowBytes * height;
  HANDLE block = vfw::AllocBlock(sizeof(BITMAPINFOHEADER) + pixelBytes);
  if (!block) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(vfw::BlockData(block));
  FillHeader(header, width, height, 32, BI_RGB, static_cast<uint32_t>(pixelBytes));
  auto* pixels = reinterpret_cast<uint8_t*>(header + 1);
  // A DIB stores the bottom row first: write the top row last and step back.
  uint8_t* topRow = pixels + rowBytes * (height - 1);
  const int dibStride = -static_cast<int>(rowBytes);

  // Warnings (a damaged but decodable stream) still give a picture.
  auto failed = [codec](int result) {
    return result != 0 && tjGetErrorCode(codec->decompressor) != TJERR_WARNING;
  };

  const bool planar = colorspace == TJCS_YCbCr && (subsamp == TJSAMP_422 || subsamp == TJSAMP_420 ||
                                                    subsamp == TJSAMP_444);
  bool ok;
  if (planar) {
    // Planes first, then one libyuv pass with the full-range (JPEG) matrix,
    // which undoes the range expansion of the encoder exactly.
    int strides[3];
    size_t offsets[3];
    size_t total = 0;
    for (int p = 0; p < 3; ++p) {
      strides[p] = tjPlaneWidth(p, width, subsamp);
      offsets[p] = total;
      total += static_cast<size_t>(strides[p]) * tjPlaneHeight(p, height, subsamp);
    }
    uint8_t* base = codec->Planes(total);
    unsigned char* planes[3] = {base + offsets[0], base + offsets[1], base + offsets[2]};
    ok = !failed(tjDecompressToYUVPlanes(codec->decompressor, jpeg, jpegBytes, planes, width, strides, height, 0));
    if (ok) {
      auto convert = subsamp == TJSAMP_422 ? libyuv::J422ToARGB
                     : subsamp == TJSAMP_420 ? libyuv::J420ToARGB
                                             : libyuv::J444ToARGB;
      ok = convert(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], topRow, dibStride, width,
                   height) == 0;
    }
  } else {
    ok = !failed(tjDecompress2(codec->decompressor, jpeg, jpegBytes, pixels, width, static_cast<int>(rowBytes),
                               height, TJPF_BGRX, TJFLAG_BOTTOMUP));
  }
  if (!ok) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}

intptr_t ICClose(HIC hic) {
  VfwCodec* codec = AsCodec(hic);
  if (!codec) return ICERR_BADHANDLE;
  delete codec;
  return ICERR_OK;
}

}  // extern "C"
