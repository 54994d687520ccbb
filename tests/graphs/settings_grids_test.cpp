// The settings grids: layouts, empty cells for zero values, inactive columns
// and rows, changed-only redraws, and a screenshot of each grid with its
// numbers and labels on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QPainter>
#include <QSet>

#include "gdi_font.h"
#include "settings_grids.h"

namespace nuvix {
namespace {

// Distinct colours inside a cell (its border excluded).
int ColoursIn(const CFixGCtrl* ctrl, int column, int row) {
  const QImage& layer = ctrl->TableLayer();
  const QRect r = ctrl->CellRect(column, row).adjusted(2, 2, -2, -2);
  QSet<QRgb> colours;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) colours.insert(layer.pixel(x, y));
  return colours.size();
}

QString OutputDirectory() {
  const QByteArray env = qgetenv("NUVIX_TEST_OUTPUT");
  const QString dir = env.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(env);
  QDir().mkpath(dir);
  return dir;
}

class VideoGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = new QFrame(&window_);
    frame_->resize(1200, 500);
    for (int ch = 0; ch < 32; ++ch) resolution_[ch] = 8;
    ratio_[1] = 50;
    captured_[2] = 251;
    signal_[0] = 1;
    values_ = {signal_, resolution_, requested_, ratio_, format_, captured_, processed_, size_, capturing_};
    ASSERT_TRUE(grid_.Create(GridKind::Video, frame_, 16, values_));
    ctrl_ = grid_.Ctrl();
  }

  QWidget window_;
  QFrame* frame_ = nullptr;
  uint32_t signal_[32] = {}, resolution_[32] = {}, requested_[32] = {}, ratio_[32] = {}, format_[32] = {},
           captured_[32] = {}, processed_[32] = {}, size_[32] = {}, capturing_[32] = {};
  std::vector<const uint32_t*> values_;
  SettingsGrid grid_;
  CFixGCtrl* ctrl_ = nullptr;
};

TEST_F(VideoGrid, ZeroShowsAnEmptyCellAndOtherValuesShowSomething) {
  EXPECT_EQ(ColoursIn(ctrl_, 1, video_rows::kRatio), 1);
  EXPECT_GT(ColoursIn(ctrl_, 2, video_rows::kRatio), 1);
  EXPECT_GT(ColoursIn(ctrl_, 3, video_rows::kCapturedFps), 1);
  EXPECT_GT(ColoursIn(ctrl_, 1, video_rows::kSignal), 1);  // camera image
  EXPECT_EQ(ColoursIn(ctrl_, 2, video_rows::kSignal), 1);
  ratio_[1] = 0;
  grid_.RefreshValue(kVideoRatio);
  EXPECT_EQ(ColoursIn(ctrl_, 2, video_rows::kRatio), 1);
}

TEST_F(VideoGrid, ColumnsBeyondTheChannelCountAreInactiveAndStayEmpty) {
  for (int row = 1; row < 22; ++row) {
    EXPECT_EQ(ctrl_->CellFlags(17, row), kCellInactive) << row;
    EXPECT_EQ(ctrl_->CellActive(32, row), 0) << row;
  }
  ratio_[20] = 40;
  grid_.RefreshValue(kVideoRatio);
  EXPECT_EQ(ColoursIn(ctrl_, 21, video_rows::kRatio), ColoursIn(ctrl_, 21, video_rows::kFormat));
  EXPECT_EQ(ctrl_->CellActive(16, video_rows::kRatio), 1);
  EXPECT_EQ(ctrl_->CellFlags(16, video_rows::kRatio), kCellNumber);
}

TEST_F(VideoGrid, RowsOf360And180WideSizesAreInactiveEverywhere) {
  for (int row : {9, 12}) {
    EXPECT_EQ(ctrl_->CellActive(0, row), 0);
    for (int c = 1; c <= 32; ++c) {
      EXPECT_EQ(ctrl_->CellActive(c, row), 0);
      EXPECT_EQ(ctrl_->CellFlags(c, row), kCellInactive);
    }
  }
  for (int row : {2, 8, 10, 11, 13, 14, 15, 16, 17, 21}) EXPECT_EQ(ctrl_->CellActive(0, row), 1) << row;
  for (int row : {0, 1, 18, 19, 20}) EXPECT_EQ(ctrl_->CellActive(0, row), 0) << row;
  EXPECT_EQ(ctrl_->CellText(0, 10).toStdString(), "352  x  288  <240>");
}

TEST_F(VideoGrid, AChoiceMovesItsImageToTheNewRow) {
  const int oldRow = video_rows::kFirstSize + 8;
  const int newRow = video_rows::kFirstSize + 2;
  EXPECT_GT(ColoursIn(ctrl_, 5, oldRow), 1);
  EXPECT_EQ(ColoursIn(ctrl_, 5, newRow), 1);
  resolution_[4] = 2;
  grid_.RefreshValue(kVideoResolution);
  EXPECT_EQ(ColoursIn(ctrl_, 5, oldRow), 1);
  EXPECT_GT(ColoursIn(ctrl_, 5, newRow), 1);
  EXPECT_GT(ColoursIn(ctrl_, 6, oldRow), 1);  // other channels keep theirs
}

TEST_F(VideoGrid, UnchangedValuesDrawNothing) {
  const QImage before = ctrl_->TableLayer().copy();
  grid_.RefreshAll();
  EXPECT_EQ(ctrl_->TableLayer(), before);
  requested_[3] = 12;
  grid_.RefreshValue(kVideoRequestedFps);
  const QImage after = ctrl_->TableLayer();
  // Only channel 3's cell changed.
  const QRect changed = ctrl_->CellRect(4, video_rows::kRequestedFps);
  int outside = 0, inside = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (after.pixel(x, y) != before.pixel(x, y)) (changed.contains(x, y) ? inside : outside)++;
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
}

