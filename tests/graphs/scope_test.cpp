#include <gtest/gtest.h>

#include <QTest>
#include <QTimerEvent>
#include <array>
#include <atomic>
#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "os_ctrl.h"
#include "scope_pane.h"
#include "scope_sampler.h"
#include "test_support.h"

namespace nuvix {
namespace {

using test::Host;
using test::InkBounds;
using test::PixelAt;
using test::Px;

// A full-scale range of samples covers the 5-volt span in 65536 steps.
double Volts(int sample) { return (sample + 32768.0) * 5.0 / 65536.0; }

std::vector<int16_t> Block(std::initializer_list<int16_t> every, size_t repeat) {
  std::vector<int16_t> block;
  for (int16_t s : every)
    for (size_t i = 0; i < repeat; ++i) block.push_back(s);
  return block;
}

TEST(ScopeSamplerTest, MapsFullScaleOntoTheVoltageRange) {
  ScopeSampler sampler;
  sampler.Init(5.0, 0.0, 5);
  EXPECT_EQ(sampler.Scale(), 13107);
  EXPECT_EQ(sampler.PointCount(), 5u);
  EXPECT_FALSE(sampler.HasData());
  EXPECT_DOUBLE_EQ(sampler.Next(), 2.5);

  // Ten samples, five points: every second sample is taken.
  const std::array<int16_t, 10> block = {-32768, 1, 32767, 1, 0, 1, -1, 1, 16384, 1};
  sampler.Fill(block.data(), sizeof block);
  ASSERT_TRUE(sampler.HasData());
  EXPECT_DOUBLE_EQ(sampler.Next(), 0.0);
  const double top = sampler.Next();
  EXPECT_NEAR(top, 4.99992, 1e-5);
  EXPECT_LT(top, 5.0);
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(0));
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(-1));
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(16384));

  // The minimum is added to every point.
  ScopeSampler shifted;
  shifted.Init(3.0, -2.0, 1);
  const int16_t low = -32768;
  shifted.Fill(&low, 2);
  EXPECT_DOUBLE_EQ(shifted.Next(), -2.0);
}

TEST(ScopeSamplerTest, RepeatsTheLastBlockUntilTheNextArrives) {
  ScopeSampler sampler;
  sampler.Init(5.0, 0.0, 5);
  const auto first = Block({-32768, -16384, 0, 16384, 32767}, 4);
  sampler.Fill(first.data(), static_cast<uint32_t>(first.size() * 2));
  std::vector<double> seen;
  for (int i = 0; i < 12; ++i) seen.push_back(sampler.Next());
  const std::vector<double> once = {Volts(-32768), Volts(-16384), Volts(0), Volts(16384), Volts(32767)};
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_DOUBLE_EQ(seen[i], once[i % 5]) << i;

  // A new block restarts from its first point.
  const auto second = Block({100, 200, 300, 400, 500}, 2);
  sampler.Fill(second.data(), static_cast<uint32_t>(second.size() * 2));
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(100));
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(200));
}

TEST(ScopeSamplerTest, ShortOddAndUnalignedBlocksStayInsideTheBlock) {
  ScopeSampler sampler;
  sampler.Init(5.0, 0.0, 5);
  // Three samples for five points: every point is the first sample.
  const std::array<int16_t, 3> few = {1000, 2000, 3000};
  sampler.Fill(few.data(), sizeof few);
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(sampler.Next(), Volts(1000));

  // An odd trailing byte is no sample; the block may start at any address.
  alignas(2) unsigned char raw[12] = {};
  const std::array<int16_t, 5> values = {-5, 5, -50, 50, 500};
  std::memcpy(raw + 1, values.data(), sizeof values);
  sampler.Fill(raw + 1, 11);
  for (int16_t v : values) EXPECT_DOUBLE_EQ(sampler.Next(), Volts(v));

  sampler.Fill(raw, 1);  // no whole sample: no block
  sampler.Fill(nullptr, 10);
  EXPECT_DOUBLE_EQ(sampler.Next(), Volts(-5));

  // 101 points wrap to none; such a sampler never has data.
  ScopeSampler none;
  none.Init(5.0, 0.0, 101);
  EXPECT_EQ(none.PointCount(), 0u);
  none.Fill(few.data(), sizeof few);
  EXPECT_FALSE(none.HasData());
  EXPECT_DOUBLE_EQ(none.Next(), 2.5);
}

