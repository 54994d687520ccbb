#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "dc_window_slot.h"
#include "rgb_wnd.h"

namespace nuvix {
namespace {

struct Yuv {
  uint8_t y, u, v;
};

// Studio-range BT.601 values of four colours the picture is easy to check with.
constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kGreen{145, 54, 34};
constexpr Yuv kBlue{41, 240, 110};
constexpr Yuv kWhite{235, 128, 128};

// Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
Yuv QuadrantColour(int x, int y, int width, int height) {
  const bool right = x >= width / 2;
  const bool bottom = y >= height / 2;
  if (!bottom) return right ? kGreen : kRed;
  return right ? kWhite : kBlue;
}

std::vector<uint8_t> PackedFrame(uint32_t fourcc, int width, int height) {
  std::vector<uint8_t> frame;
  if (fourcc == FOURCC_Y41P) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; x += 8) {
        Yuv p[8];
        for (int i = 0; i < 8; ++i) p[i] = QuadrantColour(x + i, y, width, height);
        const uint8_t group[12] = {p[0].u, p[0].y, p[0].v, p[1].y, p[4].u, p[2].y,
                                   p[4].v, p[3].y, p[4].y, p[5].y, p[6].y, p[7].y};
        frame.insert(frame.end(), group, group + 12);
      }
    }
    return frame;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 2) {
      const Yuv a = QuadrantColour(x, y, width, height);
      const Yuv b = QuadrantColour(x + 1, y, width, height);
      if (fourcc == FOURCC_UYVY) {
        frame.insert(frame.end(), {a.u, a.y, a.v, b.y});
      } else {
        frame.insert(frame.end(), {a.y, a.u, b.y, a.v});
      }
    }
  }
  return frame;
}

