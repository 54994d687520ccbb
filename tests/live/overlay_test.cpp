// The overlay over the emulated adapter: what opens on which adapter, where
// the overlay is placed for a window (clipping, stretch, alignment), where the
// view window goes, and the slot that holds the one overlay window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cstring>

#include "ddraw_overlay.h"
#include "overlay_placer.h"
#include "overlay_slot.h"
#include "overlay_view_wnd.h"

using namespace nuvix::ddraw;

namespace {

class Adapter : public ::testing::Test {
 protected:
  void SetUp() override { SetAdapter(DefaultAdapter()); }
  void TearDown() override { SetAdapter(DefaultAdapter()); }
  int window_ = 0;  // any non-null handle stands for the owner window
};

TEST_F(Adapter, OverlayOpensWhereTheAdapterAllowsAndReportsTheFormatMade) {
  struct Case {
    const char* what;
    void (*adapt)(AdapterConfig&);
    uint32_t width, fourcc;
    int expected;
    uint32_t made;
  };
  const Case cases[] = {
      {"default adapter, UYVY", [](AdapterConfig&) {}, 704, kFourccUyvy, 0, kFourccUyvy},
      {"default adapter, YUY2", [](AdapterConfig&) {}, 704, kFourccYuy2, 0, kFourccYuy2},
      {"UYVY-only adapter asked for YUY2", [](AdapterConfig& a) { a.overlayFourccs = {kFourccUyvy}; }, 704,
       kFourccYuy2, 0, kFourccUyvy},
      {"width 700", [](AdapterConfig&) {}, 700, kFourccUyvy, 3, 0},
      {"no display driver", [](AdapterConfig& a) { a.present = false; }, 704, kFourccUyvy, 1, 0},
      {"no overlay", [](AdapterConfig& a) { a.caps.dwCaps &= ~DDCAPS_OVERLAY; }, 704, kFourccUyvy, 2, 0},
      {"no destination colour key", [](AdapterConfig& a) { a.caps.dwCKeyCaps = 0; }, 704, kFourccUyvy, 2, 0},
      {"shrink only", [](AdapterConfig& a) { a.caps.dwMaxOverlayStretch = 800; }, 704, kFourccUyvy, 2, 0},
      {"enlarge only", [](AdapterConfig& a) { a.caps.dwMinOverlayStretch = 1500; }, 704, kFourccUyvy, 2, 0},
      {"no stretching at all", [](AdapterConfig& a) { a.caps.dwCaps &= ~DDCAPS_OVERLAYSTRETCH; }, 704,
       kFourccUyvy, 0, kFourccUyvy},
      {"no YUV format", [](AdapterConfig& a) { a.overlayFourccs = {}; }, 704, kFourccUyvy, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AdapterConfig adapter = DefaultAdapter();
    c.adapt(adapter);
    SetAdapter(adapter);
    CDDrawOverlay overlay;
    ASSERT_EQ(overlay.Open(&window_, c.width, 480, c.fourcc), c.expected);
    OverlayInfo info;
    overlay.GetInfo(info);
    if (c.expected != 0) {
      EXPECT_EQ(info.device, nullptr) << "everything is released again";
      EXPECT_EQ(info.overlay, nullptr);
      continue;
    }
    EXPECT_EQ(info.fourcc, c.made);
    DDSURFACEDESC2 desc;
    ASSERT_EQ(info.overlay->Lock(&desc, 0), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwFourCC, c.made);
    EXPECT_GE(desc.lPitch, 704 * 2);
    EXPECT_EQ(desc.lPitch % 64, 0);
    const auto* bytes = static_cast<const uint8_t*>(desc.lpSurface);
    EXPECT_EQ(bytes[0], 0x80);
    EXPECT_EQ(bytes[static_cast<size_t>(desc.lPitch) * 480 - 1], 0x80) << "a grey picture to start with";
    EXPECT_EQ(info.overlay->Lock(&desc, 0), DDERR_SURFACEBUSY);
    info.overlay->Unlock();
  }
}

TEST_F(Adapter, ColourKeyIsThePrimarysStoredFormAndThePrimaryIsLeftAsItWas) {
  CDDrawOverlay overlay;
  ASSERT_EQ(overlay.Open(&window_, 704, 480, kFourccUyvy), 0);
  OverlayInfo info;
  overlay.GetInfo(info);
  ASSERT_EQ(info.primary->SetPixel(0, 0, 0x123456), DD_OK);
  const RECT source{0, 0, 704, 480}, destination{10, 20, 714, 500};
  for (const auto& [colour, stored] : {std::pair{0xFF00FFu, 0xFF00FFu}, std::pair{0x0000FFu, 0xFF0000u}}) {
    overlay.SetColorKey(colour);
    ASSERT_TRUE(overlay.ShowOverlay(source, destination));
    const ScanOut scan = info.overlay->Scan();
    EXPECT_TRUE(scan.overlay.shown);
    EXPECT_EQ(scan.overlay.colourKey, stored);
    uint32_t pixel = 0;
    info.primary->GetPixel(0, 0, &pixel);
    EXPECT_EQ(pixel, 0x123456u);
  }
  ASSERT_TRUE(overlay.HideOverlay());
  EXPECT_FALSE(info.overlay->Scan().overlay.shown);
}

OverlayLimits Limits(uint32_t minStretch = 0, uint32_t maxStretch = 0) {
  OverlayLimits limits;
  limits.minStretch = minStretch;
  limits.maxStretch = maxStretch;
  return limits;
}

TEST(PlaceOverlay, ClipsStretchesAndAlignsLikeTheAdapter) {
  struct Case {
    const char* what;
    RECT d;
    OverlayLimits limits;
    bool shown;
    RECT source, destination;
  };
  OverlayLimits alignedSource = Limits();
  alignedSource.srcBoundary = 4;
  OverlayLimits alignedDestination = Limits();
  alignedDestination.destSize = 16;
  const Case cases[] = {
      {"on the screen, unit scale", {100, 100, 804, 580}, Limits(), true, {0, 0, 704, 480}, {100, 100, 804, 580}},
      {"half off the left edge", {-352, 100, 352, 580}, Limits(), true, {352, 0, 704, 480}, {0, 100, 352, 580}},
      {"half off the left edge at twice the size", {-704, 0, 704, 960}, Limits(), true, {352, 0, 704, 480},
       {0, 0, 704, 960}},
      {"past the right and bottom edges", {1600, 900, 2304, 1380}, Limits(), true, {0, 0, 320, 180},
       {1600, 900, 1920, 1080}},
      {"off the screen", {1920, 0, 2624, 480}, Limits(), false, {}, {}},
      {"above the screen", {0, -480, 704, 0}, Limits(), false, {}, {}},
      {"source left 5 aligned to 4", {-5, 0, 699, 480}, alignedSource, true, {8, 0, 704, 480}, {0, 0, 699, 480}},
      {"source left 1 aligned to 4", {-1, 0, 703, 480}, alignedSource, true, {0, 0, 704, 480}, {0, 0, 703, 480}},
      {"destination width rounded to 16", {10, 0, 710, 480}, alignedDestination, true, {0, 0, 704, 480},
       {10, 0, 714, 480}},
      {"smaller than the minimum stretch", {0, 0, 352, 240}, Limits(1000, 0), true, {0, 0, 704, 480},
       {0, 0, 704, 480}},
      {"larger than the maximum stretch", {0, 0, 1408, 960}, Limits(0, 1500), true, {0, 0, 704, 480},
       {0, 0, 1056, 720}},
      {"an empty destination", {0, 0, 0, 480}, Limits(), false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto placed = PlaceOverlay(c.d, 704, 480, 1920, 1080, c.limits);
    ASSERT_EQ(placed.has_value(), c.shown);
    if (!placed) continue;
    const RECT& s = placed->source;
    const RECT& d = placed->destination;
    EXPECT_EQ((std::array{s.left, s.top, s.right, s.bottom}),
              (std::array{c.source.left, c.source.top, c.source.right, c.source.bottom}));
    EXPECT_EQ((std::array{d.left, d.top, d.right, d.bottom}),
              (std::array{c.destination.left, c.destination.top, c.destination.right, c.destination.bottom}));
  }
}

TEST(ViewWindowFrame, CentredWhenItFitsElseAtTheOrigin) {
  const RECT small = ViewWindowFrame(704, 576, 4, 640, 480);
  EXPECT_EQ((std::array{small.left, small.top, small.right, small.bottom}), (std::array{0, 0, 712, 584}));
  const RECT centred = ViewWindowFrame(704, 576, 4, 800, 600);
  EXPECT_EQ((std::array{centred.left, centred.top, centred.right, centred.bottom}), (std::array{44, 8, 756, 592}));
}

class Slot : public Adapter {};

TEST_F(Slot, OneOverlayWindowAtATimeAndASecondOpenLeavesTheFirstAlone) {
  COverlaySlot slot, other;
  ASSERT_TRUE(slot.Open(704, 480, 704, 480, kFourccYuy2));
  ASSERT_NE(slot.Get(), nullptr);
  EXPECT_EQ(slot.Get()->windowTitle(), QStringLiteral("Overlay View Window"));
  EXPECT_TRUE(slot.Get()->isVisible());
  const OverlayInfo info = slot.Info();
  const uint32_t updates = info.overlay->Scan().overlay.updates;
  EXPECT_TRUE(info.overlay->Scan().overlay.shown);

  EXPECT_FALSE(slot.Open(704, 480, 704, 480, kFourccUyvy));
  EXPECT_FALSE(other.Open(704, 480, 704, 480, kFourccUyvy));
  EXPECT_EQ(other.Get(), nullptr);
  EXPECT_EQ(slot.Info().overlay, info.overlay);
  EXPECT_EQ(info.overlay->Scan().overlay.updates, updates) << "the open overlay was not touched";

  void* address = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(slot.QuerySurface(address, pitch));
  DDSURFACEDESC2 desc;
  ASSERT_EQ(info.overlay->Lock(&desc, 0), DD_OK) << "the query left the surface unlocked";
  info.overlay->Unlock();
  EXPECT_EQ(address, desc.lpSurface);
  EXPECT_EQ(pitch, static_cast<uint32_t>(desc.lPitch));

  slot.Get()->close();
  EXPECT_TRUE(slot.Get()->isVisible()) << "the user cannot close it";
  slot.Close();
  EXPECT_EQ(slot.Get(), nullptr);
  EXPECT_FALSE(slot.QuerySurface(address, pitch));
  EXPECT_TRUE(other.Open(704, 480, 704, 480, kFourccUyvy)) << "the slot is free again";
}

TEST_F(Slot, FailedOpenRemovesTheWindowAgain) {
  AdapterConfig adapter = DefaultAdapter();
  adapter.caps.dwCKeyCaps = 0;
  SetAdapter(adapter);
  COverlaySlot slot;
  EXPECT_FALSE(slot.Open(704, 480, 704, 480, kFourccUyvy));
  EXPECT_EQ(slot.Get(), nullptr);
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_NE(w->windowTitle(), QStringLiteral("Overlay View Window")) << "no window is left behind";
  SetAdapter(DefaultAdapter());
  EXPECT_TRUE(slot.Open(704, 480, 704, 480, kFourccUyvy));
}

// Fills the overlay's left half with one YUV colour and the right half with another.
void PaintHalves(const OverlayInfo& info) {
  DDSURFACEDESC2 desc;
  ASSERT_EQ(info.overlay->Lock(&desc, 0), DD_OK);
  for (uint32_t y = 0; y < info.height; ++y) {
    auto* row = static_cast<uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
    for (uint32_t x = 0; x < info.width; x += 2) {
      const uint8_t pair[2][4] = {{90, 82, 240, 82}, {240, 41, 110, 41}};  // UYVY red, blue
      std::memcpy(row + x * 2, pair[x < info.width / 2 ? 0 : 1], 4);
    }
  }
  info.overlay->Unlock();
}

TEST_F(Slot, ViewWindowShowsTheOverlayWhereTheAdapterPlacesIt) {
  AdapterConfig adapter = DefaultAdapter();
  adapter.screenWidth = 800;
  adapter.screenHeight = 600;
  SetAdapter(adapter);
  COverlaySlot slot;
  ASSERT_TRUE(slot.Open(704, 480, 704, 480, kFourccUyvy));
  PaintHalves(slot.Info());
  COverlayViewWnd* view = slot.Get();
  auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
  auto isBlue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
  auto isKey = [](QRgb c) { return (c & 0xFFFFFF) == 0xFF00FF; };

  const QImage& whole = view->Compose();
  EXPECT_TRUE(isRed(whole.pixel(100, 240)));
  EXPECT_TRUE(isBlue(whole.pixel(600, 240)));

  // Dragged half off the left edge: the visible half shows the picture's right half.
  // move() places the frame; the client area lies inside it.
  const int frame = view->geometry().x() - view->frameGeometry().x();
  view->move(-352 - frame, 50);
  const RECT source = slot.Info().overlay->Scan().overlay.source;
  EXPECT_EQ(source.left, 352);
  const QImage& half = view->Compose();
  EXPECT_TRUE(isKey(half.pixel(100, 240))) << "off the screen nothing is overlaid";
  EXPECT_TRUE(isBlue(half.pixel(600, 240)));

  // Sized to half: the whole picture shrinks into it.
  view->move(100, 50);
  view->resize(352, 240);
  const RECT destination = slot.Info().overlay->Scan().overlay.destination;
  EXPECT_EQ(destination.right - destination.left, 352);
  const QImage& shrunk = view->Compose();
  EXPECT_TRUE(isRed(shrunk.pixel(80, 120)));
  EXPECT_TRUE(isBlue(shrunk.pixel(280, 120)));

  // Dragged by a point of its client area, the window and the overlay follow the mouse.
  const QPoint start = view->geometry().topLeft() + QPoint(20, 20);
  const QPoint before = view->geometry().topLeft();
  // Each event is made just before it is sent: events of one device share their point's state.
  auto send = [view](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(20, 20), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  };
  send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, start + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, start + QPoint(30, 40), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(view->geometry().topLeft(), before + QPoint(30, 40));
  EXPECT_EQ(slot.Info().overlay->Scan().overlay.destination.left, before.x() + 30);

  // Entirely off the screen: the overlay stays where it was.
  const uint32_t updates = slot.Info().overlay->Scan().overlay.updates;
  view->move(900, 50);
  EXPECT_EQ(slot.Info().overlay->Scan().overlay.updates, updates);
}

}  // namespace
