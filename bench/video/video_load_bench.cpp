// Load run of the real video tab on the simulated QCA08: all 32 channels,
// UYVY with MJPG ratio 50 and File Save on, first at 352 x 288 <240> and then
// at 704 x 576 <480>. Prints the frames the board captured against the frames
// the tab processed (1.0: the program lost nothing), the process's CPU use and
// the bytes written per second.
//   video_load_bench [seconds per size, default 20]
#include <sys/resource.h>

#include <QApplication>
#include <QAbstractButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

#include "control_ids.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi_sim.h"
#include "recorded_file.h"
#include "scripted_prompts.h"
#include "tab_factory.h"
#include "timing.h"
#include "video_tab.h"

namespace {

namespace fs = std::filesystem;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}


// Frames delivered to the tab and frames lost by the board, over every channel.
std::pair<uint64_t, uint64_t> BoardCounters(uint32_t channels) {
  uint64_t delivered = 0, dropped = 0;
  for (uint32_t ch = 0; ch < channels; ++ch) {
    uint64_t d = 0, x = 0;
    NUVIXI_SIM_CaptureCounters(0, ch, &d, &x);
    delivered += d;
    dropped += x;
  }
  return {delivered, dropped};
}

struct Result {
  double captured = 0, processed = 0, cpu = 0, bytes = 0;
};

Result RunSize(CVideoTab& tab, uint32_t resolutionRow, int seconds, const fs::path& directory) {
  namespace rows = nuvix::video_rows;
  tab.OnGridNotify(nuvix::LeftPress(0, resolutionRow));
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  tab.OnGridNotify(nuvix::RightPress(0, rows::kAction));  // start all
  PumpWait(1000);                                     // let every channel settle
  const auto [delivered0, dropped0] = BoardCounters(tab.ChannelCount());
  const double cpu0 = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  PumpWait(static_cast<uint32_t>(seconds) * 1000);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto [delivered, dropped] = BoardCounters(tab.ChannelCount());
  Result result;
  result.cpu = (CpuSeconds() - cpu0) / elapsed;
  // Every captured frame either reached the tab (delivered) or was lost
  // because its channel's worker had not taken the previous ones (dropped).
  result.processed = (delivered - delivered0) / elapsed;
  result.captured = (delivered - delivered0 + dropped - dropped0) / elapsed;
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  tab.OnGridNotify(nuvix::RightPress(0, rows::kAction));  // stop all
  uint64_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(directory)) bytes += entry.file_size();
  result.bytes = bytes / (elapsed + 1.0);  // files hold the settle second too
  for (const auto& entry : fs::directory_iterator(directory)) fs::remove(entry.path());
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const fs::path directory = fs::temp_directory_path() / "nuvix-video-load";
  fs::remove_all(directory);
  fs::create_directories(directory);

  NUVIXI_SIM_SetBoardsFromText("QCA08");
  auto prompts = std::make_shared<nuvix::ScriptedPrompts>();
  nuvix::InstallPrompts(prompts);
  CNuvixSdkDlg dialog(&MakeTab);
  dialog.ItemAs<QAbstractButton>(main_ids::kSearch)->click();
  dialog.ItemAs<QAbstractButton>(main_ids::kFirstSelect)->click();
  dialog.ItemAs<QAbstractButton>(main_ids::kVideoOption)->setChecked(true);
  dialog.ItemAs<QAbstractButton>(main_ids::kNtscOpen)->click();
  auto* tab = dynamic_cast<CVideoTab*>(dialog.Tab(CNuvixSdkDlg::kVideo));
  if (!tab) {
    std::fprintf(stderr, "the video tab did not open\n");
    return 1;
  }
  tab->Refresh();
  prompts->AnswerFile((directory / "load").string());
  tab->OnFileSave();
  tab->OnGridNotify(nuvix::WheelTurn(50 * 120, 0, nuvix::video_rows::kRatio));

  std::printf("%-22s %10s %10s %8s %8s %10s\n", "size (32 channels)", "captured/s", "processed/s", "ratio",
              "CPU", "MB/s");
  struct Size {
    const char* name;
    uint32_t row;
  };
  for (const Size& size : {Size{"352 x 240 (NTSC)", nuvix::video_rows::kFirstSize + 8},
                           Size{"704 x 480 (NTSC)", nuvix::video_rows::kFirstSize + 2}}) {
    const Result r = RunSize(*tab, size.row, seconds, directory);
    std::printf("%-22s %10.1f %10.1f %8.3f %7.0f%% %10.2f\n", size.name, r.captured, r.processed,
                r.captured > 0 ? r.processed / r.captured : 0.0, 100 * r.cpu, r.bytes / 1e6);
    std::fflush(stdout);
  }
  fs::remove_all(directory);
  return 0;
}
