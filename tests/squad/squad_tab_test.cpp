// The SQUAD tab on the simulated board: its start, layouts and start channel
// in the board's journal and on the board's TV output, cameras arriving in
// their cells, the refused-board path, and opening and closing the tab while
// sixteen channels capture.
#include "squad_tab.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "app_fixture.h"
#include "board_tables.h"
#include "division_picture.h"
#include "nuvixi.h"
#include "squad_layouts.h"
#include "squad_preview.h"
#include "timing.h"
#include "video_tab.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using main_ids::kNtscOpen;
using main_ids::kSquadOption;
using main_ids::kVideoOption;
constexpr int kLines = 480;
constexpr int k4Cells = 3;

struct Yuv {
  int y, u, v;
};

// One picture of the board's TV output (720 x 480 UYVY, top line first).
struct TvPicture {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(720) * kLines * 2);
  uint64_t number = 0;

  Yuv At(int x, int line) const {
    const uint8_t* pair = bytes.data() + (static_cast<size_t>(line) * 720 + x / 2 * 2) * 2;
    return {pair[1 + 2 * (x % 2)], pair[0], pair[2]};
  }
  uint16_t Word(int x, int line) const {
    const uint8_t* p = bytes.data() + (static_cast<size_t>(line) * 720 + x) * 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
};

TvPicture ReadTvOut() {
  TvPicture picture;
  EXPECT_EQ(NUVIXI_SIM_ReadTvOut(0, picture.bytes.data(), picture.bytes.size(), nullptr, &picture.number), 0);
  return picture;
}

// The first picture the board composes after this call (the GUI keeps running).
// The board composes only when something changed, and the tab's own update may
// have been composed already: mark the picture changed, as the tab would.
TvPicture NextTvOut() {
  const uint64_t seen = ReadTvOut().number;
  EXPECT_EQ(NUVIXI_SQUAD_UPT(0), NUVIXI_SUCCESS);
  TvPicture picture;
  for (const auto deadline = Clock::now() + 5s; picture.number <= seen && Clock::now() < deadline;) {
    PumpWait(5);
    picture = ReadTvOut();
  }
  EXPECT_GT(picture.number, seen) << "no picture composed";
  return picture;
}

// Background points of a camera picture inside a cell, clear of its number,
// its clock panel and mostly of its moving bar and box.
constexpr double kProbes[][2] = {{0.92, 0.45}, {0.92, 0.88}, {0.25, 0.92}, {0.6, 0.08}, {0.08, 0.6}};

int CameraProbes(const TvPicture& picture, const RECT& cell, uint32_t camera) {
  uint8_t colour[3];
  NUVIXI_SIM_CameraColour(camera, colour);
  int hits = 0;
  for (const auto& probe : kProbes) {
    const Yuv p = picture.At(cell.left + static_cast<int>(probe[0] * (cell.right - cell.left)),
                             cell.top + static_cast<int>(probe[1] * (cell.bottom - cell.top)));
    hits += std::abs(p.u - colour[1]) <= 4 && std::abs(p.v - colour[2]) <= 4;
  }
  return hits;
}

int GreyProbes(const TvPicture& picture, const RECT& cell) {
  int hits = 0;
  for (const auto& probe : kProbes)
    hits += picture.Word(cell.left + static_cast<int>(probe[0] * (cell.right - cell.left)),
                         cell.top + static_cast<int>(probe[1] * (cell.bottom - cell.top))) == 0x8080;
  return hits;
}

RECT Cell4(int position) { return nuvix::SquadCellRect(1, k4Cells, position); }

class SquadTab : public AppFixture {
 protected:
  void Open(const char* boards = "QCA08") {
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(boards), 0);
    MakeDialog(nullptr);
    Click(1102);
    Click(1103);
    Button(kVideoOption)->setChecked(true);
    Button(kSquadOption)->setChecked(true);
    Click(kNtscOpen);
    tab_ = dynamic_cast<CSquadTab*>(dialog_->Tab(CNuvixSdkDlg::kSquad));
    video_ = dynamic_cast<CVideoTab*>(dialog_->Tab(CNuvixSdkDlg::kVideo));
    ASSERT_TRUE(tab_ && video_);
    video_->Refresh();  // reads the camera signals
  }
  void Capture(int first, int count) {
    for (int ch = first; ch < first + count; ++ch) video_->StartChannel(ch);
  }
  void MoveSlider(int position) { tab_->ItemAs<QSlider>(CSquadTab::kIdSlider)->setValue(position); }
  std::vector<int> Cells() const {
    const int n = nuvix::SquadCellCount(tab_->CurrentLayout());
    return {tab_->Cells()->begin(), tab_->Cells()->begin() + n};
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  // Waits until every cell of the 4-cell layout shows what wanted(position) says.
  template <typename Wanted>
  TvPicture WaitForCells(Wanted wanted) {
    TvPicture picture;
    bool all = false;
    for (const auto deadline = Clock::now() + 10s; !all && Clock::now() < deadline;) {
      picture = NextTvOut();
      all = true;
      for (int p = 0; p < 4; ++p) all = all && wanted(picture, p);
    }
    if (!all) {
      for (int p = 0; p < 4; ++p) ADD_FAILURE() << "cell " << p << ": grey probes " << GreyProbes(picture, Cell4(p));
    }
    return picture;
  }

  CSquadTab* tab_ = nullptr;
  CVideoTab* video_ = nullptr;
};

