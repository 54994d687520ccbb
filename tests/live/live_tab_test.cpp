// The LIVE tab on the simulated boards: what it sends at start, the overlay
// and live DMA buttons, the grid rows, presets, colour sliders and their
// target input, the on-screen text buttons, and stopping safely.
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <chrono>
#include <thread>

#include "app_fixture.h"
#include "ddraw_emu.h"
#include "fixg_ctrl.h"
#include "live_ids.h"
#include "live_tab.h"
#include "osd_font_config.h"
#include "nuvixi.h"

namespace {

using namespace std::chrono_literals;

constexpr int kIdVideo = main_ids::kVideoOption;
constexpr uint32_t kLeftDown = nuvix::kFixGLButtonDown, kLeftDouble = nuvix::kFixGLButtonDouble,
                   kWheel = nuvix::kFixGWheel, kGridFlagBit = nuvix::kFixGRepeatBit;
constexpr int kSeq1 = live_ids::kPresets + 2;


int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class LiveTab : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    nuvix::ddraw::SetAdapter(nuvix::ddraw::DefaultAdapter());
  }
  void TearDown() override {
    AppFixture::TearDown();
    nuvix::ddraw::SetAdapter(nuvix::ddraw::DefaultAdapter());
  }
  void OpenBoard(const char* boards = "QLA16") {
    AppFixture::OpenBoard(boards, {kIdVideo});
    tab_ = dynamic_cast<CLiveTab*>(dialog_->Tab(CNuvixSdkDlg::kLive));
    ASSERT_NE(tab_, nullptr);
  }
  void Press(int id) { tab_->ItemAs<QAbstractButton>(id)->click(); }
  void Notify(uint32_t message, int column, int row) {
    tab_->OnGridNotify(nuvix::GridEvent::FromMessage(message, QPoint(column, row)));
  }
  QSlider* Slider(CLiveTab::Colour c) const { return tab_->ItemAs<QSlider>(live_ids::kSliders + c); }
  static NUVIXI_SIM_LIVE_STATUS Status() {
    NUVIXI_SIM_LIVE_STATUS status{};
    EXPECT_EQ(NUVIXI_SIM_LiveStatus(0, &status), 0);
    return status;
  }
  static bool WaitFields(uint64_t fields) {
    const uint64_t target = Status().fieldsWritten + fields;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (Status().fieldsWritten < target) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }
  CLiveTab* tab_ = nullptr;
};

TEST_F(LiveTab, QlaStartSendsEveryColourDefaultAndReadsBothFilters) {
  OpenBoard();
  const std::string journal = SimJournal();
  // 16 inputs × 4 settings, each sent once because nothing was stored before.
  EXPECT_EQ(Count(journal, "BRIGHTNESSControl(0,"), 16);
  EXPECT_EQ(Count(journal, "SATURATIONUControl(0,F,80)"), 1);
  EXPECT_EQ(Count(journal, "READ_HSCALE_FILTER_Y(0,0,"), 1);
  EXPECT_EQ(Count(journal, "READ_VSCALE_FILTER_Y(0,0,"), 1);
  EXPECT_EQ(Count(journal, "LiveVideoTransferON"), 0);
  EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(live_ids::kUyvy)->isChecked());
  EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(live_ids::kClose)->isChecked());
  EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(live_ids::kStop)->isChecked());
  EXPECT_FALSE(tab_->Item(live_ids::kPresets)->isEnabled()) << "presets wait for the overlay";
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kTvState)->text(), QStringLiteral(" ENABLE "));
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kLabels)->text(), QStringLiteral("BRIGHT   : 110"));
  EXPECT_EQ(tab_->TvOut(), 1);
}

