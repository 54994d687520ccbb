// libFuzzer target for the H.263 decoder object. An input holds up to two
// pictures, so that P pictures meet a reference: a 2-byte big-endian length
// of the first, the first, then the second. A failed decode must leave the
// output exactly as it was; the output buffer is exactly the documented size.
#include "h263_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr uint8_t kCanary = 0x5A;

void DecodeChecked(CH263Decoder* d, const uint8_t* data, size_t size, uint8_t* out) {
  static const std::unique_ptr<uint8_t[]> canary = [] {
    std::unique_ptr<uint8_t[]> c(new uint8_t[kH263MaxPictureBytes]);
    std::memset(c.get(), kCanary, kH263MaxPictureBytes);
    return c;
  }();
  std::memcpy(out, canary.get(), kH263MaxPictureBytes);
  if (d->Decode(data, out, static_cast<int>(size))) return;
  // (memcmp rather than a loop: the coverage hooks on a byte loop would dominate the run.)
  if (std::memcmp(out, canary.get(), kH263MaxPictureBytes) != 0) std::abort();  // a failure wrote to the output
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  const size_t first = std::min<size_t>((size_t(data[0]) << 8) | data[1], size - 2);
  // One decoder and one output buffer for the whole run (fresh large
  // allocations per input would dominate the run time); Init forgets the
  // previous input's pictures, so every input starts from the same state.
  static CH263Decoder* const d = CreateCorvaneDecoder();
  static const std::unique_ptr<uint8_t[]> out(new uint8_t[kH263MaxPictureBytes]);
  d->Init(0);
  // Copies of exactly the picture's size: reading past one is a bug.
  std::unique_ptr<uint8_t[]> a(new uint8_t[first + 1]), b(new uint8_t[size - 2 - first + 1]);
  std::memcpy(a.get(), data + 2, first);
  std::memcpy(b.get(), data + 2 + first, size - 2 - first);
  DecodeChecked(d, a.get(), first, out.get());
  DecodeChecked(d, b.get(), size - 2 - first, out.get());
  return 0;
}