TEST_F(SquadTab, StartsWithFourLabelledCellsOnTheBoardsSurfaces) {
  NUVIXI_SIM_ClearJournal();
  Open();
  ASSERT_TRUE(tab_->HasRenderer());
  const std::string journal = SimJournal();
  const size_t on = journal.find("SQUAD_ON(0,");
  ASSERT_NE(on, std::string::npos);
  EXPECT_EQ(Count(journal.substr(on), "SQUAD_UPT(0)"), 2);  // the layout's and the start's
  EXPECT_NE(LogText().find("RV(80) = NUVIXI_SQUAD_ON(0)"), std::string::npos);
  EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(CSquadTab::LayoutButtonId(k4Cells))->isChecked());
  EXPECT_EQ(Cells(), (std::vector<int>{0, 1, 2, 3}));
  auto* slider = tab_->ItemAs<QSlider>(CSquadTab::kIdSlider);
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 31);
  EXPECT_EQ(tab_->ItemAs<QLabel>(CSquadTab::kIdStartText)->text(), "Start channel number : 0");

  // The output: grey cells, dark two-pixel borders, white labels near each cell's top left.
  const TvPicture picture = NextTvOut();
  for (int p = 0; p < 4; ++p) {
    const RECT cell = Cell4(p);
    EXPECT_EQ(GreyProbes(picture, cell), 5) << p;
    EXPECT_LT(picture.At(cell.left + 100, cell.top).y, 40) << p;
    EXPECT_LT(picture.At(cell.left + 100, cell.top + 1).y, 40) << p;
    int white = 0;
    for (int y = cell.top + 12; y < cell.top + 40; ++y)
      for (int x = cell.left + 44; x < cell.left + 120; ++x) white += picture.At(x, y).y > 200;
    EXPECT_GT(white, 30) << p;
  }
}

TEST_F(SquadTab, StartChannelWrapsAtThirtyTwoAndLabelsFollowTheChannels) {
  Open();
  const TvPicture atZero = NextTvOut();
  NUVIXI_SIM_ClearJournal();
  MoveSlider(30);
  EXPECT_EQ(Cells(), (std::vector<int>{30, 31, 0, 1}));
  EXPECT_EQ(tab_->ItemAs<QLabel>(CSquadTab::kIdStartText)->text(), "Start channel number : 30");
  EXPECT_EQ(Count(SimJournal(), "SQUAD_UPT(0)"), 1);
  // Channel 0's label moved from the first cell to the third, unchanged.
  const TvPicture atThirty = NextTvOut();
  int differing = 0, same = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 160; ++x) {
      same += atThirty.Word(Cell4(2).left + x, Cell4(2).top + y) == atZero.Word(Cell4(0).left + x, Cell4(0).top + y);
      differing +=
          atThirty.Word(Cell4(0).left + x, Cell4(0).top + y) != atZero.Word(Cell4(0).left + x, Cell4(0).top + y);
    }
  EXPECT_EQ(same, 40 * 160);
  EXPECT_GT(differing, 20);  // "CH30" is not "CH 0"

  // The slider at its current position changes nothing.
  NUVIXI_SIM_ClearJournal();
  tab_->OnSliderScroll();
  EXPECT_EQ(Count(SimJournal(), "SQUAD"), 0);
  EXPECT_EQ(tab_->StartChannel(), 30);

  // A layout button keeps the start channel.
  tab_->ItemAs<QAbstractButton>(CSquadTab::LayoutButtonId(2))->click();
  EXPECT_EQ(tab_->CurrentLayout(), 2);
  EXPECT_EQ(Cells(), (std::vector<int>{30, 31, 0}));
}

