#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <memory>
#include <vector>

#include "cell_images.h"
#include "fixg_ctrl.h"
#include "fixg_holder.h"
#include "test_support.h"

namespace nuvix {
namespace {

using test::Host;
using test::InkBounds;
using test::PixelAt;
using test::Px;
using test::SendMouse;
using test::SendWheel;

// A press held over the cell, as its repeats report it.
GridEvent Held(GridEvent press) {
  press.repeat = true;
  return press;
}

class FixGTest : public ::testing::Test {
 protected:
  using Note = GridEvent;

  void Build(int cols, int rows, int firstWidth, int width, int height,
             QRect rect = QRect(10, 10, 860, 400)) {
    grid.props.cols = cols;
    grid.props.rows = rows;
    grid.props.cellCount = cols * rows;
    grid.props.imageStrip = kCellImageStrip;
    grid.props.fontWeight = 700;
    grid.props.notifyMessage = 1038;
    ASSERT_TRUE(grid.Create(&host, rect));
    grid.Apply();
    for (int c = 0; c < cols; ++c) grid.SetColumnWidth(c, c == 0 ? firstWidth : width);
    for (int r = 0; r < rows; ++r) grid.SetRowHeight(r, height);
    grid.Layout();
    ctrl = grid.Ctrl();
    QObject::connect(ctrl, &CFixGCtrl::Notified, ctrl,
                     [this](const GridEvent& event) { notes.push_back(event); });
  }

  void ActivateBody(uint32_t flags) {
    for (int r = 1; r < ctrl->Rows(); ++r)
      for (int c = 1; c < ctrl->Columns(); ++c) grid.SetCellStyle(c, r, 1, flags);
  }

  QPoint Centre(int column, int row) const {
    return ctrl->CellRect(column, row).center() - ctrl->ScrollPos();
  }
  QWidget* View() const { return ctrl->viewport(); }
  void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(View(), QEvent::MouseButtonPress, at, button, button);
  }
  void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(View(), QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  void Move(QPoint at, Qt::MouseButtons held = Qt::NoButton) {
    SendMouse(View(), QEvent::MouseMove, at, Qt::NoButton, held);
  }
  int CountOf(const Note& note) const {
    return static_cast<int>(std::count(notes.begin(), notes.end(), note));
  }

  Host host{QSize(900, 450)};
  FixGHolder grid;
  CFixGCtrl* ctrl = nullptr;
  std::vector<Note> notes;
};

TEST_F(FixGTest, NeighbouringCellsShareTheirBorderLine) {
  Build(17, 8, 150, 32, 21);
  EXPECT_EQ(ctrl->TableRect(), QRect(0, 0, 646, 161));
  EXPECT_EQ(ctrl->CellRect(1, 0), QRect(149, 0, 32, 21));
  EXPECT_EQ(ctrl->CellRect(2, 1), QRect(180, 20, 32, 21));
  EXPECT_EQ(ctrl->CellRect(16, 7), QRect(614, 140, 32, 21));
  EXPECT_EQ(ctrl->VisibleSize(), QSize(646, 161));
  EXPECT_EQ(ctrl->TableLayer().size(), QSize(646, 161));

  // The shared line is drawn once, in the line colour, between two flat faces.
  const QImage& layer = ctrl->TableLayer();
  EXPECT_EQ(PixelAt(layer, 180, 30), Px(ctrl->Props().lineColor));
  EXPECT_EQ(PixelAt(layer, 179, 30), Px(ctrl->Props().cellColor));
  EXPECT_EQ(PixelAt(layer, 181, 30), Px(ctrl->Props().cellColor));
  EXPECT_EQ(PixelAt(layer, 190, 40), Px(ctrl->Props().lineColor));
}

TEST_F(FixGTest, HitTestGivesASharedLineToTheUpperOrLeftCell) {
  Build(4, 4, 40, 40, 30);
  ActivateBody(kCellNumber);
  EXPECT_EQ(ctrl->HitTest(QPoint(39, 10)), QPoint(0, 0));
  EXPECT_EQ(ctrl->HitTest(QPoint(40, 10)), QPoint(1, 0));
  EXPECT_EQ(ctrl->HitTest(QPoint(10, 29)), QPoint(0, 0));
  EXPECT_EQ(ctrl->HitTest(QPoint(10, 30)), QPoint(0, 1));
  // 4 x 40 - 3 = 157 wide, 4 x 30 - 3 = 117 high.
  EXPECT_EQ(ctrl->HitTest(QPoint(156, 10)), QPoint(3, 0));
  EXPECT_EQ(ctrl->HitTest(QPoint(156, 116)), QPoint(3, 3));
  EXPECT_EQ(ctrl->HitTest(QPoint(157, 10)), QPoint(-1, -1));
  EXPECT_EQ(ctrl->HitTest(QPoint(10, 117)), QPoint(-1, -1));

  // A click on the line between (1,1) and (2,1) reports the left cell.
  const QRect right = ctrl->CellRect(2, 1);
  Press(QPoint(right.x(), right.y() + 10));
  Release(QPoint(right.x(), right.y() + 10));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], LeftPress(1, 1));
  // And one on the line between (2,1) and (2,2) the upper cell.
  notes.clear();
  const QRect below = ctrl->CellRect(2, 2);
  Press(QPoint(below.x() + 10, below.y()));
  Release(QPoint(below.x() + 10, below.y()));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], LeftPress(2, 1));
}

