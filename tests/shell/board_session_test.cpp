// Board search, selection, open and close from the main dialog, checked on
// the log, the controls and the simulated board's journal.
#include <QPlainTextEdit>
#include <algorithm>

#include "app_fixture.h"

namespace {

using namespace main_ids;
constexpr int kFirst = kFirstSelect, kNtsc = kNtscOpen, kPal = kPalOpen;
constexpr int kVideo = kVideoOption, kAudio = kAudioOption, kAPlay = kAPlayOption, kSerial = kSerialOption,
              kSquad = kSquadOption;

class BoardSession : public AppFixture {
 protected:
  void Boards(const char* text) {
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(text), 0);
    // Bare tabs: the log and the journal then hold the session's own calls
    // only, not those the tabs make when they start.
    MakeDialog([](int tabIndex) { return new CTabDialog(110 + tabIndex); });
    dialog_->ClearLog();
    NUVIXI_SIM_ClearJournal();
  }
  std::string Label(int i) const { return Button(kFirst + i)->text().toStdString(); }
  bool Enabled(int id) const { return Button(id)->isEnabled(); }
};

TEST_F(BoardSession, StartUpReadsTheVersionIntoTheCaption) {
  MakeDialog(nullptr);
  EXPECT_EQ(dialog_->windowTitle().toStdString(), "NUVIX SDK - 3.8.12.65 - Internal: 1.4.2.7");
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "RV(80) = NUVIXI_GetVersion():Result:1.4.2.7 ");
  EXPECT_EQ(lines[1], "RV(80) = <-- Variable Initialize --> ");
}

TEST_F(BoardSession, NoBoardShowsNotFoundInABox) {
  Boards("none");
  Click(kSearch);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"RV(80) = NUVIXI_BDSearch() ",
                                                  "RV(80) = <-- NUVIX BOARD NOT FOUND --> "}));
  ASSERT_EQ(prompts_->Messages().size(), 1u);
  EXPECT_EQ(prompts_->Messages()[0].text, "RV(80) = <-- NUVIX BOARD NOT FOUND --> \r\n");
  EXPECT_FALSE(Enabled(kSearch));
  EXPECT_FALSE(Enabled(kFirst));
}

TEST_F(BoardSession, OneBoardIsListedAndSearchStaysDisabled) {
  Boards("QCA08");
  Click(kSearch);
  EXPECT_EQ(Label(0), "QCA08");
  EXPECT_TRUE(Enabled(kFirst));
  EXPECT_FALSE(Enabled(kFirst + 1));
  EXPECT_FALSE(Enabled(kSearch));
  EXPECT_EQ(LogLines().back(), "RV(80) = <-- NUVIX BOARD 1 EA FOUND --> ");
  EXPECT_TRUE(prompts_->Messages().empty());
}

TEST_F(BoardSession, SixBoardsListFour) {
  Boards("QCA02,QCA04,QCA08,QCA02,QCA04,QCA08");
  Click(kSearch);
  EXPECT_EQ(Label(0), "QCA02");
  EXPECT_EQ(Label(3), "QCA02");
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Enabled(kFirst + i));
  EXPECT_EQ(LogLines().back(), "RV(80) = <-- NUVIX BOARD 4 EA FOUND --> ");
}

TEST_F(BoardSession, UnknownEntriesLeaveTheirLabelOnTheNextFreeButton) {
  Boards("QCA08,9,QCA04,7");
  Click(kSearch);
  EXPECT_EQ(Label(0), "QCA08");
  EXPECT_EQ(Label(1), "QCA04");  // the unknown entry's label was overwritten
  EXPECT_EQ(Label(2), "UNKNOWN");
  EXPECT_FALSE(Enabled(kFirst + 2));
  EXPECT_EQ(LogLines().back(), "RV(80) = <-- NUVIX BOARD 2 EA FOUND --> ");
}

TEST_F(BoardSession, AQlaBoardInTheListDisablesAPlayAndSquad) {
  Boards("QCA08,QLA16");
  Click(kSearch);
  EXPECT_FALSE(Enabled(kAPlay));
  EXPECT_FALSE(Enabled(kSquad));
  EXPECT_TRUE(Enabled(kVideo));
}