TEST(ScopeSamplerTest, WorkerFillsWhileTheWindowThreadReads) {
  ScopeSampler sampler;
  sampler.Init(5.0, 0.0, 5);
  const std::array<int16_t, 3> levels = {-32768, 0, 32767};
  std::set<double> allowed;
  for (int16_t v : levels) allowed.insert(Volts(v));
  std::atomic<bool> done{false};
  std::thread worker([&] {
    std::vector<int16_t> block(160);
    for (int i = 0; i < 3000; ++i) {
      std::fill(block.begin(), block.end(), levels[static_cast<size_t>(i) % levels.size()]);
      sampler.Fill(block.data(), static_cast<uint32_t>(block.size() * 2));
    }
    done = true;
  });
  int reads = 0;
  while (!done || reads < 1000) {
    const double v = sampler.Next();
    if (sampler.HasData()) {
      ASSERT_TRUE(allowed.count(v) || v == 2.5) << v;
    }
    ++reads;
  }
  worker.join();
  EXPECT_TRUE(sampler.HasData());
}

class ScopeCtrlTest : public ::testing::Test {
 protected:
  // A control whose client area is exactly width x height.
  COSCtrl* Make(int width, int height, OSCtrlProps props = OSCtrlProps()) {
    auto* ctrl = new COSCtrl(props);
    const int edge = 2 * COSCtrl::kEdge;
    EXPECT_TRUE(ctrl->Create(QRect(5, 5, width + edge, height + edge), &host, 0));
    EXPECT_FALSE(ctrl->Create(QRect(5, 5, 10, 10), &host, 0));
    return ctrl;
  }
  Host host{QSize(400, 300)};
};

TEST_F(ScopeCtrlTest, PlotOfFortySevenPixelsHasFourRowsAndThreeDottedLines) {
  OSCtrlProps props;
  props.title = QStringLiteral("T");
  const COSCtrl* ctrl = Make(200, 77, props);
  EXPECT_EQ(ctrl->ClientArea(), QRect(0, 0, 200, 77));
  EXPECT_EQ(ctrl->PlotLeft(), 30);
  EXPECT_EQ(ctrl->PlotTop(), 10);
  EXPECT_EQ(ctrl->PlotRight(), 190);
  EXPECT_EQ(ctrl->RowCount(), 4);
  EXPECT_EQ(ctrl->PlotBottom(), 50);  // 57 raised by the remainder 7
  EXPECT_EQ(ctrl->GridRows(), std::vector<int>({20, 30, 40, 50}));

  const QImage& bg = ctrl->BackgroundLayer();
  const uint32_t grid = Px(ctrl->Props().gridColor);
  const uint32_t back = Px(ctrl->Props().backColor);
  int dotted = 0;
  for (int y = 11; y < 50; ++y) {
    int dots = 0;
    for (int x = 30; x < 190; ++x) dots += PixelAt(bg, x, y) == grid;
    if (dots == 0) continue;
    ++dotted;
    EXPECT_EQ(y % 10, 0) << y;
    EXPECT_EQ(PixelAt(bg, 32, y), grid);
    EXPECT_EQ(PixelAt(bg, 33, y), back);
    EXPECT_EQ(PixelAt(bg, 35, y), grid);
    EXPECT_EQ(dots, (188 - 32 + 2) / 3);  // from left + 2, before right - 2
  }
  EXPECT_EQ(dotted, 3);
  // One-pixel frame around the plot; the last row lies on it.
  for (int x = 29; x <= 190; ++x) {
    EXPECT_EQ(PixelAt(bg, x, 9), grid) << x;
    EXPECT_EQ(PixelAt(bg, x, 50), grid) << x;
  }
  EXPECT_EQ(PixelAt(bg, 29, 30), grid);
  EXPECT_EQ(PixelAt(bg, 190, 30), grid);
  EXPECT_EQ(PixelAt(bg, 31, 49), back);

  // Labels end left of the plot, the title sits below it around the middle.
  const QRect labels = InkBounds(bg, QRect(0, 0, 28, 77), back);
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_LE(labels.right(), 26);
  const QRect title = InkBounds(bg, QRect(28, 52, 172, 25), back);
  ASSERT_FALSE(title.isEmpty());
  EXPECT_GE(title.top(), 58);
  EXPECT_LE(std::abs((title.left() + title.right()) / 2 - 100), 3);
}