TEST_F(FixGTest, PressesAndWheelTurnsOnActiveCellsAreReported) {
  Build(6, 5, 80, 32, 21);
  ActivateBody(kCellNumber);

  Press(Centre(3, 2));
  Release(Centre(3, 2));
  Press(Centre(5, 4), Qt::RightButton);
  Release(Centre(5, 4), Qt::RightButton);
  SendWheel(View(), Centre(1, 1), 120);
  SendWheel(View(), Centre(2, 3), -120);
  // No double clicks: the second press of one is reported like the first.
  Press(Centre(4, 1));
  Release(Centre(4, 1));
  SendMouse(View(), QEvent::MouseButtonDblClick, Centre(4, 1), Qt::LeftButton, Qt::LeftButton);
  Release(Centre(4, 1));

  const std::vector<Note> expected = {
      LeftPress(3, 2), RightPress(5, 4), WheelTurn(120, 1, 1), WheelTurn(-120, 2, 3), LeftPress(4, 1), LeftPress(4, 1),
  };
  EXPECT_EQ(notes, expected);

  // Headers (not active), the middle button and points outside every cell stay silent.
  notes.clear();
  Press(Centre(0, 2));
  Release(Centre(0, 2));
  Press(Centre(2, 0));
  Release(Centre(2, 0));
  SendWheel(View(), Centre(0, 3), 120);
  Press(Centre(2, 2), Qt::MiddleButton);
  Release(Centre(2, 2), Qt::MiddleButton);
  Press(QPoint(ctrl->TableRect().width() + 20, 10));
  Release(QPoint(ctrl->TableRect().width() + 20, 10));
  SendWheel(View(), QPoint(ctrl->TableRect().width() + 20, 10), 120);
  EXPECT_TRUE(notes.empty());
}

