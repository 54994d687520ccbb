// The simulated board's TV output under screen division, NTSC:
// 1. composing: the picture changes before every picture period (30 a
//    second); reports the CPU time of the board's TV-output clock as a share
//    of one core, next to a thread that copies one picture per period with
//    memcpy alongside it in the same run;
// 2. frame entry: what the program does per captured 704 x 480 frame (the
//    renderer scales it into a quarter cell, then the board is told), against
//    the renderer's call alone, as frames per second of one core and as the
//    share of a core that 240 frames a second take.
//
// Usage: tvout_bench [seconds of composing, default 10]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "../bench_race.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"
#include "zmb.h"

namespace {

constexpr uint32_t kBoard = 0;
constexpr int kWidth = 720, kLines = 480;
constexpr size_t kPictureBytes = static_cast<size_t>(kWidth) * kLines * 2;

double TvOutCpu() {
  uint64_t ns = 0;
  return NUVIXI_SIM_TvOutClockCpuTime(kBoard, &ns) == 0 ? static_cast<double>(ns) * 1e-9 : -1;
}

uint64_t Pictures() {
  uint64_t pictures = 0;
  NUVIXI_SIM_ReadTvOut(kBoard, nullptr, 0, nullptr, &pictures);
  return pictures;
}

// A thread that copies one picture per picture period, on its own CPU clock.
class CopyPeer {
 public:
  CopyPeer() : thread_([this] { Run(); }) {}
  ~CopyPeer() { Stop(); }
  // Stops the thread; returns its CPU seconds and the copies made.
  std::pair<double, uint64_t> Stop() {
    if (thread_.joinable()) {
      stop_ = true;
      thread_.join();
    }
    return {cpu_, copies_};
  }

 private:
  void Run() {
    std::vector<uint8_t> from(kPictureBytes, 0x80), to(kPictureBytes);
    const double cpu0 = bench::CpuSeconds();
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
      next += std::chrono::microseconds(1000000 / 30);
      std::this_thread::sleep_until(next);
      from[copies_ % kPictureBytes] = static_cast<uint8_t>(copies_);
      std::memcpy(to.data(), from.data(), kPictureBytes);
      ++copies_;
    }
    cpu_ = bench::CpuSeconds() - cpu0;
  }
  std::atomic<bool> stop_{false};
  double cpu_ = 0;
  uint64_t copies_ = 0;
  std::thread thread_;
};

void Composing(double seconds) {
  std::atomic<bool> stop{false};
  // Changes arrive faster than pictures are composed, as frames do.
  std::thread changes([&] {
    while (!stop) {
      NUVIXI_SQUAD_UPT(kBoard);
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double wall0 = bench::ClockSeconds(CLOCK_MONOTONIC), cpu0 = TvOutCpu();
  const uint64_t pictures0 = Pictures();
  CopyPeer peer;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto [copy, copies] = peer.Stop();
  const double wall = bench::ClockSeconds(CLOCK_MONOTONIC) - wall0, cpu = TvOutCpu() - cpu0;
  const uint64_t pictures = Pictures() - pictures0;
  stop = true;
  changes.join();
  std::printf("composing: %.1f pictures/s over %.1f s; TV-output clock %.2f%% of one core (%.3f ms a picture); "
              "a thread copying a picture per period %.2f%% (%.3f ms a copy); ratio %.2f\n",
              pictures / wall, wall, 100 * cpu / wall, 1000 * cpu / pictures, 100 * copy / wall,
              1000 * copy / copies, cpu / copy);
}

void FrameEntry() {
  void *merged = nullptr, *image = nullptr, *osd = nullptr;
  int32_t renderer = 0;
  if (NUVIXI_SQUAD_ON(kBoard, &merged, &image, &osd) != NUVIXI_SUCCESS ||
      ZMB_CREATE_BOARD(ZMB_STANDARD_NTSC, &renderer, 1, merged, image, osd) != ZMB_RESULT_SUCCESS) {
    std::fprintf(stderr, "cannot switch screen division on\n");
    return;
  }
  const RECT quarter{0, 0, 360, 240};
  ZMB_REGIST_CELL(renderer, 0, &quarter);
  ZMB_CHANGE_CELL(renderer, 0, 1, 0);
  std::vector<uint8_t> frame(static_cast<size_t>(704) * 480 * 2);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7);
  NUVIXI_SIM_ClearJournal();
  const auto [entry, render] = bench::Race(
      [&] {
        ZMB_RENDER_IMG_CELL(renderer, 0, frame.data(), 704, 480);
        NUVIXI_SQUAD_UPT(kBoard);
      },
      [&] { ZMB_RENDER_IMG_CELL(renderer, 0, frame.data(), 704, 480); }, 200);
  std::printf(
      "frame entry 704x480 into a 360x240 cell: %.0f frames/s with the board update, %.0f renderer alone "
      "(ratio %.3f); 240 frames/s take %.2f%% of one core (renderer alone %.2f%%)\n",
      entry, render, render / entry, 100 * 240 / entry, 100 * 240 / render);
  ZMB_DELETE_BOARD(renderer);
  NUVIXI_SQUAD_OFF(kBoard);
}

}  // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (NUVIXI_SIM_SetBoardsFromText("QCA08:id=32") != 0 ||
      NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_SQUAD, NUVIXI_STANDARD_NTSC) != NUVIXI_SUCCESS) {
    std::fprintf(stderr, "cannot open the simulated QCA08\n");
    return 1;
  }
  void *merged = nullptr, *image = nullptr, *osd = nullptr;
  NUVIXI_SQUAD_ON(kBoard, &merged, &image, &osd);
  Composing(seconds > 0 ? seconds : 10.0);
  FrameEntry();
  NUVIXI_BDClose(kBoard);
  return 0;
}