// The filter buttons address the open board, also when it is not the first.
TEST_F(LiveTab, FiltersAreReadAndWrittenOnTheOpenBoard) {
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText("QLA16,QLA16"), 0);
  MakeDialog(nullptr);
  Click(main_ids::kSearch);
  Click(main_ids::kFirstSelect + 1);
  Button(kIdVideo)->setChecked(true);
  Click(main_ids::kNtscOpen);
  tab_ = dynamic_cast<CLiveTab*>(dialog_->Tab(CNuvixSdkDlg::kLive));
  ASSERT_NE(tab_, nullptr);
  EXPECT_EQ(Count(SimJournal(), "SCALE_FILTER_Y(1,0,"), 2) << "both filters read at start";

  struct Filter {
    int buttons, read, write;
    const char* call;
  };
  const Filter filters[] = {{live_ids::kHFilters, live_ids::kHRead, live_ids::kHWrite, "HSCALE_FILTER_Y(1,"},
                            {live_ids::kVFilters, live_ids::kVRead, live_ids::kVWrite, "VSCALE_FILTER_Y(1,"}};
  for (const Filter& f : filters) {
    SCOPED_TRACE(f.call);
    NUVIXI_SIM_ClearJournal();
    Press(f.buttons + 2);
    Press(f.write);
    Press(f.buttons);
    Press(f.read);  // the board gives back what it was given
    EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(f.buttons + 2)->isChecked());
    EXPECT_EQ(Count(SimJournal(), f.call), 2);
    EXPECT_EQ(Count(SimJournal(), "(0,"), 0);
  }
  EXPECT_EQ(LogText().find("BD OPEN FUNCTION NOT CALL"), std::string::npos) << LogText();
}

TEST_F(LiveTab, QcaBoardKeepsOnlyTheColourControlsOnItsCaptureChannels) {
  OpenBoard("QCA08");
  for (int id : {live_ids::kUyvy, live_ids::kOpen, live_ids::kStart, live_ids::kHRead, live_ids::kHFilters,
                 live_ids::kVWrite, live_ids::kProgressive, live_ids::kTvOn, live_ids::kSelectFont,
                 live_ids::kOsdDisable})
    EXPECT_FALSE(tab_->Item(id)->isEnabled()) << id;
  EXPECT_EQ(Count(SimJournal(), "CONTRASTControl(0,"), 32);
  Notify(kLeftDown, 21, 3);  // colour channel 20
  NUVIXI_SIM_ClearJournal();
  Slider(CLiveTab::kBrightness)->setValue(150);
  EXPECT_EQ(SimJournal(), "BRIGHTNESSControl(0,14,96)\n") << "the colour channel itself is the target";
  EXPECT_EQ(LogLines().back(), "RV(80) = NUVIXI_BRIGHTNESSControl  (0, 14, 96) ");
  EXPECT_TRUE(tab_->TourSteps().empty());
}