TEST_F(FixGTest, HeldPressRepeatsOnlyWhileTheMouseStaysOnThePressedCell) {
  Build(6, 5, 80, 32, 21);
  ActivateBody(kCellNumber);
  const Note plain = LeftPress(2, 2), repeat = Held(LeftPress(2, 2));

  Press(Centre(2, 2));
  QTest::qWait(1000);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front(), plain);
  EXPECT_EQ(CountOf(plain), 1);
  const int repeats = CountOf(repeat);
  EXPECT_GE(repeats, 3);
  EXPECT_LE(repeats, 5);
  EXPECT_EQ(static_cast<int>(notes.size()), 1 + repeats);

  // Off the cell (onto a neighbour, then out of the window) the repeats pause.
  notes.clear();
  Move(Centre(3, 2), Qt::LeftButton);
  QTest::qWait(250);
  Move(QPoint(-20, -20), Qt::LeftButton);
  QTest::qWait(250);
  EXPECT_TRUE(notes.empty());

  // Back on it they resume.
  Move(Centre(2, 2), Qt::LeftButton);
  QTest::qWait(450);
  EXPECT_GE(CountOf(repeat), 1);
  EXPECT_EQ(CountOf(repeat), static_cast<int>(notes.size()));

  // Released, they stop.
  Release(Centre(2, 2));
  notes.clear();
  QTest::qWait(450);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(ctrl->PressedCell(), QPoint(-1, -1));

  // The right button repeats with its own message.
  Press(Centre(4, 3), Qt::RightButton);
  QTest::qWait(450);
  Release(Centre(4, 3), Qt::RightButton);
  EXPECT_EQ(CountOf(RightPress(4, 3)), 1);
  EXPECT_GE(CountOf(Held(RightPress(4, 3))), 1);
}

TEST_F(FixGTest, InactiveCellIsRaisedAndIgnoresTheMouse) {
  Build(5, 4, 80, 32, 21);
  ActivateBody(kCellNumber);
  const FixGProps& props = ctrl->Props();
  const QRect r = ctrl->CellRect(2, 2);
  const QImage* layer = &ctrl->TableLayer();
  EXPECT_EQ(PixelAt(*layer, r.x() + 1, r.y() + 1), Px(props.cellColor));

  grid.SetCellStyle(2, 2, 1, kCellNumber | kCellInactive);
  layer = &ctrl->TableLayer();
  EXPECT_EQ(PixelAt(*layer, r.x() + 1, r.y() + 1), Px(0xEFEFEF));
  EXPECT_EQ(PixelAt(*layer, r.x() + 5, r.y() + 5), Px(props.headerColor));
  EXPECT_EQ(PixelAt(*layer, r.x() + r.width() - 1, r.y() + r.height() - 1), Px(0x606060));

  Press(Centre(2, 2));
  Release(Centre(2, 2));
  SendWheel(View(), Centre(2, 2), 120);
  EXPECT_TRUE(notes.empty());

  // The same flags again change nothing, not even the active value.
  grid.SetCellStyle(2, 2, 0, kCellNumber | kCellInactive);
  EXPECT_EQ(ctrl->CellActive(2, 2), 1);
  grid.SetCellStyle(2, 2, 1, kCellNumber);
  EXPECT_EQ(PixelAt(ctrl->TableLayer(), r.x() + 5, r.y() + 5), Px(props.cellColor));
  Press(Centre(2, 2));
  Release(Centre(2, 2));
  EXPECT_EQ(notes, std::vector<Note>({LeftPress(2, 2)}));

  // A header keeps its raised face when it becomes a plain text cell.
  const QRect h = ctrl->CellRect(0, 2);
  grid.SetCellStyle(0, 2, 1, kCellText);
  EXPECT_EQ(PixelAt(ctrl->TableLayer(), h.x() + 1, h.y() + 1), Px(0xEFEFEF));
  // DrawCellRaised leaves a cell that is not inactive alone; DrawCellFace wipes one that is not.
  grid.DrawCellRaised(3, 2);
  const QRect c = ctrl->CellRect(3, 2);
  EXPECT_EQ(PixelAt(ctrl->TableLayer(), c.x() + 1, c.y() + 1), Px(props.cellColor));
  grid.DrawCellFace(0, 2);
  EXPECT_EQ(PixelAt(ctrl->TableLayer(), h.x() + 1, h.y() + 1), Px(props.cellColor));
}