TEST(SettingsGrids, LayoutsAndHeaderColours) {
  EXPECT_EQ(LayoutOf(GridKind::Video).labels.size(), 22u);
  EXPECT_EQ(LayoutOf(GridKind::Audio).labels.size(), 8u);
  EXPECT_EQ(LayoutOf(GridKind::DigitalFirst).labels.size(), 3u);
  EXPECT_EQ(LayoutOf(GridKind::DigitalSecond).labels.size(), 5u);
  EXPECT_EQ(LayoutOf(GridKind::Live).notifyMessage, 0x400u + 11);
  // Video label colours: row r of 2..14 is red 100-5r, green 200-13r, blue 50-2r.
  EXPECT_EQ(LayoutOf(GridKind::Video).labelColours[14], 30u | (18u << 8) | (22u << 16));
  EXPECT_EQ(HeaderColour(GridKind::Audio, 3), 90u | (26u << 8) | (29u << 16));
  EXPECT_EQ(HeaderColour(GridKind::DigitalSecond, 2), 26u | (30u << 8) | (26u << 16));
}

// Dark pixels of a picture inside rect.
int Ink(const QImage& picture, const QRect& rect) {
  int ink = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) ink += qGray(picture.pixel(x, y)) < 100;
  return ink;
}

// Every settings grid writes in bold: its "Channel Number" label carries
// clearly more ink than the same text in the regular weight of its font.
TEST(SettingsGrids, WriteInBold) {
  const QString label = QStringLiteral("Channel Number");
  for (GridKind kind : {GridKind::Live, GridKind::DigitalFirst, GridKind::DigitalSecond, GridKind::Audio,
                        GridKind::Video}) {
    SCOPED_TRACE(static_cast<int>(kind));
    QWidget window;
    auto* frame = new QFrame(&window);
    frame->resize(1200, 440);
    uint32_t zeros[32] = {};
    const std::vector<const uint32_t*> values(kVideoValueCount, zeros);
    SettingsGrid grid;
    ASSERT_TRUE(grid.Create(kind, frame, 16, values));
    const QRect cell = grid.Ctrl()->CellRect(0, 0).adjusted(3, 3, -3, -3);  // inside the raised face
    const int bold = Ink(grid.Ctrl()->TableLayer(), cell);

    QImage regular(cell.size(), QImage::Format_RGB32);
    regular.fill(Qt::white);
    QPainter painter(&regular);
    const FixGProps& props = grid.Ctrl()->Props();
    painter.setFont(MakeGdiFont(props.fontFace, props.fontHeight, props.fontWidth, 400, false, false));
    painter.setPen(Qt::black);
    painter.drawText(regular.rect(), Qt::AlignCenter, label);
    painter.end();
    EXPECT_GT(bold, Ink(regular, regular.rect()) * 6 / 5) << Ink(regular, regular.rect());
  }
}

TEST(SettingsGrids, ScreenshotOfEveryGridWithSampleValues) {
  struct Shot {
    GridKind kind;
    const char* name;
    int channels;
  };
  uint32_t a[32], b[32], c[32], d[32], e[32], f[32], g[32], h[32], i[32];
  for (int ch = 0; ch < 32; ++ch) {
    a[ch] = ch % 3 != 2;
    b[ch] = (ch % 5) + 1;
    c[ch] = ch % 7 == 0 ? 0 : 5 + ch % 10;
    d[ch] = ch % 4 ? 50 : 0;
    e[ch] = ch % 3;
    f[ch] = 100 + 7 * ch;
    g[ch] = 95 + 7 * ch;
    h[ch] = 300 + 11 * ch;
    i[ch] = ch % 2;
  }
  uint32_t selected = 2, second = 5;
  for (const Shot& shot : {Shot{GridKind::Video, "grid-video", 32}, Shot{GridKind::Audio, "grid-audio", 16},
                           Shot{GridKind::Live, "grid-live", 16}, Shot{GridKind::DigitalFirst, "grid-dio-first", 16},
                           Shot{GridKind::DigitalSecond, "grid-dio-second", 32}}) {
    std::vector<const uint32_t*> values;
    switch (shot.kind) {
      case GridKind::Video: values = {a, b, c, d, e, f, g, h, i}; break;
      case GridKind::Audio: values = {e, c, b}; break;
      case GridKind::Live: values = {&selected, &second, &selected, i}; break;
      case GridKind::DigitalFirst:
      case GridKind::DigitalSecond: values = {i, a, &selected, &second}; break;
    }
    QWidget window;
    auto* frame = new QFrame(&window);
    frame->resize(1200, 440);
    SettingsGrid grid;
    ASSERT_TRUE(grid.Create(shot.kind, frame, shot.channels, values));
    const QImage image = grid.Ctrl()->ComposedImage();
    ASSERT_FALSE(image.isNull());
    // What a user reads first: every channel's column is on the picture with
    // its number written in the header, and every row's label is written.
    for (int column = 1; column <= shot.channels; ++column) {
      EXPECT_TRUE(image.rect().contains(grid.Ctrl()->CellRect(column, 0))) << shot.name << " column " << column;
      EXPECT_GT(ColoursIn(grid.Ctrl(), column, 0), 1) << shot.name << " column " << column << " has no number";
    }
    for (int row = 0; row < static_cast<int>(LayoutOf(shot.kind).labels.size()); ++row)
      EXPECT_GT(ColoursIn(grid.Ctrl(), 0, row), 1) << shot.name << " row " << row << " has no label";
    const QString path = OutputDirectory() + "/" + shot.name + ".png";
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }
}

}  // namespace
}  // namespace nuvix