TEST_F(LiveTab, GridRowsAndPresetsFollowTheirRules) {
  OpenBoard();
  tab_->StartLive();
  EXPECT_EQ(Count(SimJournal(), "LiveVideoTransferON"), 0) << "no start without an overlay";
  Press(live_ids::kOpen);
  ASSERT_NE(tab_->Overlay().Get(), nullptr);

  // Shape 1 (4 cells) from start 14: progressive inputs 14, 15, 0 and 1.
  Notify(kLeftDown, 2, 1);
  Notify(kLeftDown, 15, 2);
  ASSERT_EQ(tab_->Shape(), 1);
  ASSERT_EQ(tab_->Start(), 14);
  Press(live_ids::kProgressive);
  for (int input = 0; input < 16; ++input)
    EXPECT_EQ(tab_->ScanMode(input), input == 14 || input == 15 || input == 0 || input == 1 ? 1 : 0) << input;
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kScanState)->text(), QStringLiteral("All Progres.."));

  // Row 4 toggles only shown inputs, and only on plain presses.
  NUVIXI_SIM_ClearJournal();
  Notify(kLeftDown, 6, 4);  // input 5 is not shown
  Notify(kLeftDouble, 16, 4);
  Notify(kWheel, 16, 4);
  Notify(kLeftDown | kGridFlagBit, 16, 4);
  Notify(kLeftDown, 0, 4);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(tab_->ScanMode(5), 0);
  EXPECT_EQ(tab_->ScanMode(15), 1);
  Notify(kLeftDown, 16, 4);
  EXPECT_EQ(tab_->ScanMode(15), 0);
  EXPECT_EQ(Count(SimJournal(), "SetLiveScanMode"), 1);

  // A new shape makes every input interlaced again; the same shape does nothing.
  Notify(kLeftDown, 9, 1);
  EXPECT_FALSE(tab_->ItemAs<QCheckBox>(live_ids::kProgressive)->isChecked());
  for (int input = 0; input < 16; ++input) EXPECT_EQ(tab_->ScanMode(input), 0);
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kScanState)->text(), QStringLiteral("All interl.. "));
  NUVIXI_SIM_ClearJournal();
  Notify(kLeftDown, 9, 1);
  Notify(kLeftDown, 0, 1);   // the label column names no shape
  Notify(kLeftDown, 11, 1);  // QLA16 has shapes 0..9 only
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(tab_->Shape(), 8);

  // "Seq1": colour channel 0 is input 5 for every colour call and the sliders.
  Press(kSeq1);
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kSequenceLabels)->text(), QStringLiteral("5"));
  EXPECT_EQ(tab_->ColourChannel(), 0);
  NUVIXI_SIM_ClearJournal();
  Slider(CLiveTab::kBrightness)->setValue(200);
  Slider(CLiveTab::kContrast)->setValue(90);
  Slider(CLiveTab::kHue)->setValue(10);
  Slider(CLiveTab::kSaturation)->setValue(20);
  EXPECT_EQ(SimJournal(),
            "BRIGHTNESSControl(0,5,C8)\nCONTRASTControl(0,5,5A)\nHUEControl(0,5,A)\nSATURATIONUControl(0,5,14)\n");
  EXPECT_EQ(tab_->ColourValue(CLiveTab::kBrightness, 5), 200);
  Notify(kLeftDown, 2, 3);  // channel 1 = input 4
  EXPECT_EQ(Slider(CLiveTab::kBrightness)->value(), 110);
  Notify(kLeftDown, 1, 3);
  EXPECT_EQ(Slider(CLiveTab::kBrightness)->value(), 200);
  EXPECT_EQ(tab_->ItemAs<QLabel>(live_ids::kLabels)->text(), QStringLiteral("BRIGHT   : 200"));

  // The value already stored: no call, no log line.
  const size_t lines = LogLines().size();
  NUVIXI_SIM_ClearJournal();
  tab_->SetColour(CLiveTab::kBrightness, 200);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(LogLines().size(), lines);
}

TEST_F(LiveTab, LiveShowsTheSequenceInTheOverlayAndStopsWritingWhenStopped) {
  OpenBoard();
  Press(live_ids::kOpen);
  ASSERT_NE(tab_->Overlay().Get(), nullptr);
  Notify(kLeftDown, 9, 1);  // 16 cells
  Press(kSeq1);
  Press(live_ids::kStart);
  ASSERT_TRUE(tab_->IsLive());
  EXPECT_FALSE(tab_->Item(live_ids::kTvOn)->isEnabled()) << "TV-out waits for the next start";
  ASSERT_TRUE(WaitFields(3));
  Press(live_ids::kStop);
  EXPECT_FALSE(tab_->IsLive());
  EXPECT_TRUE(tab_->Item(live_ids::kTvOn)->isEnabled());

  const nuvix::ddraw::ScanOut scan = tab_->Overlay().Info().overlay->Scan();
  ASSERT_EQ(scan.memory, tab_->SurfaceAddress());
  const int expected[16] = {5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6};
  for (int k = 0; k < 16; ++k) {
    // A point of the cell's background, right of the camera number, above the bottom.
    const int x = (704 * (k % 4) / 4 + 704 * 7 / 64) & ~1, y = 480 * (k / 4) / 4 + 480 * 3 / 32;
    const uint8_t* pair = scan.memory + static_cast<size_t>(y) * scan.pitch + x * 2;
    uint8_t colour[3];
    NUVIXI_SIM_CameraColour(static_cast<uint32_t>(expected[k]), colour);
    EXPECT_EQ(pair[0], colour[1]) << "cell " << k;
    EXPECT_EQ(pair[2], colour[2]) << "cell " << k;
  }
  const std::vector<uint8_t> stopped(scan.memory, scan.memory + static_cast<size_t>(scan.pitch) * scan.height);
  std::this_thread::sleep_for(120ms);
  EXPECT_TRUE(std::equal(stopped.begin(), stopped.end(), scan.memory)) << "nothing is written after the stop";
}

