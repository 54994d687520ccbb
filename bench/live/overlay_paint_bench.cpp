// What the overlay view window costs: converting a 704 x 576 overlay surface
// and drawing it into the window, as its 30 Hz refresh does, measured as CPU
// time per refresh and as a share of one core at 30 Hz, next to the bare
// libyuv conversion of the same surface in the same run.
//
// Usage: overlay_paint_bench [refreshes, default 300]
#include <libyuv/convert_argb.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "../bench_race.h"
#include "ddraw_emu.h"
#include "overlay_slot.h"
#include "overlay_view_wnd.h"

namespace {

constexpr int kRate = 30;

template <typename Work>
double SecondsEach(int count, Work work) {
  work();  // warm up
  const double t0 = bench::CpuSeconds();
  for (int i = 0; i < count; ++i) work();
  return (bench::CpuSeconds() - t0) / count;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 300;
  COverlaySlot slot;
  if (!slot.Open(704, 576, 704, 576, nuvix::ddraw::kFourccUyvy)) {
    std::fprintf(stderr, "cannot open the overlay\n");
    return 1;
  }
  const nuvix::ddraw::ScanOut scan = slot.Info().overlay->Scan();
  COverlayViewWnd* view = slot.Get();
  // grab() runs the window's paint handler into a pixmap, as a repaint would into the window.
  const double repaint = SecondsEach(count, [&] { view->grab(); });
  const double compose = SecondsEach(count, [&] { view->Compose(); });
  view->resize(1056, 864);  // the overlay stretched by 1.5
  const double stretched = SecondsEach(count, [&] { view->grab(); });
  QImage target(704, 576, QImage::Format_RGB32);
  const double convert = SecondsEach(count, [&] {
    libyuv::UYVYToARGB(scan.memory, scan.pitch, target.bits(), static_cast<int>(target.bytesPerLine()), 704, 576);
  });
  std::printf("overlay view window, 704x576 UYVY surface, %d refreshes:\n", count);
  std::printf("  paint (convert, compose, draw)    %7.3f ms, %5.2f %% of one core at %d Hz\n", repaint * 1e3,
              repaint * kRate * 100, kRate);
  std::printf("  paint stretched to 1056x864        %7.3f ms, %5.2f %% of one core at %d Hz\n", stretched * 1e3,
              stretched * kRate * 100, kRate);
  std::printf("  compose only                      %7.3f ms, %5.2f %% of one core at %d Hz\n", compose * 1e3,
              compose * kRate * 100, kRate);
  std::printf("  bare libyuv UYVYToARGB            %7.3f ms, %5.2f %% of one core at %d Hz\n", convert * 1e3,
              convert * kRate * 100, kRate);
  std::printf("  ratio paint / bare conversion     %7.2f\n", convert > 0 ? repaint / convert : 0);
  slot.Close();
  return 0;
}