TEST_F(BoardSession, SearchFailureIsLoggedAndSearchCanBeRetried) {
  Boards("QCA08");
  NUVIXI_SIM_FailNext("BDSearch", 0x51);
  Click(kSearch);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"RV(51) = NUVIXI_BDSearch() ", "KERNEL OPEN FAIL"}));
  EXPECT_TRUE(Enabled(kSearch));
  Click(kSearch);
  EXPECT_TRUE(Enabled(kFirst));
}

TEST_F(BoardSession, SelectShowsDetailsAndEnablesOpenAndClose) {
  Boards("QCA04:rev=0x102:fpga=0x06030100:custom=0xAB:ch=24:id=7:tvout=2:audio=8");
  Click(kSearch);
  Click(kFirst);
  EXPECT_EQ(dialog_->ItemAs<QPlainTextEdit>(kDetail)->toPlainText().toStdString(),
            "BD__ RevisionID ->      102 \n"
            "FPGA Revision ID -> 06,03,01,00 \n"
            "____ Custom__ID ->       AB \n"
            "TV OUT CH :  2 : AUDIO :  8 \n"
            "Max VCapT CH :       24 \n"
            "NUV BD ID :        7 \n");
  EXPECT_FALSE(Enabled(kFirst));
  EXPECT_TRUE(Enabled(kNtsc) && Enabled(kPal) && Enabled(kClose));
  EXPECT_TRUE(Button(kClose)->isChecked());
  EXPECT_FALSE(Button(kNtsc)->isChecked());
  EXPECT_EQ(dialog_->Caps().CaptureChannels(), 24u);
  EXPECT_EQ(dialog_->Caps().ChannelsPerGroup(), 6u);
  EXPECT_EQ(LogLines().back(), "RV(80) = GetDetail()::0th BD <ID:4> SELECT ");
  EXPECT_TRUE(Enabled(kSquad));  // FPGA 06030100 lies in the allowed range
}

TEST_F(BoardSession, DetailFailureReEnablesTheButtonAndChangesNothingElse) {
  Boards("QCA08");
  Click(kSearch);
  NUVIXI_SIM_FailNext("BDDetailInfo", 0x32);
  Click(kFirst);
  EXPECT_EQ(LogLines().back(), "IIC LOCAL BUS ERROR");
  EXPECT_EQ(LogLines()[LogLines().size() - 2], "RV(32) = NUVIXI_dw_BDDetailInfo(0, ..) FAIL .. ");
  EXPECT_TRUE(Enabled(kFirst));
  EXPECT_FALSE(Enabled(kNtsc));
  EXPECT_TRUE(prompts_->Messages().empty());
}

struct SquadCase {
  const char* board;
  bool allowed;
};

void PrintTo(const SquadCase& c, std::ostream* out) { *out << c.board << (c.allowed ? " allows" : " refuses"); }

class SquadAvailability : public BoardSession, public ::testing::WithParamInterface<SquadCase> {};

TEST_P(SquadAvailability, FollowsModelFpgaRevisionAndBoardId) {
  Boards(GetParam().board);
  Click(kSearch);
  Click(kFirst);
  EXPECT_EQ(Enabled(kSquad), GetParam().allowed) << GetParam().board;
}

INSTANTIATE_TEST_SUITE_P(Boards, SquadAvailability,
                         ::testing::Values(SquadCase{"QCA02:id=0", true},
                                           SquadCase{"QCA04:fpga=0x05012400:id=0", true},
                                           SquadCase{"QCA04:fpga=0x79123100:id=0", true},
                                           SquadCase{"QCA04:fpga=0x050123FF:id=0", false},
                                           SquadCase{"QCA04:fpga=0x79123101:id=0", false},
                                           SquadCase{"QCA04:fpga=0x79123101:id=32", true},
                                           SquadCase{"QCA08:id=32", true}, SquadCase{"QCA08:id=31", false}));

TEST_F(BoardSession, QlaWithAllOptionsOpensWith77) {
  Boards("QLA16");
  // A QLA board disables two boxes; ticking them anyway must not pass their blocks.
  Click(kSearch);
  Click(kFirst);
  for (int id : {kVideo, kAudio, kAPlay, kSerial, kSquad}) Button(id)->setChecked(true);
  NUVIXI_SIM_ClearJournal();
  Click(kNtsc);
  EXPECT_EQ(SimJournal().substr(0, 15), "BDOpen(0,77,1)\n");
  // The tabs created after the open log their own first calls.
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "RV(80) = NUVIXI_dw_BDOpen(0,77,1) SUCCESS "), lines.end());
}

