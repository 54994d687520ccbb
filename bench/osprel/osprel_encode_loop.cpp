// Encode-only loop for profiling (perf, callgrind): generates one of the
// benchmark contents, encodes it a number of times and prints the time per
// frame and a hash of the coded stream, so a change can be checked for both
// speed and byte-identical output.
//   osprel_encode_loop [pattern|fractal|pan] [width] [repeats] [--luma-skip]
#include "../bench_race.h"
#include "content.h"
#include "osprel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::string content = argc > 1 ? argv[1] : "fractal";
  const int w = argc > 2 ? std::atoi(argv[2]) : 704;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  const bool lumaSkip = argc > 4 && std::string(argv[4]) == "--luma-skip";
  const int h = w == 352 ? 288 : (w == 176 ? 144 : 576);
  constexpr int kFrames = 60, kQp = 4, kGop = 30;
  std::vector<osprel_bench::Frame> frames;
  if (content == "pan") {
    const osprel_bench::Still still = osprel_bench::MakeStill(w + 3 * kFrames + 16, h + kFrames + 16);
    for (int t = 0; t < kFrames; ++t) frames.push_back(osprel_bench::Pan(still, w, h, t));
  } else if (content == "pattern") {
    for (int t = 0; t < kFrames; ++t) frames.push_back(osprel_bench::TestPattern(w, h, t));
  } else {
    for (int t = 0; t < kFrames; ++t) frames.push_back(osprel_bench::FractalTexture(w, h, t));
  }
  std::vector<uint8_t> out(OSPREL_MAX_PICTURE_BYTES(w, h));
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over every coded byte of the first repeat
  double best = 1e9;
  size_t total = 0;
  for (int r = 0; r < repeats; ++r) {
    COsprel* e = CreateCOsprel();
    e->Init(w, h, kQp);
    e->SetGOP(kGop);
    OsprelSetSkipRule(e, lumaSkip ? OSPREL_SKIP_LUMA_ONLY : OSPREL_SKIP_OWN_RESIDUAL);
    const double t0 = bench::CpuSeconds();
    for (const auto& f : frames) {
      int bytes = 0, intra = 0;
      e->Encode(f.data(), out.data(), &bytes, &intra, 0);
      if (r == 0) {
        total += size_t(bytes);
        for (int i = 0; i < bytes; ++i) hash = (hash ^ out[size_t(i)]) * 1099511628211ull;
      }
    }
    const double s = bench::CpuSeconds() - t0;
    if (s < best) best = s;
    e->Release();
  }
  std::printf("%s %dx%d%s: %.0f fps (best of %d), %zu bytes, hash %016llx\n", content.c_str(), w, h, lumaSkip ? " luma-skip" : "",
              kFrames / best, repeats, total, static_cast<unsigned long long>(hash));
  return 0;
}