TEST_F(SquadTab, CamerasFillTheirCellsUnderTheirLabels) {
  Open();
  const TvPicture labelsOnly = NextTvOut();
  Capture(0, 4);
  const TvPicture picture =
      WaitForCells([](const TvPicture& p, int position) { return CameraProbes(p, Cell4(position), position) >= 3; });
  // Where the OSD drew (labels and borders), the output still shows it, over the camera.
  for (int p = 0; p < 4; ++p) {
    const RECT cell = Cell4(p);
    int osd = 0, kept = 0;
    for (int y = cell.top; y < cell.top + 40; ++y)
      for (int x = cell.left; x < cell.left + 160; ++x) {
        if (labelsOnly.Word(x, y) == 0x8080) continue;
        ++osd;
        kept += picture.Word(x, y) == labelsOnly.Word(x, y);
      }
    EXPECT_GT(osd, 100) << p;
    EXPECT_EQ(kept, osd) << p;
  }
}

TEST_F(SquadTab, ALayoutChangeUnderLoadLeavesNoFrameInACellOfAnotherChannel) {
  Open("QCA08:ch=18");  // channels 18 and up are beyond this board's count
  Capture(0, 4);
  Capture(14, 2);
  const auto showsFirstFour = [](const TvPicture& p, int position) {
    return CameraProbes(p, Cell4(position), position) >= 3;
  };
  WaitForCells(showsFirstFour);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    MoveSlider(14);
    // Cells 14 and 15 show their cameras, 16 and 17 (not capturing) stay
    // grey; no picture shows cameras 0..3, which the previous layout showed here.
    const TvPicture moved = WaitForCells([](const TvPicture& p, int position) {
      return position < 2 ? CameraProbes(p, Cell4(position), 14 + position) >= 3 : GreyProbes(p, Cell4(position)) == 5;
    });
    for (int p = 0; p < 4; ++p)
      for (uint32_t old = 0; old < 4; ++old) EXPECT_LT(CameraProbes(moved, Cell4(p), old), 2) << p << " " << old;
    MoveSlider(0);
    WaitForCells(showsFirstFour);
  }
  // Channels 18..20 lie beyond the board: their cells stay grey beside channel 17's.
  EXPECT_EQ(tab_->ItemAs<QSlider>(CSquadTab::kIdSlider)->maximum(), 17);
  MoveSlider(17);
  EXPECT_EQ(Cells(), (std::vector<int>{17, 18, 19, 20}));
  PumpWait(200);
  WaitForCells([](const TvPicture& p, int position) { return GreyProbes(p, Cell4(position)) == 5; });
}

// Probes of a cell that show, in a picture of the preview, the grey of a cell no camera fills.
int GreyPixels(const QImage& picture, const RECT& cell) {
  const std::vector<uint8_t> greyLine(720 * 2, 0x80);
  const QRgb grey = nuvix::UyvyPicture(greyLine.data(), 1).pixel(0, 0);
  int hits = 0;
  for (const auto& probe : kProbes)
    hits += picture.pixel(cell.left + static_cast<int>(probe[0] * (cell.right - cell.left)),
                          cell.top + static_cast<int>(probe[1] * (cell.bottom - cell.top))) == grey;
  return hits;
}