TEST_F(BoardSession, QcaFlagsFollowTheOptions) {
  Boards("QCA08");
  SearchSelectOpen({kVideo});
  EXPECT_NE(SimJournal().find("BDOpen(0,3,1)\n"), std::string::npos);
  Click(kClose);
  for (int id : {kAudio, kAPlay, kSerial, kSquad}) Button(id)->setChecked(true);
  Click(kPal);
  EXPECT_NE(SimJournal().find("BDOpen(0,3F,0)\n"), std::string::npos);
  EXPECT_EQ(dialog_->VideoStandard(), 0);
}

TEST_F(BoardSession, NoOptionsOpensWithZeroAndStillCreatesPinaxAndPlay) {
  Boards("QCA08");
  SearchSelectOpen({});
  EXPECT_NE(SimJournal().find("BDOpen(0,0,1)\n"), std::string::npos);
  for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab)
    EXPECT_EQ(dialog_->Tab(tab) != nullptr, tab == CNuvixSdkDlg::kPinax || tab == CNuvixSdkDlg::kPlay) << tab;
}

TEST_F(BoardSession, OpenFailureShowsTheErrorUnchecksTheButtonAndCreatesNoTab) {
  Boards("QCA08");
  Click(kSearch);
  Click(kFirst);
  NUVIXI_SIM_FailNext("BDOpen", 0x53);
  Click(kNtsc);
  EXPECT_FALSE(Button(kNtsc)->isChecked());
  EXPECT_FALSE(dialog_->IsBoardOpen());
  for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab) EXPECT_EQ(dialog_->Tab(tab), nullptr);
  ASSERT_EQ(prompts_->Messages().size(), 1u);
  EXPECT_EQ(prompts_->Messages()[0].text, "MALLOC FAIL MEMORY TOO SMALL\r\n");
  EXPECT_EQ(LogLines()[LogLines().size() - 2], "RV(53) = NUVIXI_dw_BDOpen(0,0,1) FAIL .. ");
}

TEST_F(BoardSession, SecondOpenAndCloseWhenClosedDoNothing) {
  Boards("QCA08");
  Click(kSearch);
  Click(kFirst);
  Click(kClose);  // nothing open yet
  const size_t linesBefore = LogLines().size();
  Click(kNtsc);
  NUVIXI_SIM_ClearJournal();
  const size_t linesAfterOpen = LogLines().size();
  EXPECT_GT(linesAfterOpen, linesBefore);  // the open, then what the tabs log as they start
  Click(kPal);
  EXPECT_EQ(LogLines().size(), linesAfterOpen);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(dialog_->VideoStandard(), 1);
  Click(kClose);
  EXPECT_EQ(SimJournal(), "BDClose(0)\n");
  EXPECT_EQ(LogLines().back(), "RV(80) = NUVIXI_no_BDClose(0) OK ");
  Click(kClose);
  EXPECT_EQ(SimJournal(), "BDClose(0)\n");
}

TEST_F(BoardSession, SelectingAnotherBoardWhileOneIsOpenChangesNothing) {
  Boards("QCA08,QCA04");
  SearchSelectOpen({kVideo});
  NUVIXI_SIM_ClearJournal();
  Click(kFirst + 1);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(dialog_->BoardIndex(), 0);
  Click(kClose);
  EXPECT_EQ(SimJournal(), "BDClose(0)\n");
}

TEST_F(BoardSession, JournalShowsExactlyTheCallsOfSearchSelectOpenClose) {
  Boards("QCA08");
  SearchSelectOpen({kVideo, kAudio});
  Click(kClose);
  // Pointer arguments vary: compare the call names and the scalar arguments.
  // The tabs' own start-up calls are tested with each tab; these are the session's.
  std::vector<std::string> calls = SimJournalCalls();
  std::erase_if(calls, [](const std::string& call) { return call.rfind("BD", 0) != 0; });
  ASSERT_EQ(calls.size(), 4u) << SimJournal();
  EXPECT_EQ(calls[0].rfind("BDSearch(", 0), 0u);
  EXPECT_EQ(calls[1].rfind("BDDetailInfo(0,", 0), 0u);
  EXPECT_EQ(calls[2], "BDOpen(0,7,1)");
  EXPECT_EQ(calls[3], "BDClose(0)");
}

}  // namespace
