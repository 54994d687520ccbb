// The SERIAL tab on the simulated board: configuration and send calls, the
// hexadecimal layout of the receive box, and bytes looped back at the line rate.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <random>
#include <sstream>

#include "app_fixture.h"
#include "serial_ids.h"
#include "serial_tab.h"
#include "timing.h"

namespace {

constexpr int kIdSerialOption = main_ids::kSerialOption, kIdBaud = serial_ids::kBaud, kIdParity = serial_ids::kParity,
              kIdSendText = serial_ids::kSendText, kIdClear = serial_ids::kClear, kIdConfig = serial_ids::kConfig,
              kIdSend = serial_ids::kSend;

class SerialTab : public AppFixture {
 protected:
  void Open() {
    MakeDialog(nullptr);
    SearchSelectOpen({kIdSerialOption});
    tab_ = dynamic_cast<CSerialTab*>(dialog_->Tab(CNuvixSdkDlg::kSerial));
    ASSERT_NE(tab_, nullptr);
  }
  void ClickTab(int id) { tab_->ItemAs<QAbstractButton>(id)->click(); }
  void Configure(int baud, int parity) {
    tab_->ItemAs<QComboBox>(kIdBaud)->setCurrentIndex(baud);
    tab_->ItemAs<QComboBox>(kIdParity)->setCurrentIndex(parity);
    ClickTab(kIdConfig);
  }
  // Waits until the box shows count bytes; false at the deadline.
  bool WaitForBytes(uint32_t count, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (tab_->ReceivedCount() < count && waited.elapsed() < timeoutMs) PumpWait(2);
    return tab_->ReceivedCount() == count;
  }
  // Sends as a user does, once the Send button is back from the last send.
  void Send(const std::vector<uint8_t>& bytes) {
    QElapsedTimer waited;
    waited.start();
    while (tab_->Sending() && waited.elapsed() < 10000) PumpWait(2);
    tab_->ItemAs<QLineEdit>(kIdSendText)->setText(QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                                                                      static_cast<qsizetype>(bytes.size())));
    ClickTab(kIdSend);
  }

  CSerialTab* tab_ = nullptr;
};

TEST_F(SerialTab, ConfigSetPassesTheListIndicesAndEmptySendCallsNothing) {
  Open();
  EXPECT_EQ(tab_->ItemAs<QComboBox>(kIdBaud)->currentText(), QStringLiteral("1200    BPS"));
  EXPECT_EQ(tab_->ItemAs<QComboBox>(kIdParity)->currentText(), QStringLiteral("SPACE"));
  EXPECT_EQ(SimJournal().find("RUART_CONFIG"), std::string::npos) << "opening configures nothing";
  NUVIXI_SIM_ClearJournal();

  const size_t linesBefore = LogLines().size();
  ClickTab(kIdSend);
  EXPECT_EQ(SimJournal(), "");
  EXPECT_EQ(LogLines().size(), linesBefore);

  tab_->ItemAs<QComboBox>(kIdBaud)->setCurrentIndex(5);
  EXPECT_EQ(tab_->ItemAs<QComboBox>(kIdBaud)->currentText(), QStringLiteral("38400  BPS"));
  Configure(5, 3);
  EXPECT_EQ(SimJournal(), "RUART_CONFIG(0,5,3)\n");
  EXPECT_EQ(LogLines().back(), "RV(80) = NUVIXI_RUART_CONFIG(0,5,3) ");
}

TEST_F(SerialTab, ReceivedBytesAreLaidOutSixteenToALineAndClearRestartsTheLayout) {
  Open();
  std::vector<uint8_t> bytes(20);
  for (uint8_t i = 0; i < 20; ++i) bytes[i] = static_cast<uint8_t>(i * 17);
  ASSERT_EQ(NUVIXI_SIM_QueueSerialRx(0, bytes.data(), 20), 0);
  ASSERT_TRUE(WaitForBytes(20, 5000));
  EXPECT_EQ(tab_->ReceiveText().toStdString(),
            " 00 11 22 33    44 55 66 77          88 99 AA BB    CC DD EE FF\r\n"
            " 10 21 32 43");

  tab_->ItemAs<QLineEdit>(kIdSendText)->setText(QStringLiteral("typed"));
  ClickTab(kIdClear);
  EXPECT_EQ(tab_->ReceiveText(), QString());
  EXPECT_EQ(tab_->ItemAs<QLineEdit>(kIdSendText)->text(), QString());
  const uint8_t more[] = {0xAB, 0x05, 0x00, 0x7F, 0xFE};
  ASSERT_EQ(NUVIXI_SIM_QueueSerialRx(0, more, sizeof more), 0);
  ASSERT_TRUE(WaitForBytes(sizeof more, 5000));
  EXPECT_EQ(tab_->ReceiveText().toStdString(), " AB 05 00 7F    FE");
}