TEST_F(ScopeCtrlTest, PointsLandOnTheirMappedRowAndScrollLeft) {
  OSCtrlProps props;
  COSCtrl* ctrl = Make(200, 60, props);  // H = 30
  const int top = ctrl->PlotTop();
  const int bottom = ctrl->PlotBottom();
  const int right = ctrl->PlotRight();
  ASSERT_EQ(bottom - top, 30);
  EXPECT_EQ(ctrl->RowFor(5.0), top);
  EXPECT_EQ(ctrl->RowFor(2.5), bottom - 15);
  EXPECT_EQ(ctrl->RowFor(0.0), bottom);
  EXPECT_EQ(ctrl->RowFor(9.0), top);      // held on the plot
  EXPECT_EQ(ctrl->RowFor(-3.0), bottom);

  const uint32_t trace = Px(props.traceColor);
  ctrl->AddPoint(4.0);
  ctrl->AddPoint(4.0);
  const int high = bottom - 24;
  QImage shown = ctrl->ComposedImage();
  for (int x = right - 3; x < right; ++x) EXPECT_EQ(PixelAt(shown, x, high), trace) << x;
  ctrl->AddPoint(1.0);
  ctrl->AddPoint(1.0);
  shown = ctrl->ComposedImage();
  const int low = bottom - 6;
  EXPECT_EQ(PixelAt(shown, right - 7, high), trace);  // scrolled by two pixels per point
  EXPECT_EQ(PixelAt(shown, right - 2, low), trace);
  EXPECT_EQ(PixelAt(shown, right - 2, high), Px(props.backColor));
  EXPECT_DOUBLE_EQ(ctrl->Previous(), 1.0);

  // Clearing wipes the trace and rests the previous value in the middle.
  ctrl->Clear();
  EXPECT_EQ(ctrl->ComposedImage(), ctrl->BackgroundLayer());
  EXPECT_DOUBLE_EQ(ctrl->Previous(), COSCtrl::kRestValue);

  // What is painted on the window is the composition.
  ctrl->AddPoint(3.0);
  const QImage grabbed = ctrl->grab(ctrl->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(grabbed, ctrl->ComposedImage());
}

TEST_F(ScopeCtrlTest, ResizedControlRemakesItsLayers) {
  COSCtrl* ctrl = Make(200, 77);
  ctrl->AddPoint(4.0);
  ctrl->resize(120 + 2 * COSCtrl::kEdge, 140 + 2 * COSCtrl::kEdge);
  EXPECT_EQ(ctrl->BackgroundLayer().size(), QSize(120, 140));
  EXPECT_EQ(ctrl->TraceLayer().size(), QSize(120, 140));
  EXPECT_EQ(ctrl->RowCount(), 11);
  for (int i = 0; i < 80; ++i) ctrl->AddPoint(i % 6);
  EXPECT_EQ(ctrl->ComposedImage().size(), QSize(120, 140));
}

// An owner dialog that offers every timer event to its panes.
class Owner : public QWidget {
 public:
  Owner() {
    resize(500, 260);
    show();
  }
  std::vector<ScopePane*> panes;

 protected:
  void timerEvent(QTimerEvent* event) override {
    for (ScopePane* pane : panes) pane->OnOwnerTimer(event->timerId());
  }
};

class ScopePaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      placeholders[i] = new QWidget(&owner);
      placeholders[i]->setGeometry(10 + 240 * i, 20, 220, 110);
      panes[i].props.title = QStringLiteral("%1 AU DIO Capture").arg(i + 1);
      owner.panes.push_back(&panes[i]);
    }
  }
  void FeedLevel(ScopePane& pane, int16_t level) {
    const std::vector<int16_t> block(64, level);
    pane.Feed(block.data(), static_cast<uint32_t>(block.size() * 2));
  }
  bool TraceBlank(const ScopePane& pane) const {
    const COSCtrl* c = pane.Ctrl();
    return InkBounds(c->TraceLayer(), QRect(QPoint(0, 0), c->TraceLayer().size()),
                     Px(c->Props().backColor))
        .isEmpty();
  }

  Owner owner;
  std::array<QWidget*, 2> placeholders{};
  std::array<ScopePane, 2> panes;
};