TEST(FixGNumbers, AtMostOneDecimalAndTheFixedVariant) {
  EXPECT_EQ(CFixGCtrl::FormatNumber(12.34), "12.3");
  EXPECT_EQ(CFixGCtrl::FormatNumber(7.0), "7");
  EXPECT_EQ(CFixGCtrl::FormatNumber(0.05), "0");
  EXPECT_EQ(CFixGCtrl::FormatNumber(23 / 10.0), "2.3");
  EXPECT_EQ(CFixGCtrl::FormatNumberFixed(7.0, true), "7.0");
  EXPECT_EQ(CFixGCtrl::FormatNumberFixed(7.0, false), "7");
  EXPECT_EQ(CFixGCtrl::FormatNumberFixed(12.34, false), "12");
  EXPECT_EQ(CFixGCtrl::FormatNumberFixed(1234 / 10.0, true), "123.4");
  // Negative values keep one sign in front instead of one per part.
  EXPECT_EQ(CFixGCtrl::FormatNumber(-12.34), "-12.3");
  EXPECT_EQ(CFixGCtrl::FormatNumber(-0.5), "-0.5");
  EXPECT_EQ(CFixGCtrl::FormatNumberFixed(-7.0, true), "-7.0");
  // Values beyond 32 bits saturate rather than overflow.
  EXPECT_EQ(CFixGCtrl::FormatNumber(1e300), "214748364.7");
}

TEST_F(FixGTest, NumberCellsDrawLikeCentredTextAndOnlyOnNumberCells) {
  Build(3, 4, 60, 60, 22);
  grid.SetCellStyle(1, 1, 1, kCellNumber);
  grid.SetCellStyle(2, 1, 1, kCellText);
  grid.SetCellStyle(1, 2, 1, kCellNumber);
  grid.SetCellStyle(2, 2, 1, kCellText);
  grid.SetCellStyle(1, 3, 1, kCellText);
  grid.SetCellNumber(1, 1, 12.34, nullptr, 0);
  grid.SetCellText(2, 1, "12.3", nullptr, 0);
  grid.SetCellNumberFixed(1, 2, 7.0, true, nullptr, 0);
  grid.SetCellText(2, 2, "7.0", nullptr, 0);
  grid.SetCellNumber(1, 3, 5.0, nullptr, 0);  // a text cell: ignored

  const QImage& layer = ctrl->TableLayer();
  const auto face = [&](int c, int r) { return layer.copy(ctrl->CellRect(c, r).adjusted(1, 1, -1, -1)); };
  const uint32_t body = Px(ctrl->Props().cellColor);
  EXPECT_FALSE(InkBounds(face(1, 1), face(1, 1).rect(), body).isEmpty());
  EXPECT_EQ(face(1, 1), face(2, 1));
  EXPECT_EQ(face(1, 2), face(2, 2));
  EXPECT_NE(face(1, 1), face(1, 2));
  EXPECT_TRUE(InkBounds(face(1, 3), face(1, 3).rect(), body).isEmpty());
  EXPECT_EQ(ctrl->CellText(2, 1), "12.3");
}

TEST_F(FixGTest, PlainTextIsCentredAndAnyOtherTextRightAligned) {
  Build(3, 3, 60, 60, 22);
  grid.SetCellStyle(1, 1, 1, kCellText);
  grid.SetCellStyle(2, 1, 1, kCellText | kCellImage);
  grid.SetCellText(1, 1, "77", nullptr, 0x0000FF);
  grid.SetCellText(2, 1, "77", nullptr, 0x0000FF);
  const uint32_t body = Px(ctrl->Props().cellColor);

  const QRect a = ctrl->CellRect(1, 1);
  const QRect inkA = InkBounds(ctrl->TableLayer(), a.adjusted(1, 1, -1, -1), body);
  ASSERT_FALSE(inkA.isEmpty());
  const int middle = a.x() + a.width() / 2;
  EXPECT_LE(std::abs((inkA.left() + inkA.right() + 1) / 2 - middle), 2);
  EXPECT_GE(inkA.top(), a.y() + 3);

  const QRect b = ctrl->CellRect(2, 1);
  const QRect inkB = InkBounds(ctrl->TableLayer(), b.adjusted(1, 1, -1, -1), body);
  ASSERT_FALSE(inkB.isEmpty());
  EXPECT_GE(inkB.right(), b.x() + b.width() - 5);
  EXPECT_LE(inkB.right(), b.x() + b.width() - 2);
  EXPECT_EQ(inkB.width(), inkA.width());
}