// 1000 bytes at 1200 baud need 8.3 s; the 5 s time-out ends the write first,
// and meanwhile the window goes on: a 50 ms timer keeps firing on time and a
// second Send waits for the first.
TEST_F(SerialTab, WriteThatTimesOutRunsBesideTheWindowAndIsLoggedWithItsCode) {
  Open();
  Configure(0, 1);
  std::vector<uint8_t> bytes(1000, 'x');
  NUVIXI_SIM_ClearJournal();
  QElapsedTimer took, sinceTick;
  took.start();
  Send(bytes);
  EXPECT_TRUE(tab_->Sending());
  EXPECT_FALSE(tab_->Item(kIdSend)->isEnabled());
  ClickTab(kIdSend);
  qint64 ticks = 0, longestGap = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceTick.restart());
    ++ticks;
  });
  sinceTick.start();
  timer.start(50);
  while (tab_->Sending() && took.elapsed() < 15000) PumpWait(5);
  timer.stop();
  EXPECT_FALSE(tab_->Sending());
  EXPECT_TRUE(tab_->Item(kIdSend)->isEnabled());
  EXPECT_GE(took.elapsed(), 5000);
  EXPECT_GE(ticks, took.elapsed() / 100) << "the timer stopped turning";
  EXPECT_LT(longestGap, 500) << "the window stood still";
  const std::vector<std::string> calls = SimJournalCalls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("RUART_WRITE(", 0) == 0; }),
            1)
      << "the second Send waited for the first";
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  const std::string& call = lines[lines.size() - 2];
  EXPECT_EQ(call.rfind("RV(102) = NUVIXI_RUART_WRITE(0,", 0), 0u) << call;
  EXPECT_NE(call.find(",3E8,1388) "), std::string::npos) << call;
  EXPECT_EQ(lines.back(), "UNKNOWN ERROR - ERROR CODE NOT DEFINE");
  EXPECT_EQ(LogText().find("MAY BE ERROR"), std::string::npos) << "5 s is not 6 s";
}

// The tick count wraps every 49.7 days; a write across the wrap is timed
// like any other.
TEST(SerialSlowWrite, SixSecondsOrMoreIsSlowAcrossTheTickWrapToo) {
  const struct {
    uint32_t start, end;
    bool slow;
  } cases[] = {{1000, 6999, false},         {1000, 7000, true},        {0xFFFFF000u, 0xFFFFF000u + 5999, false},
               {0xFFFFF000u, 0x00000770u, true}, {0xFFFFFF00u, 0x00000100u, false}, {0, 0xFFFFFFFFu, true}};
  for (const auto& c : cases) EXPECT_EQ(CSerialTab::IsSlowWrite(c.start, c.end), c.slow) << c.start << " " << c.end;
}

// Every received byte of the box, read back from its hexadecimal text.
std::vector<uint8_t> BytesOf(const QString& text) {
  std::vector<uint8_t> bytes;
  std::istringstream words(text.toStdString());
  for (std::string word; words >> word;) bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  return bytes;
}

TEST_F(SerialTab, LoopbackBringsRandomBytesBackCompleteInOrderAtTheLineRate) {
  struct Case {
    int baud, parity;
    size_t count;
    double minSeconds, maxSeconds;
  };
  // Bytes of 10 bits without parity: 1000 at 38400 baud no faster than 90% of
  // their line time, 100 at 1200 baud in 0.8 s or more (the line paces them);
  // the upper bounds catch a stall, not a loaded machine.
  const double fast = 1000 * 10 / 38400.0;
  const Case cases[] = {{5, 1, 1000, 0.9 * fast, 3 * fast}, {0, 1, 100, 0.8, 3.0}};
  Open();
  std::mt19937 random(20261209);
  for (const Case& c : cases) {
    ClickTab(kIdClear);
    Configure(c.baud, c.parity);
    std::vector<uint8_t> bytes(c.count);
    // Printable bytes, as the send edit holds them.
    for (auto& b : bytes) b = static_cast<uint8_t>(0x21 + random() % 94);
    QElapsedTimer took;
    took.start();
    Send(bytes);
    ASSERT_TRUE(WaitForBytes(static_cast<uint32_t>(c.count), 5000)) << tab_->ReceivedCount();
    const double seconds = took.nsecsElapsed() / 1e9;
    EXPECT_EQ(BytesOf(tab_->ReceiveText()), bytes);
    EXPECT_GE(seconds, c.minSeconds) << "baud index " << c.baud;
    EXPECT_LE(seconds, c.maxSeconds) << "baud index " << c.baud;
  }
}

// The receive worker waits in a read while the board closes; the tab goes
// first, so its worker is stopped before the board's waits are torn down.
TEST_F(SerialTab, ClosingTheBoardWhileTheReadWaitsEndsCleanly) {
  Open();
  PumpWait(50);
  Click(1117);
  EXPECT_EQ(dialog_->Tab(CNuvixSdkDlg::kSerial), nullptr);
  EXPECT_NE(SimJournal().find("RUART_ESCAPE(0)\n"), std::string::npos);
  EXPECT_NE(SimJournal().find("BDClose(0)\n"), std::string::npos);
}

}  // namespace
