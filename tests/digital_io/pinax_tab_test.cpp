// The PINAX tab on the simulated board: modes, output toggles and input
// polling through the test plug, multiplexers and OSD text, watchdog and
// the EEPROM key.
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app_fixture.h"
#include "pinax_ids.h"
#include "pinax_tab.h"
#include "timing.h"

namespace {

constexpr uint32_t kLeft = 0x201, kLeftRepeat = 0x601, kWheel = 0x20A;
constexpr int kOutputRow = 2, kMux1Row = 3;


// An OSD line as the board holds it, decoded back to characters.
std::string OsdText(int line) {
  NUVIXI_SIM_TVOUT_STATE state{};
  EXPECT_EQ(NUVIXI_SIM_TvOutState(0, &state), 0);
  std::string text;
  for (uint32_t code : state.osd[line]) text += code == 127 ? ' ' : static_cast<char>(code + 16);
  return text;
}

class PinaxTab : public AppFixture {
 protected:
  void Open(std::initializer_list<int> options = {main_ids::kVideoOption}) {
    MakeDialog(nullptr);
    SearchSelectOpen(options);
    tab_ = dynamic_cast<CPinaxTab*>(dialog_->Tab(CNuvixSdkDlg::kPinax));
    ASSERT_NE(tab_, nullptr);
  }
  // Through the grid control's own notification, as a mouse press sends it.
  void Notify(bool slave, uint32_t message, int column, int row) {
    emit tab_->Grid(slave).Ctrl()->Notified(nuvix::GridEvent::FromMessage(message, QPoint(column, row)));
  }
  void ClickTab(int id) { tab_->ItemAs<QAbstractButton>(id)->click(); }
  void SetEdit(int id, const char* text) { tab_->ItemAs<QLineEdit>(id)->setText(QString::fromLatin1(text)); }
  QString EditText(int id) { return tab_->ItemAs<QLineEdit>(id)->text(); }
  int JournalCount(const std::string& prefix) {
    const std::string journal = SimJournal();
    int count = 0;
    for (size_t at = journal.find(prefix); at != std::string::npos; at = journal.find(prefix, at + 1))
      count += (at == 0 || journal[at - 1] == '\n');
    return count;
  }

  CPinaxTab* tab_ = nullptr;
};

TEST_F(PinaxTab, InitialisationWritesBothMultiplexerTextsAndLogsInOrder) {
  Open();
  std::vector<std::string> calls;
  for (const std::string& line : LogLines())
    if (line.find("NUVIXI_OSD?") != std::string::npos || line.find("NUVIXI_TVOUT") != std::string::npos)
      calls.push_back(line.substr(0, line.find('(', 10)));
  const std::vector<std::string> expected = {"RV(80) = NUVIXI_OSD?", "RV(80) = NUVIXI_TVOUT ", "RV(80) = NUVIXI_OSD?",
                                             "RV(80) = NUVIXI_TVOUT2"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(OsdText(0), "Mux1-CAM 01             ");
  EXPECT_EQ(OsdText(1), "Mux2-CAM 01             ");
  EXPECT_EQ(JournalCount("WDOG"), 0);
  EXPECT_EQ(JournalCount("DIGITALOUT_SIGNAL"), 0);
  EXPECT_TRUE(tab_->Polling());
  EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kWatchdogLabel)->text(), QStringLiteral("Watch Dog Timer :   3Sec"));
}

