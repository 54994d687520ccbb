// MJPG coding through the channel's MjpgContext (compression manager, range
// expansion, memory block) against bare TurboJPEG calls on the same frames.
// Single thread; prints frames per second and the ratio to the peer.
#include <turbojpeg.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "bench_race.h"
#include "libyuv/planar_functions.h"
#include "mjpg_context.h"

namespace {

using bench::Race;

// Studio-range UYVY with gradients, edges and some sensor noise.
std::vector<uint8_t> CameraFrame(int w, int h) {
  std::mt19937 rng(1);
  std::vector<uint8_t> f(static_cast<size_t>(w) * h * 2);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; x += 2) {
      uint8_t* p = &f[(static_cast<size_t>(y) * w + x) * 2];
      const int base = ((x / 64 + y / 48) % 2) ? 60 : 150;
      p[0] = static_cast<uint8_t>(100 + x * 60 / w);
      p[2] = static_cast<uint8_t>(160 - y * 60 / h);
      p[1] = static_cast<uint8_t>(base + (x + y) % 40 + rng() % 6);
      p[3] = static_cast<uint8_t>(base + (x + 1 + y) % 40 + rng() % 6);
    }
  }
  return f;
}

void Line(const char* what, double fps, double peerFps, const char* peer) {
  std::printf("  %-34s %9.0f fps   %-34s %9.0f fps   ratio %.3f\n", what, fps, peer, peerFps, fps / peerFps);
}

}  // namespace

int main() {
  std::printf("MJPG, quality 5000 (JPEG 50), 4:2:2, single thread\n");
  for (auto [w, h] : {std::pair{704, 576}, {352, 288}}) {
    const int frames = w > 400 ? 12 : 48;
    const auto uyvy = CameraFrame(w, h);
    std::printf("%dx%d\n", w, h);

    nuvix::MjpgContext ctx;
    ctx.OpenCodec(0);
    ctx.SetInput(w, h, FOURCC_UYVY);
    int32_t size = 0;
    auto wrapped = [&] {
      HANDLE block = ctx.Compress(uyvy.data(), 5000, &size);
      GlobalLock(block);
      GlobalUnlock(block);
      GlobalFree(block);
    };

    // The bare encoder gets its planes ready-made: only its own work is timed.
    std::vector<uint8_t> planes(static_cast<size_t>(w) * h * 2);
    uint8_t* py = planes.data();
    uint8_t* pu = py + w * h;
    uint8_t* pv = pu + w * h / 2;
    libyuv::UYVYToI422(uyvy.data(), w * 2, py, w, pu, w / 2, pv, w / 2, w, h);
    tjhandle tjc = tjInitCompress();
    std::vector<uint8_t> jpeg(tjBufSize(w, h, TJSAMP_422));
    const unsigned char* src[3] = {py, pu, pv};
    const int strides[3] = {w, w / 2, w / 2};
    unsigned long bareSize = 0;
    auto bare = [&] {
      unsigned char* out = jpeg.data();
      bareSize = jpeg.size();
      tjCompressFromYUVPlanes(tjc, src, w, strides, h, TJSAMP_422, &out, &bareSize, 50, TJFLAG_NOREALLOC);
    };
    auto [fw, fb] = Race(wrapped, bare, frames);
    Line("MjpgContext::Compress", fw, fb, "tjCompressFromYUVPlanes");
    // The same encoder fed from the packed frame by libyuv, without range expansion.
    auto bareFromPacked = [&] {
      libyuv::UYVYToI422(uyvy.data(), w * 2, py, w, pu, w / 2, pv, w / 2, w, h);
      bare();
    };
    auto [fw2, fb2] = Race(wrapped, bareFromPacked, frames);
    Line("MjpgContext::Compress", fw2, fb2, "UYVYToI422 + tjCompressFromYUV");
    std::printf("  (stream sizes: wrapper %d bytes, bare %lu bytes)\n", size, bareSize);

    // Decompress the wrapper's own record.
    HANDLE block = ctx.Compress(uyvy.data(), 5000, &size);
    const auto* record = static_cast<const uint8_t*>(GlobalLock(block));
    BITMAPINFOHEADER header;
    std::memcpy(&header, record, sizeof header);
    std::vector<uint8_t> payload(record + header.biSize, record + header.biSize + size);
    GlobalUnlock(block);
    GlobalFree(block);

    nuvix::MjpgContext player;
    player.OpenCodec(nuvix::MjpgContext::kPlayChannel);
    auto wrappedDecode = [&] {
      HANDLE picture = player.Decompress(&header, payload.data());
      GlobalLock(picture);
      GlobalUnlock(picture);
      GlobalFree(picture);
    };
    tjhandle tjd = tjInitDecompress();
    std::vector<uint8_t> dib(static_cast<size_t>(w) * h * 4);
    auto bareDecode = [&] {
      tjDecompress2(tjd, payload.data(), payload.size(), dib.data(), w, w * 4, h, TJPF_BGRX, TJFLAG_BOTTOMUP);
    };
    auto [dw, db] = Race(wrappedDecode, bareDecode, frames);
    Line("MjpgContext::Decompress", dw, db, "tjDecompress2 BGRX bottom-up");
    tjDestroy(tjc);
    tjDestroy(tjd);
  }
  return 0;
}
