// Pictures of the controls as a user sees them, written as PNG files next to
// the test output; each is also checked to be what the control painted.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImageReader>
#include <cmath>
#include <vector>

#include "cell_images.h"
#include "fixg_holder.h"
#include "scope_pane.h"
#include "test_support.h"

namespace nuvix {
namespace {

using test::Host;
using test::OutputPath;

void SaveAndCheck(const QImage& image, const QString& name) {
  const QString path = OutputPath(name);
  ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
  const QImage back(path);
  EXPECT_EQ(back.size(), image.size());
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

TEST(Screenshots, FilledGrid) {
  Host host(QSize(680, 200));
  FixGHolder grid;
  grid.props.cols = 17;
  grid.props.rows = 8;
  grid.props.cellCount = 17 * 8;
  grid.props.imageStrip = kCellImageStrip;
  grid.props.fontWeight = 700;
  ASSERT_TRUE(grid.Create(&host, QRect(8, 8, 660, 175)));
  grid.Apply();
  grid.SetColumnWidth(0, 150);
  for (int c = 1; c < 17; ++c) grid.SetColumnWidth(c, 32);
  for (int r = 0; r < 8; ++r) grid.SetRowHeight(r, 21);
  grid.Layout();

  const char* labels[] = {"Channel Number",     "Capture  Disable", "PCM            8Khz",
                          "PCM  11.025Khz",     "PCM          16Khz", "PCM    22.05Khz",
                          "Volume Set < 0 - 31(15) >", "AMP    Set < 0 - 07          >"};
  const uint32_t colours[] = {0x000000, 0x102010, 0x204020, 0x306030,
                              0x408040, 0x50A050, 0xF02020, 0xF02020};
  for (int r = 0; r < 8; ++r) {
    grid.SetCellStyle(0, r, r > 0, kCellText);
    grid.SetCellText(0, r, QString::fromLatin1(labels[r]), nullptr, colours[r]);
  }
  const int channels = 12;  // the rest shown as a board with fewer channels
  for (int c = 1; c < 17; ++c) {
    grid.SetCellStyle(c, 0, 0, kCellText);
    grid.SetCellText(c, 0, QString::asprintf("%2d", c), nullptr,
                     (static_cast<uint32_t>(3 * c + 20) << 16) | (static_cast<uint32_t>(2 * c + 20) << 8) |
                         static_cast<uint32_t>(10 * c + 60));
    const bool live = c <= channels;
    for (int r = 1; r < 8; ++r) {
      grid.SetCellStyle(c, r, live, live ? (r <= 5 ? kCellImage : kCellNumber) : kCellInactive);
    }
    if (!live) continue;
    grid.SetCellImage(c, 1 + c % 5, 13);
    grid.SetCellNumber(c, 6, (c * 7) % 32, nullptr, 0);
    grid.SetCellNumber(c, 7, c % 8, nullptr, 0);
  }
  grid.Redraw();
  CFixGCtrl* ctrl = grid.Ctrl();
  test::SendMouse(ctrl->viewport(), QEvent::MouseMove, ctrl->CellRect(3, 6).center(), Qt::NoButton,
                  Qt::NoButton);

  const QImage painted = ctrl->viewport()->grab(QRect(QPoint(0, 0), ctrl->VisibleSize()))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(painted, ctrl->ComposedImage());
  SaveAndCheck(ctrl->grab().toImage(), QStringLiteral("fixg_grid_filled.png"));
}

TEST(Screenshots, RunningScopePane) {
  Host owner(QSize(260, 150));
  ScopePane pane;
  pane.props.title = QStringLiteral("1 AU DIO Capture");
  ASSERT_TRUE(pane.Attach(&owner, QRect(10, 10, 240, 130)));
  pane.StartTimer();
  // Ten seconds of a slowly beating tone, one block per half second.
  std::vector<int16_t> block(800);
  for (int second = 0; second < 20; ++second) {
    for (size_t i = 0; i < block.size(); ++i) {
      const double t = second * 0.5 + static_cast<double>(i) / 1600.0;
      block[i] = static_cast<int16_t>(24000.0 * std::sin(6.0 * t) * std::cos(0.7 * t));
    }
    pane.Feed(block.data(), static_cast<uint32_t>(block.size() * 2));
    for (int tick = 0; tick < 5; ++tick) pane.OnOwnerTimer(pane.TimerHandle());
  }
  COSCtrl* ctrl = pane.Ctrl();
  const QImage painted =
      ctrl->grab(ctrl->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(painted, ctrl->ComposedImage());
  EXPECT_NE(painted, ctrl->BackgroundLayer());
  SaveAndCheck(ctrl->grab().toImage(), QStringLiteral("scope_pane_running.png"));
}

}  // namespace
}  // namespace nuvix