TEST_F(PinaxTab, ToggledOutputsReachTheBoardAndComeBackOnTheInputs) {
  Open();
  NUVIXI_SIM_ClearJournal();
  Notify(false, kLeft, 2, kOutputRow);
  Notify(true, kLeft, 1, kOutputRow);
  uint32_t outputs[32];
  ASSERT_EQ(NUVIXI_SIM_DigitalOutputs(0, outputs), 0);
  EXPECT_EQ(outputs[1], 1u);
  EXPECT_EQ(outputs[16], 1u);
  EXPECT_EQ(std::count(outputs, outputs + 32, 1u), 2);

  QElapsedTimer waited;
  waited.start();
  while ((tab_->Input(false, 1) != 1 || tab_->Input(true, 0) != 1) && waited.elapsed() < 2000) PumpWait(10);
  EXPECT_EQ(tab_->Input(false, 1), 1u);
  EXPECT_EQ(tab_->Input(true, 0), 1u);
  EXPECT_EQ(tab_->Input(false, 0), 0u);
  EXPECT_EQ(tab_->Grid(false).Ctrl()->CellImage(2, 1), 9) << "the input shows its mark";

  // A second click, a held press's repeat and a wheel turn each toggle again.
  Notify(false, kLeft, 2, kOutputRow);
  ASSERT_EQ(NUVIXI_SIM_DigitalOutputs(0, outputs), 0);
  EXPECT_EQ(outputs[1], 0u);
  Notify(false, kLeftRepeat, 2, kOutputRow);
  EXPECT_EQ(tab_->Output(false, 1), 1u);
  Notify(false, (120u << 16) + kWheel, 2, kOutputRow);
  EXPECT_EQ(tab_->Output(false, 1), 0u);
  EXPECT_EQ(JournalCount("DIGITALOUT_SIGNAL"), 5);

  // Columns beyond the unit's outputs are ignored.
  Notify(false, kLeft, 3, kOutputRow);
  EXPECT_EQ(JournalCount("DIGITALOUT_SIGNAL"), 5);
}

TEST_F(PinaxTab, SmallerModeClearsValuesBeyondItsCountsWithoutABoardCall) {
  Open();
  ClickTab(pinax_ids::kMaster16x16);
  EXPECT_EQ(tab_->Mode(false), 3);
  for (int k = 0; k < 16; ++k) ASSERT_EQ(NUVIXI_SIM_SetDigitalInput(0, static_cast<uint32_t>(k), 1), 0);
  Notify(false, kLeft, 10, kOutputRow);
  tab_->PollInputs();
  ASSERT_EQ(tab_->Input(false, 12), 1u);
  ASSERT_EQ(tab_->Output(false, 9), 1u);
  EXPECT_EQ(tab_->Grid(false).Ctrl()->CellActive(10, kOutputRow), 1);

  NUVIXI_SIM_ClearJournal();
  ClickTab(pinax_ids::kMasterMode0);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(tab_->Output(false, 9), 0u);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(tab_->Input(false, k), k < 4 ? 1u : 0u) << "input " << k;
  auto* grid = tab_->Grid(false).Ctrl();
  EXPECT_EQ(grid->CellActive(2, kOutputRow), 1);
  EXPECT_EQ(grid->CellActive(3, kOutputRow), 0);
  EXPECT_EQ(grid->CellFlags(3, kOutputRow) & 0x80, 0x80u) << "inactive beyond the two outputs";
  EXPECT_EQ(grid->CellActive(4, 1), 1);
  EXPECT_EQ(grid->CellActive(5, 1), 0);
}

TEST_F(PinaxTab, MultiplexerSelectionWritesItsOsdTextOnlyWhenItChanges) {
  Open();
  NUVIXI_SIM_ClearJournal();
  Notify(true, kLeft, 1, kMux1Row);
  EXPECT_EQ(SimJournal(), "") << "camera 1 is selected already";

  Notify(true, kLeft, 3, kMux1Row);
  EXPECT_EQ(tab_->Camera(0), 2);
  EXPECT_EQ(tab_->Camera(1), 0);
  EXPECT_EQ(JournalCount("TVOUT(0,2)"), 1);
  EXPECT_EQ(JournalCount("OSD(0,0,B,"), 1);
  EXPECT_EQ(JournalCount("TVOUT2"), 0);
  EXPECT_EQ(OsdText(0), "Mux1-CAM 03             ");
  EXPECT_EQ(OsdText(1), "Mux2-CAM 01             ");
  NUVIXI_SIM_TVOUT_STATE state{};
  ASSERT_EQ(NUVIXI_SIM_TvOutState(0, &state), 0);
  EXPECT_EQ(state.camera[0], 2u);
  EXPECT_EQ(tab_->Grid(true).Ctrl()->CellImage(3, kMux1Row), 10);

  Notify(true, kLeft, 32, 4);
  EXPECT_EQ(OsdText(1), "Mux2-CAM 32             ");
  Notify(true, kLeft, 33, 4);
  EXPECT_EQ(tab_->Camera(1), 31) << "a column beyond the cameras is ignored";
}