// The tab shows the division it drives: camera pictures in the cells of the
// capturing channels, grey cells for the others, the labels over both, as the
// board outputs it; reading the surfaces for it calls nothing on the board.
TEST_F(SquadTab, ThePreviewShowsWhatTheBoardOutputsWithoutCallingIt) {
  Open();
  dialog_->show();
  Click(main_ids::kTabButtons[CNuvixSdkDlg::kSquad]);
  const CSquadPreview* preview = tab_->Preview();
  ASSERT_TRUE(preview->isVisible());
  EXPECT_EQ(tab_->findChild<QGroupBox*>()->title(), "Software Screen Division Mode");
  const int shownBefore = preview->Pictures();

  Capture(0, 2);  // cells 2 and 3 stay empty
  // The tab's timer brings new pictures while the tab is shown.
  bool divided = false;
  for (const auto deadline = Clock::now() + 10s;
       !(divided && preview->Pictures() - shownBefore >= 2) && Clock::now() < deadline;) {
    PumpWait(50);
    const QImage& picture = preview->Picture();
    divided = picture.size() == QSize(720, kLines);
    for (int p = 0; p < 4; ++p) divided = divided && GreyPixels(picture, Cell4(p)) == (p < 2 ? 0 : 5);
  }
  EXPECT_TRUE(divided) << "cells 0 and 1 show their cameras, 2 and 3 stay grey";
  EXPECT_GE(preview->Pictures() - shownBefore, 2);

  // With the cameras stopped the surfaces hold still: the preview is the board's output.
  for (int ch = 0; ch < 2; ++ch) video_->StopChannel(ch);
  NUVIXI_SIM_ClearJournal();
  for (int i = 0; i < 3; ++i) tab_->RefreshPreview();
  EXPECT_EQ(SimJournal(), "");
  const QImage output = nuvix::UyvyPicture(NextTvOut().bytes.data(), kLines);
  int differing = 0;
  for (int y = 0; y < kLines; ++y)
    for (int x = 0; x < 720; ++x) differing += preview->Picture().pixel(x, y) != output.pixel(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(GreyPixels(output, Cell4(0)), 0) << "the board still shows camera 0's last picture";
}

TEST_F(SquadTab, ABoardThatRefusesScreenDivisionLeavesTheTabHarmless) {
  NUVIXI_SIM_FailNext("SQUAD_ON", NUVIXI_ERR_FUNCTION_BLOCK);
  Open();
  EXPECT_FALSE(tab_->HasRenderer());
  EXPECT_NE(LogText().find("RV(23) = NUVIXI_SQUAD_ON(0)"), std::string::npos);
  NUVIXI_SIM_ClearJournal();
  Capture(0, 1);
  uint64_t delivered = 0;
  for (const auto deadline = Clock::now() + 5s; delivered < 3 && Clock::now() < deadline;) {
    PumpWait(10);
    NUVIXI_SIM_CaptureCounters(0, 0, &delivered, nullptr);
  }
  EXPECT_GE(delivered, 3u);
  for (int layout = 1; layout <= nuvix::kSquadLayouts; ++layout)
    tab_->ItemAs<QAbstractButton>(CSquadTab::LayoutButtonId(layout))->click();
  MoveSlider(5);
  EXPECT_EQ(tab_->ItemAs<QLabel>(CSquadTab::kIdStartText)->text(), "Start channel number : 05");
  EXPECT_EQ(Count(SimJournal(), "SQUAD_UPT"), 0);
  // The output still shows multiplexer 1's camera (camera 1), untouched.
  uint8_t camera[3];
  NUVIXI_SIM_CameraColour(0, camera);
  const TvPicture picture = ReadTvOut();
  int cameraPixels = 0;
  for (int x = 0; x < 720; ++x) cameraPixels += picture.At(x, 470).u == camera[1] && picture.At(x, 470).v == camera[2];
  EXPECT_GT(cameraPixels, 720 / 2);
}

// The update after each camera frame runs up to 240 times a second: a board
// that starts refusing it is reported once, and again only after it recovered.
TEST_F(SquadTab, FrameUpdatesThatFailAreLoggedOncePerFailure) {
  Open();
  Capture(0, 4);
  const std::string failure = "RV(31) = NUVIXI_SQUAD_UPT(0)";
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    NUVIXI_SIM_ClearJournal();
    for (int i = 0; i < 3; ++i) NUVIXI_SIM_FailNext("SQUAD_UPT", 0x31);
    // Three refused updates, then successful ones.
    for (const auto deadline = Clock::now() + 5s; Count(SimJournal(), "SQUAD_UPT") < 6 && Clock::now() < deadline;)
      PumpWait(10);
    PumpWait(50);  // the workers' log lines reach the log through the GUI thread
    EXPECT_EQ(Count(LogText(), failure), round);
  }
  WaitForCells([](const TvPicture& p, int position) { return CameraProbes(p, Cell4(position), position) >= 3; });
}

TEST_F(SquadTab, OpeningAndClosingTheTabWhileSixteenChannelsCapture) {
  Open();
  Capture(0, 16);
  // Renders happen while tabs come and go; a frame inside the tab while it is
  // deleted would touch a deleted renderer (the sanitizers catch it).
  const auto start = Clock::now();
  for (int round = 0; round < 100; ++round) {
    dialog_->DestroyTab(CNuvixSdkDlg::kSquad);
    std::this_thread::sleep_for(1ms);
    dialog_->CreateTab(CNuvixSdkDlg::kSquad);
    std::this_thread::sleep_for(8ms);  // two frames of the sixteen channels, on average
  }
  const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
  tab_ = dynamic_cast<CSquadTab*>(dialog_->Tab(CNuvixSdkDlg::kSquad));
  ASSERT_NE(tab_, nullptr);
  const std::string journal = SimJournal();
  // Two updates per start of the tab, the rest from frames that reached it.
  const int frameUpdates = Count(journal, "SQUAD_UPT(0)") - 2 * 101;
  std::printf("100 rounds in %.2f s, %d frames rendered meanwhile\n", seconds, frameUpdates);
  EXPECT_GT(frameUpdates, 0);
  EXPECT_EQ(Count(journal, "SQUAD_OFF(0)"), 100);
  // The last tab still works.
  WaitForCells([](const TvPicture& p, int position) { return CameraProbes(p, Cell4(position), position) >= 3; });
}

}  // namespace