TEST(CellImages, StripHoldsSixteenDistinctMaskedImages) {
  const std::vector<QImage> images = LoadCellImages(kCellImageStrip);
  ASSERT_EQ(images.size(), 16u);
  for (size_t i = 0; i < images.size(); ++i) {
    ASSERT_EQ(images[i].size(), QSize(16, 16)) << i;
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) opaque += qAlpha(images[i].pixel(x, y)) == 255;
    EXPECT_GE(opaque, 40) << "image " << i << " is nearly empty";
    EXPECT_LT(opaque, 256) << "image " << i << " has no transparent mask pixels";
    for (size_t j = 0; j < i; ++j) EXPECT_NE(images[i], images[j]) << i << " equals " << j;
  }
  EXPECT_TRUE(LoadCellImages(0).empty());
  EXPECT_TRUE(LoadCellImages(7).empty());
}

TEST_F(FixGTest, ImagesAreCentredInPureImageCellsAndCorneredOtherwise) {
  Build(4, 3, 60, 32, 21);
  grid.SetCellStyle(1, 1, 1, kCellImage);
  grid.SetCellStyle(2, 1, 1, kCellImage | kCellText);
  grid.SetCellStyle(3, 1, 1, kCellNumber);
  const std::vector<QImage> images = LoadCellImages(kCellImageStrip);
  const QImage& record = images[14];
  grid.SetCellImage(1, 1, 14);
  grid.SetCellImage(2, 1, 14);
  grid.SetCellImage(3, 1, 14);   // not an image cell
  grid.SetCellImage(1, 2, 14);   // style 0: not an image cell
  grid.SetCellImage(2, 1, 16);   // no such image
  grid.SetCellImage(2, 1, -1);

  const QImage& layer = ctrl->TableLayer();
  const uint32_t body = Px(ctrl->Props().cellColor);
  const QRect a = ctrl->CellRect(1, 1);
  const QPoint at(a.x() + (32 - 16) / 2, a.y() + (21 - 16) / 2);
  const QRect ink = InkBounds(layer, a.adjusted(1, 1, -1, -1), body);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(at, QSize(16, 16)).contains(ink));
  EXPECT_EQ(PixelAt(layer, at.x() + 8, at.y() + 8), record.pixel(8, 8) | 0xFF000000u);
  EXPECT_EQ(qAlpha(record.pixel(0, 0)), 0);
  EXPECT_EQ(PixelAt(layer, at.x(), at.y()), body);  // the mask colour lets the face show

  const QRect b = ctrl->CellRect(2, 1);
  EXPECT_EQ(PixelAt(layer, b.x() + 1 + 8, b.y() + 1 + 8), record.pixel(8, 8) | 0xFF000000u);
  EXPECT_EQ(ctrl->CellImage(2, 1), 14);

  const QRect c = ctrl->CellRect(3, 1);
  EXPECT_TRUE(InkBounds(layer, c.adjusted(1, 1, -1, -1), body).isEmpty());
  const QRect d = ctrl->CellRect(1, 2);
  EXPECT_TRUE(InkBounds(layer, d.adjusted(1, 1, -1, -1), body).isEmpty());
}