QImage Shown(CRgbWnd& window) { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

void ExpectColour(const QImage& image, int x, int y, QRgb expected, const char* where) {
  const QRgb got = image.pixel(x, y);
  EXPECT_NEAR(qRed(got), qRed(expected), 8) << where;
  EXPECT_NEAR(qGreen(got), qGreen(expected), 8) << where;
  EXPECT_NEAR(qBlue(got), qBlue(expected), 8) << where;
}

// Checks the four quadrants at their centres.
void ExpectQuadrants(const QImage& image) {
  const int w = image.width();
  const int h = image.height();
  ExpectColour(image, w / 4, h / 4, qRgb(255, 0, 0), "top left");
  ExpectColour(image, 3 * w / 4, h / 4, qRgb(0, 255, 0), "top right");
  ExpectColour(image, w / 4, 3 * h / 4, qRgb(0, 0, 255), "bottom left");
  ExpectColour(image, 3 * w / 4, 3 * h / 4, qRgb(255, 255, 255), "bottom right");
}

const QRect kSmallScreen(0, 0, 800, 600);
const QRect kLargeScreen(0, 0, 1920, 1080);

TEST(RgbWindowPlacement, FullPictureDoesNotFitSmallScreenAndGoesToTopLeft) {
  const QRect outer = RgbWindowRect(720, 576, kSmallScreen);
  EXPECT_EQ(outer.topLeft(), QPoint(0, 0));
  EXPECT_EQ(outer.size(), QSize(720 + 16, 576 + 39));
}

TEST(RgbWindowPlacement, FittingWindowIsCentred) {
  const QRect outer = RgbWindowRect(720, 576, kLargeScreen);
  EXPECT_EQ(outer, QRect((1920 - 736) / 2, (1080 - 615) / 2, 736, 615));
  // A second screen right of the first: centred on that screen, not on the desktop.
  const QRect right(1920, 0, 1280, 1024);
  EXPECT_EQ(RgbWindowRect(352, 288, right), QRect(1920 + (1280 - 368) / 2, (1024 - 327) / 2, 368, 327));
  const QRect offsetSmall(1920, 100, 800, 600);
  EXPECT_EQ(RgbWindowRect(720, 576, offsetSmall).topLeft(), QPoint(1920, 100));
}

TEST(RgbWindowPlacement, OuterSizeMustBeBelowTheScreenInBothDirections) {
  // 784 + 16 = 800: equal is not below.
  EXPECT_EQ(RgbWindowRect(784, 100, kSmallScreen).topLeft(), QPoint(0, 0));
  EXPECT_EQ(RgbWindowRect(783, 100, kSmallScreen).topLeft(), QPoint(0, (600 - 139) / 2));
  EXPECT_EQ(RgbWindowRect(100, 561, kSmallScreen).topLeft(), QPoint(0, 0));
  EXPECT_EQ(RgbWindowRect(100, 560, kSmallScreen).topLeft(), QPoint((800 - 116) / 2, 0));
}

TEST(RgbWindowPlacement, CreatePlacesTheWindowAndSizesItsClientArea) {
  CRgbWnd onLarge;
  ASSERT_TRUE(onLarge.Create(720, 576, "a", false, &kLargeScreen));
  EXPECT_TRUE(onLarge.isVisible());
  EXPECT_EQ(onLarge.size(), QSize(720, 576));
  EXPECT_EQ(onLarge.pos(), RgbWindowRect(720, 576, kLargeScreen).topLeft());

  CRgbWnd onSmall;
  ASSERT_TRUE(onSmall.Create(720, 576, "b", false, &kSmallScreen));
  EXPECT_EQ(onSmall.pos(), QPoint(0, 0));

  // Without an injected screen the screen the window comes up on is used.
  CRgbWnd onCurrent;
  ASSERT_TRUE(onCurrent.Create(320, 240, "c", false));
  ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
  EXPECT_EQ(onCurrent.pos(), RgbWindowRect(320, 240, QGuiApplication::primaryScreen()->geometry()).topLeft());

  CRgbWnd refused;
  EXPECT_FALSE(refused.Create(0, 576, "d", false, &kLargeScreen));
  EXPECT_FALSE(refused.Create(720, kRgbWindowMaxSide + 1, "d", false, &kLargeScreen));
  EXPECT_FALSE(refused.isVisible());
}

TEST(DcWindowSlot, TitlesNumberChannelsFromOneRightAlignedOrUseTheName) {
  EXPECT_EQ(CDcWindowSlot::Title(nullptr, 0), "DC  1 Window");
  EXPECT_EQ(CDcWindowSlot::Title(nullptr, 8), "DC  9 Window");
  EXPECT_EQ(CDcWindowSlot::Title(nullptr, 31), "DC 32 Window");
  EXPECT_EQ(CDcWindowSlot::Title("Search Window", 0), "DC Win:Search Window");

  CDcWindowSlot slot;
  ASSERT_TRUE(slot.Open(352, 288, nullptr, 0, &kLargeScreen));
  ASSERT_NE(slot.Get(), nullptr);
  EXPECT_EQ(slot.Get()->windowTitle(), "DC  1 Window");
  EXPECT_FALSE(slot.Get()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  CDcWindowSlot named;
  ASSERT_TRUE(named.Open(352, 288, "Search Window", 0, &kLargeScreen));
  EXPECT_EQ(named.Get()->windowTitle(), "DC Win:Search Window");
  EXPECT_TRUE(named.Get()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  // A long name is cut to what the title holds.
  CDcWindowSlot longName;
  const std::string name(400, 'n');
  ASSERT_TRUE(longName.Open(64, 48, name.c_str(), 0, &kLargeScreen));
  EXPECT_EQ(longName.Get()->windowTitle().size(), 255);
}

TEST(DcWindowSlot, SecondOpenLeavesTheHeldWindowUntouched) {
  CDcWindowSlot slot;
  EXPECT_EQ(slot.Get(), nullptr);
  ASSERT_TRUE(slot.Open(320, 240, nullptr, 2, &kLargeScreen));
  CRgbWnd* first = slot.Get();
  const std::vector<uint8_t> frame = PackedFrame(FOURCC_UYVY, 32, 16);
  ASSERT_TRUE(first->ShowCapture(32, 16, FOURCC_UYVY, frame.data()));
  const QPoint where = first->pos();

  EXPECT_TRUE(slot.Open(720, 576, "Search Window", 7, &kSmallScreen));
  EXPECT_EQ(slot.Get(), first);
  EXPECT_EQ(first->windowTitle(), "DC  3 Window");
  EXPECT_EQ(first->size(), QSize(320, 240));
  EXPECT_EQ(first->pos(), where);
  EXPECT_EQ(first->Header().biWidth, 32);
  EXPECT_EQ(first->Orientation(), CRgbWnd::kTopRowFirst);

  slot.Close();
  EXPECT_EQ(slot.Get(), nullptr);
  slot.Close();
  // A window that cannot be created leaves the slot empty, so the next Open tries again.
  EXPECT_FALSE(slot.Open(0, 240, nullptr, 0, &kLargeScreen));
  EXPECT_EQ(slot.Get(), nullptr);
  EXPECT_TRUE(slot.Open(64, 48, nullptr, 0, &kLargeScreen));
  EXPECT_NE(slot.Get(), nullptr);
}

TEST(RgbWindow, BufferIsReallocatedOnlyWhenTheImageSizeChanges) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(360, 288, "t", false, &kLargeScreen));
  EXPECT_EQ(window.BufferAllocations(), 0);
  const std::vector<uint8_t> full = PackedFrame(FOURCC_UYVY, 720, 576);
  const std::vector<uint8_t> cif = PackedFrame(FOURCC_UYVY, 352, 288);

  ASSERT_TRUE(window.ShowCapture(720, 576, FOURCC_UYVY, full.data()));
  EXPECT_EQ(window.BufferAllocations(), 1);
  EXPECT_EQ(window.BufferSize(), 720u * 576u * 4u);
  ASSERT_TRUE(window.ShowCapture(720, 576, FOURCC_UYVY, full.data()));
  EXPECT_EQ(window.BufferAllocations(), 1);
  ASSERT_TRUE(window.ShowCapture(352, 288, FOURCC_UYVY, cif.data()));
  EXPECT_EQ(window.BufferAllocations(), 2);
  EXPECT_EQ(window.BufferSize(), 352u * 288u * 4u);
  ExpectQuadrants(Shown(window));

  // Same byte count, different shape: no new buffer.
  const std::vector<uint8_t> tall = PackedFrame(FOURCC_UYVY, 288, 352);
  ASSERT_TRUE(window.ShowCapture(288, 352, FOURCC_UYVY, tall.data()));
  EXPECT_EQ(window.BufferAllocations(), 2);
  const BITMAPINFOHEADER header = window.Header();
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 288);
  EXPECT_EQ(header.biHeight, 352);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 32);
  EXPECT_EQ(header.biCompression, BI_RGB);
  EXPECT_EQ(header.biSizeImage, 288u * 352u * 4u);
  ExpectQuadrants(Shown(window));
}