TEST_F(PinaxTab, OsdWriteSendsTheCodeRuleAndClearSendsBlanks) {
  Open();
  NUVIXI_SIM_ClearJournal();
  SetEdit(pinax_ids::kOsd[0].position, "5");
  SetEdit(pinax_ids::kOsd[0].text, "A B");
  ClickTab(pinax_ids::kOsd[0].write);
  EXPECT_EQ(JournalCount("OSD(0,5,3,"), 1);
  NUVIXI_SIM_TVOUT_STATE state{};
  ASSERT_EQ(NUVIXI_SIM_TvOutState(0, &state), 0);
  EXPECT_EQ(state.osd[0][5], 49u);
  EXPECT_EQ(state.osd[0][6], 127u);
  EXPECT_EQ(state.osd[0][7], 50u);
  EXPECT_EQ(EditText(pinax_ids::kOsd[0].text), QStringLiteral("A B")) << "the edits keep their contents";
  EXPECT_EQ(CPinaxTab::OsdCodes("0a"), (std::vector<int32_t>{32, 81}));

  SetEdit(pinax_ids::kOsd[1].position, "");
  SetEdit(pinax_ids::kOsd[1].text, "ignored");
  ClickTab(pinax_ids::kOsd[1].clear);
  EXPECT_EQ(JournalCount("OSD2(0,0,18,"), 1);
  EXPECT_EQ(OsdText(1), std::string(24, ' '));
  EXPECT_EQ(EditText(pinax_ids::kOsd[1].position), QString());
  EXPECT_EQ(EditText(pinax_ids::kOsd[1].text), QString());
}

// Text that would run past the 24 cells is clipped, a position past them
// refused, each with a log line, so the board never gets an out-of-line write.
TEST_F(PinaxTab, OsdBeyondTheLineIsClippedOrRefusedWithALogLine) {
  Open();
  NUVIXI_SIM_ClearJournal();
  SetEdit(pinax_ids::kOsd[1].position, "20");
  SetEdit(pinax_ids::kOsd[1].text, "CLIPPED");
  ClickTab(pinax_ids::kOsd[1].write);
  EXPECT_EQ(JournalCount("OSD2(0,14,4,"), 1);
  EXPECT_EQ(OsdText(1).substr(20), "CLIP");
  EXPECT_NE(LogText().find("OSD LINE 2: 7 CHARACTERS FROM POSITION 20 CLIPPED TO 4"), std::string::npos);

  SetEdit(pinax_ids::kOsd[1].position, "24x");
  ClickTab(pinax_ids::kOsd[1].write);
  EXPECT_EQ(JournalCount("OSD2("), 1) << "nothing sent";
  EXPECT_NE(LogText().find("RV(21) = OSD LINE 2: POSITION 24 IS BEYOND THE 24 CELLS, NOT SENT"), std::string::npos);

  SetEdit(pinax_ids::kOsd[1].position, "3");
  ClickTab(pinax_ids::kOsd[1].clear);
  EXPECT_EQ(JournalCount("OSD2(0,3,15,"), 1) << "the clear is clipped to the line too";
}

