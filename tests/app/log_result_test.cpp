// The log window: result and error lines, message boxes, the 500-line clear,
// long texts and calls from other threads.
#include <QPlainTextEdit>
#include <thread>

#include "app_fixture.h"
#include "error_text.h"

namespace {

class LogResultTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    MakeDialog(nullptr);
    dialog_->ClearLog();
  }
};

TEST_F(LogResultTest, FailureLogsResultLineThenErrorTextAndBoxShowsTheErrorLine) {
  LogResult(dialog_.get(), 33, 1, "NUVIXI_Test(%X,%X)", 1, 0xAB);
  EXPECT_EQ(LogText(), "RV(21) = NUVIXI_Test(1,AB) \nINPUT ARGUMENT INVALID\n");
  auto messages = prompts_->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "INPUT ARGUMENT INVALID\r\n");
  EXPECT_EQ(messages[0].icon, nuvix::MessageIcon::Information);
}

TEST_F(LogResultTest, SuccessWithBoxShowsTheResultLine) {
  LogResult(dialog_.get(), 128, 1, "<-- NUVIX BOARD NOT FOUND -->");
  EXPECT_EQ(LogText(), "RV(80) = <-- NUVIX BOARD NOT FOUND --> \n");
  auto messages = prompts_->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "RV(80) = <-- NUVIX BOARD NOT FOUND --> \r\n");
}

TEST_F(LogResultTest, ErrorTexts) {
  EXPECT_STREQ(ErrorText(0x23), "INVLIAD FUNCTION BLOCK");
  EXPECT_STREQ(ErrorText(0x31), "LOACAL BUS ERROR");
  EXPECT_STREQ(ErrorText(0x57), "ESCAPE BLOCK FUNCTIONS");
  for (uint32_t unknown : {0x24u, 0x30u, 0x58u, 0u, 258u})
    EXPECT_STREQ(ErrorText(unknown), "UNKNOWN ERROR - ERROR CODE NOT DEFINE") << unknown;
  LogResult(dialog_.get(), 0x58, 0, "X");
  EXPECT_EQ(LogText(), "RV(58) = X \nUNKNOWN ERROR - ERROR CODE NOT DEFINE\n");
  EXPECT_TRUE(prompts_->Messages().empty());
}

TEST_F(LogResultTest, TheLineThatReachesFiveHundredLinesIsClearedWithTheRest) {
  // An edit counts the empty line after the last line break, so 498 lines count 499.
  for (int i = 0; i < 498; ++i) LogResult(dialog_.get(), 128, 0, "line %d", i);
  EXPECT_EQ(dialog_->LogLineCount(), 499);
  LogResult(dialog_.get(), 0x21, 0, "line 498");
  // The result line cleared the log; its error line starts the new one.
  EXPECT_EQ(LogText(), "INPUT ARGUMENT INVALID\n");
  LogResult(dialog_.get(), 128, 0, "next");
  EXPECT_EQ(LogText(), "INPUT ARGUMENT INVALID\nRV(80) = next \n");
}

TEST_F(LogResultTest, LongTextsAreCutAtTheFormatBuffer) {
  const std::string longText(1000, 'x');
  LogResult(dialog_.get(), 128, 0, "%s", longText.c_str());
  const std::string logged = LogText();
  EXPECT_EQ(logged, "RV(80) = " + std::string(255, 'x') + " \n");
}

TEST_F(LogResultTest, LinesFromAWorkerThreadArriveThroughTheGuiThread) {
  std::thread worker([this] {
    for (int i = 0; i < 20; ++i) LogResult(dialog_.get(), i == 7 ? 0x56 : 128, 0, "worker %d", i);
  });
  worker.join();  // the worker never waited for the GUI thread
  EXPECT_EQ(LogText(), "");
  QApplication::processEvents();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[0], "RV(80) = worker 0 ");
  EXPECT_EQ(lines[7], "RV(56) = worker 7 ");
  EXPECT_EQ(lines[8], "NOT STARTING CAPTURE");
  EXPECT_EQ(lines[20], "RV(80) = worker 19 ");
}

TEST_F(LogResultTest, LinesGoInAtTheSelection) {
  LogResult(dialog_.get(), 128, 0, "first");
  QTextCursor cursor = dialog_->LogEdit()->textCursor();
  cursor.movePosition(QTextCursor::Start);
  dialog_->LogEdit()->setTextCursor(cursor);
  LogResult(dialog_.get(), 128, 0, "second");
  EXPECT_EQ(LogText(), "RV(80) = second \nRV(80) = first \n");
}

}  // namespace