TEST_F(ScopePaneTest, AttachTakesThePlaceholderAndTheNextIdentifier) {
  const int next = ScopePane::PeekNextTimerIdentifier();
  EXPECT_GE(next, ScopePane::kFirstTimerIdentifier);
  ASSERT_TRUE(panes[0].Attach(&owner, placeholders[0]));
  ASSERT_TRUE(panes[1].Attach(&owner, placeholders[1]));
  EXPECT_EQ(panes[0].TimerIdentifier(), next);
  EXPECT_EQ(panes[1].TimerIdentifier(), next + 1);
  EXPECT_EQ(ScopePane::PeekNextTimerIdentifier(), next + 2);
  EXPECT_EQ(panes[1].Ctrl()->geometry(), placeholders[1]->geometry());
  EXPECT_EQ(panes[1].Ctrl()->parentWidget(), &owner);
  EXPECT_EQ(panes[0].Ctrl()->Props().traceColor, ScopePane::kPaneTraceColor);
  EXPECT_EQ(panes[0].Ctrl()->Props().title, "1 AU DIO Capture");
  EXPECT_EQ(panes[0].TimerHandle(), 0);
}

TEST_F(ScopePaneTest, TwoPanesNeverReactToEachOthersTimer) {
  panes[0].Attach(&owner, placeholders[0]);
  panes[1].Attach(&owner, placeholders[1]);
  FeedLevel(panes[0], 32767);
  FeedLevel(panes[1], 32767);
  panes[0].StartTimer();
  ASSERT_NE(panes[0].TimerHandle(), 0);
  QTest::qWait(350);
  EXPECT_FALSE(TraceBlank(panes[0]));
  EXPECT_TRUE(TraceBlank(panes[1]));

  // Not even a tick carrying the other pane's handle moves a stopped pane.
  panes[1].OnOwnerTimer(panes[0].TimerHandle());
  EXPECT_TRUE(TraceBlank(panes[1]));
  panes[1].StartTimer();
  EXPECT_NE(panes[1].TimerHandle(), panes[0].TimerHandle());
  panes[0].Stop(true);
  QTest::qWait(350);
  EXPECT_TRUE(TraceBlank(panes[0]));
  EXPECT_FALSE(TraceBlank(panes[1]));
}

TEST_F(ScopePaneTest, RunningPaneDrawsNothingBeforeTheFirstBlock) {
  panes[0].Attach(&owner, placeholders[0]);
  panes[0].StartTimer();
  QTest::qWait(250);
  EXPECT_TRUE(TraceBlank(panes[0]));
  EXPECT_EQ(panes[0].Ctrl()->ComposedImage(), panes[0].Ctrl()->BackgroundLayer());
}

