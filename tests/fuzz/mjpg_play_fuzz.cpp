// Fuzz target for the MJPG path of the play tab: a record as the reader hands
// it over (its 40-byte image header, then a payload of exactly the size the
// header gives) decompressed into a buffer of the play tab's size.
// Input: the stored image header (little-endian fields; its image size is
// replaced by the payload's length, as the reader guarantees), then the payload.
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "mjpg_context.h"

namespace {

constexpr uint32_t kPictureBytes = 720 * 576 * 4;  // the play tab's RGB buffer

BITMAPINFOHEADER ImageHeader(FuzzInput& in) {
  BITMAPINFOHEADER h{};
  h.biSize = in.U32();
  h.biWidth = in.I32();
  h.biHeight = in.I32();
  h.biPlanes = in.U16();
  h.biBitCount = in.U16();
  h.biCompression = in.U32();
  h.biSizeImage = in.U32();
  h.biXPelsPerMeter = in.I32();
  h.biYPelsPerMeter = in.I32();
  h.biClrUsed = in.U32();
  h.biClrImportant = in.U32();
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 40) return 0;
  FuzzInput in(data, size);
  BITMAPINFOHEADER record = ImageHeader(in);
  if (record.biSize < 40) return 0;  // the reader refuses such a record
  size_t payloadSize;
  const uint8_t* bytes = in.Rest(&payloadSize);
  record.biSizeImage = static_cast<uint32_t>(payloadSize);
  // A copy of exactly the payload, so reading past it is caught.
  const std::unique_ptr<uint8_t[]> payload(new uint8_t[payloadSize + 1]);
  std::memcpy(payload.get(), bytes, payloadSize);

  // One codec and one picture buffer for the run, as the play tab keeps them.
  static nuvix::MjpgContext* const codec = [] {
    auto* c = new nuvix::MjpgContext;
    c->OpenCodec(nuvix::MjpgContext::kPlayChannel);
    return c;
  }();
  FUZZ_REQUIRE(codec->codec() != nullptr);
  static const std::unique_ptr<uint8_t[]> picture(new uint8_t[kPictureBytes]);

  BITMAPINFOHEADER shown;
  std::memset(&shown, 0xA5, sizeof shown);
  const BITMAPINFOHEADER untouched = shown;
  if (!codec->DecompressInto(record, payload.get(), picture.get(), kPictureBytes, &shown)) {
    FUZZ_REQUIRE(std::memcmp(&shown, &untouched, sizeof shown) == 0);
    return 0;
  }
  // What the play tab then shows: a 32-bit picture inside the buffer.
  FUZZ_REQUIRE(shown.biWidth > 0 && shown.biHeight != 0 && shown.biBitCount == 32);
  const uint64_t rows = shown.biHeight < 0 ? -static_cast<int64_t>(shown.biHeight) : shown.biHeight;
  FUZZ_REQUIRE(static_cast<uint64_t>(shown.biWidth) * 4 * rows <= shown.biSizeImage);
  FUZZ_REQUIRE(shown.biSizeImage <= kPictureBytes);
  return 0;
}