TEST_F(FixGTest, HoverFrameIsAndedOverTheTableAndFollowsTheMouse) {
  Build(5, 4, 60, 32, 21);
  ActivateBody(kCellImage);
  grid.SetCellImage(2, 2, 14);
  const QImage table = ctrl->TableLayer();
  ASSERT_EQ(ctrl->ComposedImage(), table);

  Move(Centre(2, 2));
  EXPECT_EQ(ctrl->HoverCell(), QPoint(2, 2));
  const QRect r = ctrl->CellRect(2, 2);
  QImage shown = ctrl->ComposedImage();
  EXPECT_EQ(PixelAt(shown, r.x(), r.y() + 5), Px(0));
  EXPECT_EQ(PixelAt(shown, r.x() + 1, r.y() + 5), Px(0));
  EXPECT_EQ(PixelAt(shown, r.right(), r.y() + 5), Px(0));
  EXPECT_EQ(PixelAt(shown, r.x() + 5, r.bottom()), Px(0));
  // Inside the frame the table shows unchanged, image included.
  EXPECT_EQ(shown.copy(r.adjusted(2, 2, -2, -2)), table.copy(r.adjusted(2, 2, -2, -2)));
  EXPECT_EQ(ctrl->TableLayer(), table);

  Move(Centre(3, 2));
  shown = ctrl->ComposedImage();
  const QRect n = ctrl->CellRect(3, 2);
  EXPECT_EQ(shown.copy(r.adjusted(0, 0, -1, 0)), table.copy(r.adjusted(0, 0, -1, 0)));
  EXPECT_EQ(PixelAt(shown, n.right(), n.y() + 5), Px(0));

  // Outside the visible part nothing changes.
  Move(QPoint(ctrl->VisibleSize().width() + 5, 5));
  EXPECT_EQ(ctrl->HoverCell(), QPoint(3, 2));
}

TEST_F(FixGTest, SmallTableShowsNoScrollBarsAndIgnoresScrolling) {
  Build(3, 3, 40, 40, 20);
  EXPECT_FALSE(ctrl->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(ctrl->verticalScrollBar()->isVisible());
  EXPECT_EQ(ctrl->VisibleSize(), ctrl->TableRect().size());
  const QImage before = ctrl->ComposedImage();
  for (QScrollBar* bar : {ctrl->horizontalScrollBar(), ctrl->verticalScrollBar()}) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
  }
  EXPECT_EQ(ctrl->ScrollPos(), QPoint(0, 0));
  EXPECT_EQ(ctrl->ComposedImage(), before);
}

TEST_F(FixGTest, LargeTableScrollsByLinesPagesAndEnds) {
  Build(33, 22, 150, 32, 19, QRect(10, 10, 300, 200));
  QScrollBar* h = ctrl->horizontalScrollBar();
  QScrollBar* v = ctrl->verticalScrollBar();
  EXPECT_EQ(ctrl->TableRect().size(), QSize(150 + 32 * 32 - 32, 22 * 19 - 21));
  EXPECT_TRUE(h->isVisible());
  EXPECT_TRUE(v->isVisible());
  EXPECT_EQ(ctrl->viewport()->size(), ctrl->VisibleSize());
  EXPECT_EQ(h->maximum(), ctrl->TableRect().width() - ctrl->VisibleSize().width());
  EXPECT_EQ(v->maximum(), ctrl->TableRect().height() - ctrl->VisibleSize().height());

  const auto step = [&](QScrollBar* bar, QAbstractSlider::SliderAction action) {
    bar->triggerAction(action);
    return bar == h ? ctrl->ScrollPos().x() : ctrl->ScrollPos().y();
  };
  EXPECT_EQ(step(h, QAbstractSlider::SliderSingleStepAdd), 4);
  EXPECT_EQ(step(h, QAbstractSlider::SliderPageStepAdd), 12);
  EXPECT_EQ(step(h, QAbstractSlider::SliderSingleStepSub), 8);
  EXPECT_EQ(step(h, QAbstractSlider::SliderPageStepSub), 0);
  EXPECT_EQ(step(h, QAbstractSlider::SliderSingleStepSub), 0);
  EXPECT_EQ(step(h, QAbstractSlider::SliderToMaximum), h->maximum());
  EXPECT_EQ(step(h, QAbstractSlider::SliderPageStepAdd), h->maximum());
  EXPECT_EQ(step(h, QAbstractSlider::SliderToMinimum), 0);
  EXPECT_EQ(step(v, QAbstractSlider::SliderPageStepAdd), 8);
  h->setSliderPosition(37);  // thumb tracking
  EXPECT_EQ(ctrl->ScrollPos(), QPoint(37, 8));

  // Hit test and composition follow the scroll positions.
  h->setValue(8);
  EXPECT_EQ(ctrl->HitTest(QPoint(141, 5)), QPoint(0, 0));
  EXPECT_EQ(ctrl->HitTest(QPoint(142, 5)), QPoint(1, 0));
  const QImage shown = ctrl->ComposedImage();
  EXPECT_EQ(shown, ctrl->TableLayer().copy(QRect(QPoint(8, 8), ctrl->VisibleSize())));
  ActivateBody(kCellNumber);
  Press(QPoint(142, 12));
  Release(QPoint(142, 12));
  EXPECT_EQ(notes, std::vector<Note>({LeftPress(1, 1)}));
}