class RgbWindowFormats : public testing::TestWithParam<uint32_t> {};

TEST_P(RgbWindowFormats, FrameIsShownUprightAndStretchedInItsColours) {
  const uint32_t fourcc = GetParam();
  CRgbWnd window;
  ASSERT_TRUE(window.Create(96, 40, "t", false, &kLargeScreen));
  const std::vector<uint8_t> frame = PackedFrame(fourcc, 32, 16);
  ASSERT_TRUE(window.ShowCapture(32, 16, fourcc, frame.data()));
  EXPECT_EQ(window.Orientation(), CRgbWnd::kTopRowFirst);
  const QImage shown = Shown(window);
  ASSERT_EQ(shown.size(), QSize(96, 40));
  ExpectQuadrants(shown);
  // The stretch covers the whole client area: corners carry the corner colours.
  ExpectColour(shown, 0, 0, qRgb(255, 0, 0), "top-left corner");
  ExpectColour(shown, 95, 39, qRgb(255, 255, 255), "bottom-right corner");
}

std::string FourCCName(const testing::TestParamInfo<uint32_t>& info) {
  std::string name(4, ' ');
  for (int i = 0; i < 4; ++i) name[i] = static_cast<char>(info.param >> (8 * i));
  return name;
}

INSTANTIATE_TEST_SUITE_P(, RgbWindowFormats, testing::Values(FOURCC_UYVY, FOURCC_YUY2, FOURCC_Y41P), FourCCName);