TEST_F(LiveTab, ClosingTheOverlayOrTheBoardWhileLiveRunsStopsTheBoardFirst) {
  OpenBoard();
  Press(live_ids::kOpen);
  Press(live_ids::kStart);
  ASSERT_TRUE(WaitFields(2));
  Press(live_ids::kClose);
  EXPECT_EQ(tab_->Overlay().Get(), nullptr);
  EXPECT_EQ(Status().running, 0u);
  EXPECT_EQ(Status().surface, nullptr);
  const std::string log = LogText();
  EXPECT_LT(log.find("NUVIXI_LiveVideoTransferOFF(0)"), log.find("OVERLAY WINDOW CLOSE()"));

  // Open again and let the board close take the tab down while live runs.
  Press(live_ids::kOpen);
  Press(live_ids::kStart);
  ASSERT_TRUE(tab_->IsLive());
  ASSERT_TRUE(WaitFields(2));
  dialog_->CloseBoard();
  EXPECT_EQ(dialog_->Tab(CNuvixSdkDlg::kLive), nullptr);
  EXPECT_EQ(Status().running, 0u);
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_NE(w->windowTitle(), QStringLiteral("Overlay View Window"));
}

TEST_F(LiveTab, OverlayClosedUnderABoardThatWouldNotStopIsNeverWrittenAgain) {
  OpenBoard();
  Press(live_ids::kOpen);
  Press(live_ids::kStart);
  ASSERT_TRUE(WaitFields(2));
  NUVIXI_SIM_FailNext("LiveVideoTransferOFF", NUVIXI_ERR_LOCAL_BUS);
  Press(live_ids::kClose);
  EXPECT_NE(LogText().find("RV(31) = NUVIXI_LiveVideoTransferOFF(0)"), std::string::npos);
  EXPECT_EQ(Status().running, 1u) << "the board did not stop";
  EXPECT_EQ(Status().surface, nullptr) << "but it forgot the released surface";
  const uint64_t fields = Status().fieldsWritten;
  std::this_thread::sleep_for(120ms);  // AddressSanitizer reports any write into the freed surface
  EXPECT_EQ(Status().fieldsWritten, fields);
}

TEST_F(LiveTab, FailedOverlayOpenRevertsTheButtonsAndGivesTheBoardNoStaleSurface) {
  OpenBoard();
  Press(live_ids::kOpen);
  Press(live_ids::kClose);
  auto adapter = nuvix::ddraw::DefaultAdapter();
  adapter.caps.dwCaps = 0;
  nuvix::ddraw::SetAdapter(adapter);
  NUVIXI_SIM_ClearJournal();
  Press(live_ids::kOpen);
  EXPECT_EQ(tab_->Overlay().Get(), nullptr);
  EXPECT_FALSE(tab_->ItemAs<QAbstractButton>(live_ids::kOpen)->isChecked());
  EXPECT_TRUE(tab_->ItemAs<QAbstractButton>(live_ids::kClose)->isChecked());
  EXPECT_NE(SimJournal().find("SetLiveVideoConfig(0,0,2C0,1E0,59565955,0,0)"), std::string::npos)
      << "the released surface's address is not handed out again";
  EXPECT_EQ(Count(LogText(), "OVERLAY WINDOW OPEN()"), 1);
  Press(live_ids::kStart);
  EXPECT_FALSE(tab_->IsLive());
}

