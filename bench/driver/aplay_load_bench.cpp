// The simulated board's audio playback at its highest rate: 22,050 Hz with
// the largest halves, refilled by a worker the way the play tab does it (wait
// for a played half, load the next block into it). Reports the CPU time of the
// refill worker (where the board's playback runs: it has no thread of its own)
// as a share of one core, and checks that the board played at the sample rate.
//
// Usage: aplay_load_bench [seconds, default 10]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "../bench_race.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

constexpr uint32_t kBoard = 0;
constexpr uint32_t kRateIndex = 4, kRateFactor = 44, kRate = 22050;
constexpr uint32_t kHalfBytes = kRateFactor * 512;

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_APLAY, NUVIXI_STANDARD_NTSC) != NUVIXI_SUCCESS) {
    std::fprintf(stderr, "cannot open the simulated board\n");
    return 1;
  }
  std::vector<int16_t> block(kHalfBytes / 2);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<int16_t>((i * 97) % 20000);
  NUVIXI_APLAY_LOAD(kBoard, kRateIndex, 0, block.data(), kHalfBytes);
  NUVIXI_APLAY_LOAD(kBoard, kRateIndex, kHalfBytes, block.data(), kHalfBytes);

  std::atomic<bool> stop{false};
  double workerCpu = 0;
  uint64_t refills = 0;
  const auto start = std::chrono::steady_clock::now();
  std::thread worker([&] {
    const double cpuStart = bench::CpuSeconds();
    for (uint32_t half = 0; !stop.load(); half ^= 1) {
      if (NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor) != NUVIXI_SUCCESS) break;
      NUVIXI_APLAY_LOAD(kBoard, kRateIndex, half * kHalfBytes, block.data(), kHalfBytes);
      ++refills;
    }
    workerCpu = bench::CpuSeconds() - cpuStart;
  });
  uint64_t played = 0;
  std::vector<int16_t> sink(1 << 16);
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    played += NUVIXI_SIM_TakePlayedAudio(kBoard, sink.data(), sink.size());
  }
  stop = true;
  NUVIXI_APLAY_ESCAPE(kBoard);
  worker.join();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  NUVIXI_APLAY_OFF(kBoard);
  NUVIXI_BDClose(kBoard);

  std::printf("audio playback at %u Hz, %u-byte halves, %.1f s\n", kRate, kHalfBytes, wall);
  std::printf("  refills: %llu, samples played: %llu (%.3f of the sample rate)\n",
              static_cast<unsigned long long>(refills), static_cast<unsigned long long>(played),
              static_cast<double>(played) / (wall * kRate));
  std::printf("  refill worker CPU: %.4f%% of one core\n", 100.0 * workerCpu / wall);
  return 0;
}
