// The simulated QLA16's live DMA at its heaviest: a 16-cell split of a
// 704 x 576 UYVY surface with on-screen text, every input interlaced. Reports
// the CPU time of the board's live field clock per field and as a share of one
// core at 30 fields per second, next to a plain memcpy of the same bytes per
// second measured in the same run.
//
// Usage: live_load_bench [seconds, default 10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "../bench_race.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

constexpr uint32_t kBoard = 0;
constexpr uint32_t kWidth = 704, kHeight = 576, kPitch = 1408;
constexpr int kFieldsPerSecond = 30;

double ClockCpu() {
  uint64_t ns = 0;
  return NUVIXI_SIM_LiveClockCpuTime(kBoard, &ns) == 0 ? static_cast<double>(ns) * 1e-9 : -1;
}

uint64_t Fields() {
  NUVIXI_SIM_LIVE_STATUS status{};
  NUVIXI_SIM_LiveStatus(kBoard, &status);
  return status.fieldsWritten;
}

// CPU seconds of a memcpy of one surface, best of several rounds over
// alternating targets (so the target is not in cache, as on the board).
double MemcpySecondsPerField() {
  const size_t bytes = static_cast<size_t>(kPitch) * kHeight;
  std::vector<std::unique_ptr<uint8_t[]>> buffers;
  for (int i = 0; i < 8; ++i) {
    buffers.emplace_back(new uint8_t[bytes]);
    std::memset(buffers.back().get(), i, bytes);
  }
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const double t0 = bench::ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < 100; ++i) std::memcpy(buffers[1 + i % 7].get(), buffers[0].get(), bytes);
    best = std::min(best, (bench::ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - t0) / 100);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  std::vector<uint8_t> surface(static_cast<size_t>(kPitch) * kHeight);
  const int32_t shape = 8, start = 0;
  const char* names[16] = {"Ch 1", "Ch 2",  "Ch 3",  "Ch 4",  "Ch 5",  "Ch 6",  "Ch 7",  "Ch 8",
                           "Ch 9", "Ch 10", "Ch 11", "Ch 12", "Ch 13", "Ch 14", "Ch 15", "Ch 16"};
  char* strings[16];
  for (int i = 0; i < 16; ++i) strings[i] = const_cast<char*>(names[i]);
  if (NUVIXI_SIM_SetBoardsFromText("QLA16") != 0 ||
      NUVIXI_BDOpen(kBoard, 0x71, NUVIXI_STANDARD_PAL) != NUVIXI_SUCCESS ||
      NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, surface.data(), kPitch) !=
          NUVIXI_SUCCESS ||
      NUVIXI_LiveVideoShape(kBoard, 0, 0xFFFF, &shape, &start) != NUVIXI_SUCCESS ||
      NUVIXI_XED_QUAD_STRING(kBoard, strings) != NUVIXI_SUCCESS ||
      NUVIXI_SQUAD_ON(kBoard, nullptr, nullptr, nullptr) != NUVIXI_SUCCESS ||
      NUVIXI_LiveVideoTransferON(kBoard, 1) != NUVIXI_SUCCESS) {
    std::fprintf(stderr, "cannot start live DMA on the simulated QLA16\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));  // cells laid out, text drawn
  const double wall0 = bench::ClockSeconds(CLOCK_MONOTONIC), clock0 = ClockCpu();
  const uint64_t fields0 = Fields();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall = bench::ClockSeconds(CLOCK_MONOTONIC) - wall0, clock = ClockCpu() - clock0;
  const uint64_t fields = Fields() - fields0;
  NUVIXI_LiveVideoTransferOFF(kBoard);
  NUVIXI_BDClose(kBoard);

  const double perField = fields ? clock / static_cast<double>(fields) : 0;
  const double copy = MemcpySecondsPerField();
  std::printf("live DMA, 16 cells of a %ux%u UYVY surface with text, %.1f s:\n", kWidth, kHeight, wall);
  std::printf("  fields written          %8.1f per second (the board's PAL rate is 25)\n",
              static_cast<double>(fields) / wall);
  std::printf("  live clock CPU          %8.3f ms per field, %5.2f %% of one core at %d fields/s\n",
              perField * 1e3, perField * kFieldsPerSecond * 100, kFieldsPerSecond);
  std::printf("  memcpy of the same bytes %7.3f ms per field, %5.2f %% of one core at %d fields/s\n", copy * 1e3,
              copy * kFieldsPerSecond * 100, kFieldsPerSecond);
  std::printf("  ratio live / memcpy     %8.2f\n", copy > 0 ? perField / copy : 0);
  return 0;
}
