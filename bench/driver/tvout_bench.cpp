// The simulated board's TV output under screen division, NTSC:
// 1. composing: the picture changes before every picture period (30 a
//    second); reports the CPU time of the board's TV-output clock as a share
//    of one core, next to a plain memcpy of the same pictures in the same run;
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
#include <vector>

#include "../bench_race.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"
#include "zmb.h"

namespace {

constexpr uint32_t kBoard = 0;
constexpr int kWidth = 720, kLines = 480;
constexpr size_t kPictureBytes = static_cast<size_t>(kWidth) * kLines * 2;

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double TvOutCpu() {
  uint64_t ns = 0;
  return NUVIXI_SIM_TvOutClockCpuTime(kBoard, &ns) == 0 ? static_cast<double>(ns) * 1e-9 : -1;
}

uint64_t Pictures() {
  uint64_t pictures = 0;
  NUVIXI_SIM_ReadTvOut(kBoard, nullptr, 0, nullptr, &pictures);
  return pictures;
}

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
  const double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = TvOutCpu();
  const uint64_t pictures0 = Pictures();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall = Seconds(CLOCK_MONOTONIC) - wall0, cpu = TvOutCpu() - cpu0;
  const uint64_t pictures = Pictures() - pictures0;
  stop = true;
  changes.join();

  // The same pictures copied with memcpy, on this thread's CPU clock.
  std::vector<uint8_t> from(kPictureBytes, 0x80), to(kPictureBytes);
  const double copy0 = bench::CpuSeconds();
  for (uint64_t i = 0; i < pictures; ++i) {
    from[i % kPictureBytes] = static_cast<uint8_t>(i);
    std::memcpy(to.data(), from.data(), kPictureBytes);
  }
  const double copy = bench::CpuSeconds() - copy0;
  std::printf(
      "composing: %.1f pictures/s over %.1f s; TV-output clock %.2f%% of one core "
      "(%.3f ms a picture); memcpy of the same pictures %.2f%% (%.3f ms a picture); ratio %.2f\n",
      pictures / wall, wall, 100 * cpu / wall, 1000 * cpu / pictures, 100 * copy / wall, 1000 * copy / pictures,
      cpu / copy);
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