TEST_F(LiveTab, PalBoardGetsA576LineOverlayInTheFormatTheAdapterMade) {
  auto adapter = nuvix::ddraw::DefaultAdapter();
  adapter.overlayFourccs = {nuvix::ddraw::kFourccUyvy};
  nuvix::ddraw::SetAdapter(adapter);
  AppFixture::OpenBoard("QLA16", {kIdVideo}, false);
  tab_ = dynamic_cast<CLiveTab*>(dialog_->Tab(CNuvixSdkDlg::kLive));
  ASSERT_NE(tab_, nullptr);
  Press(live_ids::kYuy2);  // YUY2 asked for, only UYVY offered
  NUVIXI_SIM_ClearJournal();
  Press(live_ids::kOpen);
  ASSERT_NE(tab_->Overlay().Get(), nullptr);
  EXPECT_EQ(tab_->Overlay().Info().height, 576u);
  EXPECT_NE(SimJournal().find("SetLiveVideoConfig(0,0,2C0,240,59565955,"), std::string::npos) << SimJournal();
  EXPECT_NE(LogText().find("RV(80) = NUVIXI_SetLiveVideoConfig(0,0,2C0,240,59565955,"), std::string::npos);
  Press(live_ids::kStart);
  EXPECT_TRUE(tab_->IsLive());
}

TEST_F(LiveTab, OnScreenTextButtonsSendStringsFontAndSwitch) {
  OpenBoard();
  prompts_->AnswerFont({"DejaVu Serif", 30, 700, true});
  NUVIXI_SIM_ClearJournal();
  Press(live_ids::kOsdEnable);
  Press(live_ids::kSelectFont);
  Press(live_ids::kOsdDisable);
  const std::string journal = SimJournal();
  EXPECT_EQ(Count(journal, "XED_QUAD_STRING(0,"), 2);
  EXPECT_EQ(Count(journal, "XED_FONT_CONFIG(0,"), 1);
  EXPECT_NE(journal.find("XED_FONT_CONFIG(0,"), std::string::npos);
  EXPECT_NE(journal.find(",1B)\nSQUAD_ON(0,0,0,0)\nXED_SET_CHOSE_FONT(0,"), std::string::npos);
  EXPECT_NE(journal.find("SQUAD_OFF(0)"), std::string::npos);
  const std::string log = LogText();
  EXPECT_NE(log.find("RV(80) = NUVIXI_SQUAD_ON(0)"), std::string::npos);
  EXPECT_NE(log.find("RV(80) = NUVIXI_XED_SET_CHOSE_FONT(0)"), std::string::npos);
  EXPECT_NE(log.find("RV(80) = NUVIXI_SQUAD_OFF(0)"), std::string::npos);
  EXPECT_EQ(Status().osd, 0u);
}

// The bytes the board's on-screen text is configured with, as boards expect them.
TEST(OsdFontConfig, DefaultStringsSendTheBoardsBytes) {
  const OsdFontConfig config;
  const auto* bytes = reinterpret_cast<const uint8_t*>(&config);
  const std::vector<uint8_t> sent(bytes, bytes + sizeof config);
  const std::vector<uint8_t> expected = {44, 40, 30, 35, 15, 10, 26, 10, 10, 25, 10, 10, 24, 10,
                                         10, 23, 10, 10, 22, 10, 10, 21, 10, 10, 20, 10, 5};
  EXPECT_EQ(sent, expected);
}

}  // namespace