TEST_F(FixGTest, RequestsBeyondTheTableAreIgnored) {
  Build(17, 8, 150, 32, 21);
  grid.SetColumnWidth(17, 500);
  grid.SetColumnWidth(-1, 500);
  grid.SetRowHeight(8, 99);
  grid.SetRowHeight(-3, 99);
  grid.Layout();
  EXPECT_EQ(ctrl->TableRect(), QRect(0, 0, 646, 161));

  const QImage before = ctrl->TableLayer();
  for (const QPoint& p : {QPoint(17, 0), QPoint(0, 8), QPoint(-1, 0), QPoint(0, -1), QPoint(99, 99),
                          QPoint(100, 100), QPoint(65535, 3)}) {
    grid.SetCellStyle(p.x(), p.y(), 1, kCellText | kCellNumber | kCellImage);
    grid.SetCellText(p.x(), p.y(), "x", nullptr, 0);
    grid.SetCellNumber(p.x(), p.y(), 1.5, nullptr, 0);
    grid.SetCellNumberFixed(p.x(), p.y(), 1.5, true, nullptr, 0);
    grid.SetCellImage(p.x(), p.y(), 9);
    grid.DrawCellFace(p.x(), p.y());
    grid.DrawCellRaised(p.x(), p.y());
    grid.RedrawCell(p.x(), p.y());
    EXPECT_EQ(ctrl->CellFlags(p.x(), p.y()), 0u);
    EXPECT_TRUE(ctrl->CellRect(p.x(), p.y()).isEmpty());
  }
  EXPECT_EQ(ctrl->TableLayer(), before);

  // A property set beyond the fixed table is cut to 100 x 100.
  grid.props.cols = 150;
  grid.props.rows = 120;
  grid.Apply();
  EXPECT_EQ(ctrl->Columns(), 100);
  EXPECT_EQ(ctrl->Rows(), 100);
  grid.SetCellStyle(99, 99, 1, kCellText);
  EXPECT_EQ(ctrl->CellFlags(99, 99), kCellText);
  grid.SetCellStyle(100, 99, 1, kCellText);
  EXPECT_EQ(ctrl->CellFlags(100, 99), 0u);
}

TEST(FixGHolderTest, OperationsWithoutAControlDoNothingAndParentsMayDeleteIt) {
  FixGHolder idle;
  idle.Apply();
  idle.Layout();
  idle.SetCellText(0, 0, "x", nullptr, 0);
  idle.Redraw();
  EXPECT_EQ(idle.Ctrl(), nullptr);

  auto host = std::make_unique<Host>(QSize(200, 100));
  QWidget* placeholder = new QWidget(host.get());
  placeholder->setGeometry(12, 14, 150, 60);
  FixGHolder grid;
  ASSERT_TRUE(grid.CreateOver(placeholder));
  EXPECT_EQ(grid.Ctrl()->geometry(), QRect(12, 14, 150, 60));
  EXPECT_EQ(grid.Ctrl()->parentWidget(), host.get());
  grid.Apply();
  grid.Layout();
  EXPECT_TRUE(grid.Ctrl()->IsLaidOut());
  host.reset();
  EXPECT_EQ(grid.Ctrl(), nullptr);
  grid.SetCellText(0, 0, "x", nullptr, 0);
}

}  // namespace
}  // namespace nuvix