TEST_F(ScopePaneTest, PointIsDrawnAtTheRowTheMappingGives) {
  panes[0].Attach(&owner, placeholders[0]);
  const COSCtrl* ctrl = panes[0].Ctrl();
  const int top = ctrl->PlotTop();
  const int bottom = ctrl->PlotBottom();
  const int right = ctrl->PlotRight();
  const int height = bottom - top;
  ASSERT_GT(height, 0);
  panes[0].StartTimer();
  const int handle = panes[0].TimerHandle();
  const uint32_t trace = Px(ScopePane::kPaneTraceColor);

  // Full scale up: 4.99992 volts, one pixel below the top for H = 40 and any H >= 10.
  FeedLevel(panes[0], 32767);
  panes[0].OnOwnerTimer(handle);
  panes[0].OnOwnerTimer(handle);
  const int expected = bottom - static_cast<int>(std::trunc(height * Volts(32767) / 5.0));
  EXPECT_EQ(expected, top + 1);
  QImage shown = ctrl->ComposedImage();
  EXPECT_EQ(PixelAt(shown, right - 3, expected), trace);
  EXPECT_EQ(PixelAt(shown, right - 1, expected), trace);
  EXPECT_EQ(PixelAt(shown, right - 3, top), PixelAt(ctrl->BackgroundLayer(), right - 3, top));

  // Full scale down: 0 volts, on the plot bottom, ORed into the frame line.
  FeedLevel(panes[0], -32768);
  panes[0].OnOwnerTimer(handle);
  panes[0].OnOwnerTimer(handle);
  shown = ctrl->ComposedImage();
  EXPECT_EQ(PixelAt(shown, right - 1, bottom), Px(ctrl->Props().gridColor | ScopePane::kPaneTraceColor));
  EXPECT_EQ(PixelAt(shown, right - 7, expected), trace);  // two points older: four pixels left

  // The minimum drawn on the bottom row scrolls away with the rest of the trace.
  for (int i = 0; i < 3; ++i) panes[0].OnOwnerTimer(handle);
  FeedLevel(panes[0], 0);
  for (int i = 0; i < 100; ++i) panes[0].OnOwnerTimer(handle);
  shown = ctrl->ComposedImage();
  for (int x = ctrl->PlotLeft(); x < right; ++x)
    ASSERT_EQ(PixelAt(shown, x, bottom), Px(ctrl->Props().gridColor)) << x;
}

TEST_F(ScopePaneTest, StopClearsOrKeepsTheTraceAndRestartRepeatsTheLastPoints) {
  panes[0].Attach(&owner, placeholders[0]);
  COSCtrl* ctrl = panes[0].Ctrl();
  const std::vector<int16_t> block = Block({-32768, -16384, 0, 16384, 32767}, 8);
  panes[0].Feed(block.data(), static_cast<uint32_t>(block.size() * 2));
  panes[0].StartTimer();
  int handle = panes[0].TimerHandle();
  panes[0].OnOwnerTimer(handle);
  panes[0].OnOwnerTimer(handle);
  EXPECT_DOUBLE_EQ(ctrl->Previous(), Volts(-16384));

  // Stopped without clearing (the player): the trace stays, ticks are ignored.
  const QImage kept = ctrl->ComposedImage();
  panes[0].Stop(false);
  EXPECT_EQ(panes[0].TimerHandle(), 0);
  panes[0].OnOwnerTimer(handle);
  EXPECT_EQ(ctrl->ComposedImage(), kept);
  EXPECT_NE(kept, ctrl->BackgroundLayer());

  // Started again without a new block, it carries on with the last block's points.
  panes[0].StartTimer();
  handle = panes[0].TimerHandle();
  panes[0].OnOwnerTimer(handle);
  EXPECT_DOUBLE_EQ(ctrl->Previous(), Volts(0));

  // Stopped with clearing: an empty grid at once.
  panes[0].Stop(true);
  EXPECT_EQ(ctrl->ComposedImage(), ctrl->BackgroundLayer());
  EXPECT_DOUBLE_EQ(ctrl->Previous(), COSCtrl::kRestValue);
  panes[0].Stop(true);  // a second stop is harmless
}

TEST(ScopePaneLifetime, PaneOutlivingItsOwnerAndOwnerOutlivingItsPane) {
  {
    auto owner = std::make_unique<QWidget>();
    ScopePane pane;
    pane.Attach(owner.get(), QRect(0, 0, 200, 100));
    pane.StartTimer();
    owner.reset();  // takes the control with it
    EXPECT_EQ(pane.Ctrl(), nullptr);
    pane.Stop(true);
    pane.OnOwnerTimer(pane.TimerHandle());
  }
  QWidget owner;
  {
    ScopePane pane;
    pane.Attach(&owner, QRect(0, 0, 200, 100));
    pane.StartTimer();
  }
  EXPECT_TRUE(owner.findChildren<COSCtrl*>().isEmpty());
  QTest::qWait(150);  // the pane's timer is gone with it: nothing to deliver
}

}  // namespace
}  // namespace nuvix