TEST(RgbWindow, UnknownFormatRepaintsThePictureAndBadFramesAreRefused) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(64, 32, "t", false, &kLargeScreen));
  // Before any picture the client area is plain white.
  const QImage blank = Shown(window);
  ExpectColour(blank, 10, 10, qRgb(255, 255, 255), "blank");
  EXPECT_EQ(window.Orientation(), CRgbWnd::kNothing);

  const std::vector<uint8_t> frame = PackedFrame(FOURCC_UYVY, 32, 16);
  ASSERT_TRUE(window.ShowCapture(32, 16, FOURCC_UYVY, frame.data()));
  const QImage before = Shown(window);
  const std::vector<uint8_t> other(32 * 16 * 2, 0x10);
  EXPECT_TRUE(window.ShowCapture(32, 16, FOURCC_MJPG, other.data()));
  EXPECT_EQ(Shown(window), before);

  EXPECT_FALSE(window.ShowCapture(32, 16, FOURCC_UYVY, nullptr));
  EXPECT_FALSE(window.ShowCapture(0, 16, FOURCC_UYVY, frame.data()));
  EXPECT_FALSE(window.ShowCapture(-32, 16, FOURCC_UYVY, frame.data()));
  EXPECT_FALSE(window.ShowCapture(kRgbWindowMaxSide + 2, 16, FOURCC_UYVY, frame.data()));
  EXPECT_FALSE(window.ShowPicture(32, 16, frame.data(), 8, CRgbWnd::kTopRowFirst));
  EXPECT_EQ(window.Header().biWidth, 32);
  EXPECT_EQ(window.Header().biBitCount, 32);
  EXPECT_EQ(window.BufferAllocations(), 1);
  EXPECT_EQ(Shown(window), before);
}

// A 32-bit DIB with its first row red and its second blue.
std::vector<uint8_t> TwoRowPicture32(int width) {
  std::vector<uint8_t> pixels;
  for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), {0, 0, 255, 0});
  for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), {255, 0, 0, 0});
  return pixels;
}

TEST(RgbWindow, PictureOrientationDecidesWhichRowIsOnTop) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(40, 40, "t", false, &kLargeScreen));
  const std::vector<uint8_t> pixels = TwoRowPicture32(4);

  ASSERT_TRUE(window.ShowPicture(4, 2, pixels.data(), 32, CRgbWnd::kTopRowFirst));
  QImage shown = Shown(window);
  ExpectColour(shown, 20, 5, qRgb(255, 0, 0), "top-down: top");
  ExpectColour(shown, 20, 35, qRgb(0, 0, 255), "top-down: bottom");

  ASSERT_TRUE(window.ShowPicture(4, 2, pixels.data(), 32, CRgbWnd::kBottomRowFirst));
  EXPECT_EQ(window.Orientation(), CRgbWnd::kBottomRowFirst);
  EXPECT_EQ(window.Header().biSizeImage, 32u);
  shown = Shown(window);
  ExpectColour(shown, 20, 5, qRgb(0, 0, 255), "bottom-up: top");
  ExpectColour(shown, 20, 35, qRgb(255, 0, 0), "bottom-up: bottom");

  // 24 bits, 3 pixels a row: rows are padded to 12 bytes as in any DIB.
  std::vector<uint8_t> rgb24(24, 0);
  for (int x = 0; x < 3; ++x) {
    rgb24[x * 3 + 1] = 255;       // row 0 green
    rgb24[12 + x * 3 + 2] = 255;  // row 1 red
  }
  ASSERT_TRUE(window.ShowPicture(3, 2, rgb24.data(), 24, CRgbWnd::kBottomRowFirst));
  EXPECT_EQ(window.Header().biSizeImage, 24u);
  EXPECT_EQ(window.Header().biBitCount, 24);
  shown = Shown(window);
  ExpectColour(shown, 35, 5, qRgb(255, 0, 0), "24-bit: top");
  ExpectColour(shown, 35, 35, qRgb(0, 255, 0), "24-bit: bottom");

  // Orientation 0 means nothing to draw.
  ASSERT_TRUE(window.ShowPicture(4, 2, pixels.data(), 32, 0));
  ExpectColour(Shown(window), 20, 20, qRgb(255, 255, 255), "nothing");
}

