// One channel's MJPG coder: the input description of its frames and the
// compression-manager handle it codes them through.
#pragma once

#include <cstdint>

#include "nuvix_wintypes.h"
#include "vfw.h"

namespace nuvix {

class MjpgContext {
 public:
  static constexpr int kPlayChannel = -1;  // the player only decompresses

  MjpgContext();
  ~MjpgContext() { CloseCodec(); }
  MjpgContext(const MjpgContext&) = delete;
  MjpgContext& operator=(const MjpgContext&) = delete;

  // Opens "VIDC"/"MJPG" for fast compression for a capture channel, for fast
  // decompression for kPlayChannel. The handle stays null when that fails.
  void OpenCodec(int channel);

  // Describes the frames to come: header size 44, planes 1, 16 bits,
  // compression = fourcc, image size width × height.
  void SetInput(int32_t width, int32_t height, uint32_t fourcc);

  // A memory block with the codec's image header followed by the JPEG, whose
  // size goes to *sizeOut; null without a codec or when coding fails.
  // quality 0..10000.
  HANDLE Compress(const void* frame, int32_t quality, int32_t* sizeOut);

  // A memory block with a 32-bit bottom-up packed picture; null without a
  // codec or when decoding fails. The payload is recordHeader.biSizeImage bytes.
  HANDLE Decompress(const BITMAPINFOHEADER* recordHeader, const void* payload);

  // Decompresses into picture, which holds capacity bytes: the picture's
  // header goes to *shown. False, with picture and *shown untouched, when
  // decoding fails or the picture does not fit.
  bool DecompressInto(const BITMAPINFOHEADER& recordHeader, const void* payload, void* picture,
                      uint32_t capacity, BITMAPINFOHEADER* shown);

  void CloseCodec();

  HIC codec() const { return codec_; }
  const BITMAPINFO& input() const { return input_; }

 private:
  BITMAPINFO input_{};
  HIC codec_ = nullptr;
};

}  // namespace nuvix
