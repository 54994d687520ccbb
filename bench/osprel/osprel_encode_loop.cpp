// Coding loop for profiling (perf, callgrind): generates one of the benchmark
// contents, encodes it a number of times (or, with --decode, encodes it once
// and decodes the stream a number of times) and prints the pictures per
// second and a hash of the coded stream, so a change can be checked for both
// speed and byte-identical output.
//   osprel_encode_loop [pattern|fractal|pan] [width] [repeats] [--luma-skip] [--decode]
#include "../bench_race.h"
#include "content.h"
#include "h263_decoder.h"
#include "osprel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 60, kQp = 4, kGop = 30;
using Stream = std::vector<std::vector<uint8_t>>;

// Best seconds of the repeats of one encoding pass; the stream of the first.
double Encode(const std::vector<osprel_bench::Frame>& frames, int w, int h, int repeats, bool lumaSkip,
              Stream* stream) {
  std::vector<uint8_t> out(OSPREL_MAX_PICTURE_BYTES(w, h));
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    COsprel* e = CreateCOsprel();
    e->Init(w, h, kQp);
    e->SetGOP(kGop);
    OsprelSetSkipRule(e, lumaSkip ? OSPREL_SKIP_LUMA_ONLY : OSPREL_SKIP_OWN_RESIDUAL);
    const double t0 = bench::CpuSeconds();
    for (const auto& f : frames) {
      int bytes = 0, intra = 0;
      e->Encode(f.data(), out.data(), &bytes, &intra, 0);
      if (r == 0) stream->emplace_back(out.data(), out.data() + bytes);
    }
    best = std::min(best, bench::CpuSeconds() - t0);
    e->Release();
  }
  return best;
}

// Best seconds of the repeats of decoding the stream.
double Decode(const Stream& stream, int repeats) {
  std::vector<uint8_t> picture(kH263MaxPictureBytes);
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    CH263Decoder* d = CreateCorvaneDecoder();
    d->Init(0);
    const double t0 = bench::CpuSeconds();
    for (const auto& p : stream)
      if (!d->Decode(p.data(), picture.data(), int(p.size()))) std::abort();
    best = std::min(best, bench::CpuSeconds() - t0);
    d->Release();
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool lumaSkip = false, decode = false;
  std::vector<std::string> positional;
  for (const auto& a : args) {
    if (a == "--luma-skip")
      lumaSkip = true;
    else if (a == "--decode")
      decode = true;
    else
      positional.push_back(a);
  }
  const std::string content = positional.size() > 0 ? positional[0] : "fractal";
  const int w = positional.size() > 1 ? std::atoi(positional[1].c_str()) : 704;
  const int repeats = positional.size() > 2 ? std::atoi(positional[2].c_str()) : 3;
  const int h = w == 352 ? 288 : (w == 176 ? 144 : 576);
  const std::vector<osprel_bench::Frame> frames = osprel_bench::Frames(content, w, h, kFrames);
  Stream stream;
  const double encodeSeconds = Encode(frames, w, h, decode ? 1 : repeats, lumaSkip, &stream);
  const double seconds = decode ? Decode(stream, repeats) : encodeSeconds;
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over every coded byte
  size_t total = 0;
  for (const auto& p : stream) {
    total += p.size();
    for (uint8_t b : p) hash = (hash ^ b) * 1099511628211ull;
  }
  std::printf("%s %dx%d%s %s: %.0f fps (best of %d), %zu bytes, hash %016llx\n", content.c_str(), w, h,
              lumaSkip ? " luma-skip" : "", decode ? "decode" : "encode", kFrames / seconds, repeats, total,
              static_cast<unsigned long long>(hash));
  return 0;
}