TEST(RgbWindow, CloseRequestIsIgnored) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(64, 48, "t", false, &kLargeScreen));
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  QCloseEvent request;
  QApplication::sendEvent(&window, &request);
  EXPECT_FALSE(request.isAccepted());
  EXPECT_TRUE(window.isVisible());
}

TEST(RgbWindow, DraggingTheClientAreaMovesTheWindow) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(64, 48, "t", false, &kLargeScreen));
  const QPoint start = window.pos();
  const QPointF local(10, 10);
  const QPointF global = QPointF(start) + local;
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &press);
  const QPointF to = global + QPointF(40, 25);
  QMouseEvent move(QEvent::MouseMove, local, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, local, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &release);
  EXPECT_EQ(window.pos(), start + QPoint(40, 25));

  // After the release, moving the mouse no longer drags.
  QMouseEvent after(QEvent::MouseMove, local, to + QPointF(30, 30), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &after);
  EXPECT_EQ(window.pos(), start + QPoint(40, 25));
}

// Counts the paints a window receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(RgbWindow, WorkerShowsFramesWithoutWaitingForTheDialogThread) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(64, 32, "t", false, &kLargeScreen));
  PaintCounter counter;
  window.installEventFilter(&counter);
  const std::vector<uint8_t> frame = PackedFrame(FOURCC_YUY2, 32, 16);
  // The dialog thread processes no events while the worker runs.
  auto worker = std::async(std::launch::async, [&] {
    int shown = 0;
    for (int i = 0; i < 50; ++i) shown += window.ShowCapture(32, 16, FOURCC_YUY2, frame.data()) ? 1 : 0;
    return shown;
  });
  ASSERT_EQ(worker.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(worker.get(), 50);
  // The queued repaint arrives once the dialog thread runs its loop again.
  for (int i = 0; i < 20 && counter.paints == 0; ++i) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GE(counter.paints, 1);
  window.removeEventFilter(&counter);
}

TEST(RgbWindow, ConcurrentShowingAndPaintingKeepTheBufferSound) {
  CRgbWnd window;
  ASSERT_TRUE(window.Create(80, 60, "t", false, &kLargeScreen));
  const std::vector<uint8_t> large = PackedFrame(FOURCC_UYVY, 64, 48);
  const std::vector<uint8_t> small = PackedFrame(FOURCC_Y41P, 32, 24);
  std::vector<uint8_t> picture(48u * 20u * 4u, 0x80);
  std::atomic<bool> done{false};
  // Every frame changes the size, so the worker reallocates while the painter reads.
  std::thread worker([&] {
    for (int i = 0; i < 300; ++i) {
      switch (i % 3) {
        case 0:
          window.ShowCapture(64, 48, FOURCC_UYVY, large.data());
          break;
        case 1:
          window.ShowCapture(32, 24, FOURCC_Y41P, small.data());
          break;
        default:
          window.ShowPicture(48, 20, picture.data(), 32, CRgbWnd::kBottomRowFirst);
          break;
      }
    }
    window.ShowCapture(64, 48, FOURCC_UYVY, large.data());
    done = true;
  });
  int grabs = 0;
  do {
    QApplication::processEvents();
    window.repaint();
    (void)window.grab();
    ++grabs;
  } while (!done.load());
  worker.join();
  QApplication::processEvents();
  EXPECT_GT(grabs, 0);
  EXPECT_GE(window.BufferAllocations(), 2);
  ExpectQuadrants(Shown(window));
}

}  // namespace
}  // namespace nuvix
