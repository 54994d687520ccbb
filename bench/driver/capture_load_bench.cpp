// The simulated QCA08 at full capture load: all 32 channels in 8 groups at
// 704 pixels wide, UYVY, every slot of every group used (PAL 704 x 576 at
// 200 frames per second, NTSC 704 x 480 at 240: the same bytes per second),
// drained by 32 worker threads. Reports the CPU time of the board's clock
// thread (which draws and writes every frame) as a share of one core, next to
// a plain memcpy of the same bytes per second measured in the same run.
//
// Usage: capture_load_bench [seconds per standard, default 10]
#include <atomic>
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
constexpr int kChannels = 32;
constexpr int kGroups = 8;
constexpr uint32_t kSize704 = 2;

struct Totals {
  uint64_t delivered = 0, dropped = 0;
};

Totals Counters() {
  Totals t;
  for (int ch = 0; ch < kChannels; ++ch) {
    uint64_t delivered = 0, dropped = 0;
    NUVIXI_SIM_CaptureCounters(kBoard, ch, &delivered, &dropped);
    t.delivered += delivered;
    t.dropped += dropped;
  }
  return t;
}

double ClockCpu() {
  uint64_t ns = 0;
  return NUVIXI_SIM_CaptureClockCpuTime(kBoard, &ns) == 0 ? static_cast<double>(ns) * 1e-9 : -1;
}

struct Load {
  const char* name;
  uint32_t standard;
  int width, height, slots;
  double seconds;
  // results
  double framesPerSecond = 0, droppedPerSecond = 0, consumedPerSecond = 0, clockShare = 0, processShare = 0;
};

// A worker per channel: takes every frame and reads a byte of it, as a
// capture worker that hands frames on would.
class Workers {
 public:
  Workers() {
    for (int ch = 0; ch < kChannels; ++ch) threads_.emplace_back([this, ch] { Run(ch); });
  }
  ~Workers() {
    stop_ = true;
    for (int ch = 0; ch < kChannels; ++ch) NUVIXI_CancelLockWait4GetImageAddress(kBoard, ch);
    for (auto& t : threads_) t.join();
  }
  uint64_t Frames() const { return frames_.load(); }

 private:
  void Run(int ch) {
    while (!stop_) {
      void* address = nullptr;
      if (NUVIXI_LockWait4GetImageAddress(kBoard, ch, &address, NUVIXI_INFINITE) != NUVIXI_SUCCESS) continue;
      sink_ += static_cast<const volatile uint8_t*>(address)[0];
      ++frames_;
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> frames_{0};
  std::atomic<uint32_t> sink_{0};
  std::vector<std::thread> threads_;
};

bool RunLoad(Load& load) {
  if (NUVIXI_SIM_SetBoardsFromText("QCA08:id=32") != 0 ||
      NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_VIDEO, load.standard) != NUVIXI_SUCCESS) {
    std::fprintf(stderr, "cannot open the simulated QCA08\n");
    return false;
  }
  for (int g = 0; g < kGroups; ++g) {
    std::vector<int32_t> slots(load.slots);
    for (int i = 0; i < load.slots; ++i) slots[i] = g + kGroups * (i % 4);
    NUVIXI_VideoSliceCtrl(kBoard, g, slots.data(), load.slots, 0);
  }
  for (int ch = 0; ch < kChannels; ++ch) {
    if (NUVIXI_CaptureVideoTransferON(kBoard, ch, kSize704, NUVIXI_FOURCC_UYVY) != NUVIXI_SUCCESS) {
      std::fprintf(stderr, "transfer of channel %d refused\n", ch);
      return false;
    }
  }
  {
    Workers workers;
    std::this_thread::sleep_for(std::chrono::seconds(1));  // first touch of every buffer
    const double wall0 = bench::ClockSeconds(CLOCK_MONOTONIC), process0 = bench::ClockSeconds(CLOCK_PROCESS_CPUTIME_ID), clock0 = ClockCpu();
    const Totals counters0 = Counters();
    const uint64_t consumed0 = workers.Frames();
    std::this_thread::sleep_for(std::chrono::duration<double>(load.seconds));
    const double wall = bench::ClockSeconds(CLOCK_MONOTONIC) - wall0;
    const double process = bench::ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
    const double clock = ClockCpu() - clock0;
    const Totals counters1 = Counters();
    load.consumedPerSecond = static_cast<double>(workers.Frames() - consumed0) / wall;
    load.framesPerSecond = static_cast<double>(counters1.delivered - counters0.delivered) / wall;
    load.droppedPerSecond = static_cast<double>(counters1.dropped - counters0.dropped) / wall;
    load.clockShare = clock / wall;
    load.processShare = process / wall;
  }
  NUVIXI_BDClose(kBoard);
  return true;
}

// CPU seconds a plain memcpy needs for one second of the load's frames, from
// 32 sources into 128 targets (so neither stays in cache, as on the board).
double MemcpyShare(const Load& load) {
  const size_t bytes = static_cast<size_t>(load.width) * 2 * load.height;
  const int perSecond = kGroups * load.slots;
  std::vector<std::unique_ptr<uint8_t[]>> sources, targets;
  for (int i = 0; i < kChannels; ++i) {
    sources.emplace_back(new uint8_t[bytes]);
    std::memset(sources.back().get(), i, bytes);
  }
  for (int i = 0; i < 4 * kChannels; ++i) {
    targets.emplace_back(new uint8_t[bytes]);
    std::memset(targets.back().get(), 0, bytes);
  }
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const double t0 = bench::ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < perSecond; ++i) {
      std::memcpy(targets[(i + round * perSecond) % targets.size()].get(), sources[i % kChannels].get(), bytes);
    }
    best = std::min(best, bench::ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - t0);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: %s [seconds per standard]\n", argv[0]);
    return 2;
  }
  Load loads[] = {{"PAL", NUVIXI_STANDARD_PAL, 704, 576, 25, seconds},
                  {"NTSC", NUVIXI_STANDARD_NTSC, 704, 480, 30, seconds}};
  std::printf("simulated QCA08, 32 channels, 8 groups, UYVY, %.0f s per standard\n\n", seconds);
  std::printf("%-5s %-8s %7s %7s %9s %9s %9s %11s %11s %11s %9s\n", "std", "frame", "slots/s", "MB/s", "written/s",
              "dropped/s", "taken/s", "clock CPU%", "proc CPU%", "memcpy CPU%", "clock/cpy");
  int failures = 0;
  for (Load& load : loads) {
    if (!RunLoad(load)) return 1;
    const double copy = MemcpyShare(load);
    const double mbps = load.framesPerSecond * load.width * 2 * load.height / 1e6;
    char frame[16];
    std::snprintf(frame, sizeof frame, "%dx%d", load.width, load.height);
    std::printf("%-5s %-8s %7d %7.1f %9.1f %9.1f %9.1f %11.1f %11.1f %11.1f %9.2f\n", load.name, frame,
                kGroups * load.slots, mbps, load.framesPerSecond, load.droppedPerSecond, load.consumedPerSecond,
                100 * load.clockShare, 100 * load.processShare, 100 * copy, load.clockShare / copy);
    if (load.clockShare >= 0.20) ++failures;
  }
  std::printf("\ntarget: clock CPU below 20%% of one core at full load: %s\n", failures ? "MISSED" : "met");
  return 0;
}