TEST_F(PinaxTab, WatchdogButtonsAndTrackbar) {
  Open();
  NUVIXI_SIM_ClearJournal();
  auto* slider = tab_->ItemAs<QSlider>(pinax_ids::kWatchdogTime);
  const std::pair<int, const char*> labels[] = {
      {42, "Watch Dog Timer :  42Sec"}, {250, "Watch Dog Timer : 250Sec"}, {3, "Watch Dog Timer :   3Sec"}};
  for (const auto& [seconds, label] : labels) {
    slider->setValue(seconds);
    EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kWatchdogLabel)->text().toStdString(), label);
  }
  slider->setValue(17);
  ClickTab(pinax_ids::kWatchdogEnable);
  ClickTab(pinax_ids::kWatchdogReset);
  ClickTab(pinax_ids::kWatchdogEnable);
  EXPECT_EQ(SimJournal(), "WDOGEnable(0,11)\nWDOGEnable(0,11)\nWDOGDisable(0)\n");
  EXPECT_NE(LogText().find("RV(80) = NUVIXI_WDOGEnabl(0,11) "), std::string::npos);
}

TEST_F(PinaxTab, MainBlockNeedsTheRightKey) {
  Open();
  ClickTab(pinax_ids::kMainBlockCheck);
  EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kResultLabel)->text(), QStringLiteral("CSID:READ FUNC: FAIL"));

  SetEdit(pinax_ids::kKey, "4e5556495853444b");
  ClickTab(pinax_ids::kMainBlockCheck);
  EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kResultLabel)->text(), QStringLiteral("CSID:READ FUNC: OK"));
  EXPECT_EQ(EditText(pinax_ids::kKey), QStringLiteral("4E5556495853444B"));
  const QString shown = EditText(pinax_ids::kResult);
  EXPECT_EQ(shown, QStringLiteral("4E,58,05,20,  00,00,01,02, 06,03,01,00, 00,00,00,00 ...."));

  // A short key is padded with zero nibbles.
  const uint8_t key[8] = {0x12, 0x30};
  ASSERT_EQ(NUVIXI_SIM_SetEeprom(0, key, nullptr), 0);
  SetEdit(pinax_ids::kKey, "123");
  ClickTab(pinax_ids::kMainBlockCheck);
  EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kResultLabel)->text(), QStringLiteral("CSID:READ FUNC: OK"));

  // A wrong key fails and leaves the result as it was; the key is upper-cased
  // before the call, whatever the board answers.
  SetEdit(pinax_ids::kKey, "12g");
  ClickTab(pinax_ids::kMainBlockCheck);
  EXPECT_EQ(tab_->ItemAs<QLabel>(pinax_ids::kResultLabel)->text(), QStringLiteral("CSID:READ FUNC: FAIL"));
  EXPECT_EQ(EditText(pinax_ids::kKey), QStringLiteral("12G"));
  EXPECT_EQ(EditText(pinax_ids::kResult), shown);
  EXPECT_NE(LogLines().back().find("INPUT ARGUMENT INVALID"), std::string::npos) << LogLines().back();
  // "G" is not a digit: its low four bits (7) make the second byte 0x70.
  EXPECT_EQ(CPinaxTab::PackKey("12G"), (std::vector<uint8_t>{0x12, 0x70, 0, 0, 0, 0, 0, 0}));
}

// The board closes with the watchdog armed and the serial worker in its
// read: the tabs stop first, and no expiry follows the close.
TEST_F(PinaxTab, ClosingTheBoardWithTheWatchdogArmedAndTheSerialReadWaiting) {
  Open({main_ids::kVideoOption, main_ids::kSerialOption});
  ASSERT_NE(dialog_->Tab(CNuvixSdkDlg::kSerial), nullptr);
  ClickTab(pinax_ids::kWatchdogEnable);
  PumpWait(50);
  Click(1117);
  EXPECT_EQ(dialog_->Tab(CNuvixSdkDlg::kPinax), nullptr);
  QElapsedTimer waited;
  waited.start();
  PumpWait(3300);
  uint64_t expiries = 1;
  ASSERT_EQ(NUVIXI_SIM_WatchdogExpiries(0, &expiries), 0);
  EXPECT_EQ(expiries, 0u);
  EXPECT_GE(waited.elapsed(), 3000);
}

}  // namespace
