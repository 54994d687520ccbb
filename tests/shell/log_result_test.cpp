// The log window: result and error lines, message boxes, the 500-line clear,
// long texts, calls from other threads and the log kept in a file.
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "app_fixture.h"
#include "error_text.h"
#include "log_file.h"

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

// The log takes typing. A line the program adds goes in at the caret, after
// whatever was typed there, and never takes away text the user selected.
TEST_F(LogResultTest, LinesGoInAtTheCaretAndKeepWhatTheUserTypedOrSelected) {
  QPlainTextEdit* edit = dialog_->LogEdit();
  EXPECT_FALSE(edit->isReadOnly());
  const auto type = [edit](const QString& text) {
    for (QChar c : text) {
      const int key = c == QLatin1Char('\n') ? static_cast<int>(Qt::Key_Return) : c.unicode();
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, c == QLatin1Char('\n') ? QString() : QString(c));
      QApplication::sendEvent(edit, &press);
    }
  };
  const auto caretTo = [edit](QTextCursor::MoveOperation where, QTextCursor::MoveMode mode) {
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(where, mode);
    edit->setTextCursor(cursor);
  };
  struct Case {
    const char* what;
    std::function<void()> user;
    std::string expected;
  };
  const Case cases[] = {
      {"caret moved to the start", [&] { caretTo(QTextCursor::Start, QTextCursor::MoveAnchor); },
       "RV(80) = second \nRV(80) = first \n"},
      {"a note typed at the end", [&] { type(QStringLiteral("note\n")); }, "RV(80) = first \nnote\nRV(80) = second \n"},
      {"the first line selected",
       [&] {
         caretTo(QTextCursor::Start, QTextCursor::MoveAnchor);
         caretTo(QTextCursor::Down, QTextCursor::KeepAnchor);
       },
       "RV(80) = first \nRV(80) = second \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dialog_->ClearLog();
    LogResult(dialog_.get(), 128, 0, "first");
    c.user();
    LogResult(dialog_.get(), 128, 0, "second");
    EXPECT_EQ(LogText(), c.expected);
  }
  // Typed lines count toward the 500 at which the log empties itself.
  dialog_->ClearLog();
  type(QString(100, QLatin1Char('\n')));
  for (int i = 0; i < 398; ++i) LogResult(dialog_.get(), 128, 0, "line %d", i);
  EXPECT_EQ(dialog_->LogLineCount(), 499);
  LogResult(dialog_.get(), 128, 0, "line 398");
  EXPECT_EQ(LogText(), "");
}

// --log: the file holds every line the log showed, in order and stamped, also
// the lines the window dropped when it emptied itself.
TEST_F(LogResultTest, LogFileKeepsEveryLineInOrderAcrossAClear) {
  const std::string path = ::testing::TempDir() + "log_file_" + std::to_string(::getpid()) + ".log";
  std::remove(path.c_str());
  LogResult(dialog_.get(), 128, 0, "before the file");
  LogFile file;
  ASSERT_TRUE(file.Open(path));
  dialog_->AddLogMirror([&file](const std::string& text) { file.Write(text); });

  std::vector<std::string> expected = {"RV(80) = before the file "};
  for (int i = 0; i < 620; ++i) {
    const uint32_t code = i == 300 ? 0x21 : 128;
    LogResult(dialog_.get(), code, 0, "line %d", i);
    expected.push_back("RV(" + std::to_string(code == 128 ? 80 : 21) + ") = line " + std::to_string(i) + " ");
    if (code != 128) expected.push_back(ErrorText(code));
  }
  EXPECT_LT(dialog_->LogLineCount(), 200) << "the window emptied itself on the way";

  std::ifstream in(path);
  const std::string stamp = "0000-00-00 00:00:00.000 ";  // 0: any digit
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    bool stamped = line.size() >= stamp.size();
    for (size_t i = 0; stamped && i < stamp.size(); ++i)
      stamped = stamp[i] == '0' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == stamp[i];
    ASSERT_TRUE(stamped) << line;
    lines.push_back(line.substr(stamp.size()));
  }
  EXPECT_EQ(lines, expected);

  EXPECT_FALSE(LogFile().Open("/nonexistent-folder/log.txt"));
  std::remove(path.c_str());
}

// Picks "Save Log..." from the log's context menu as a user would.
void SaveLogThroughTheMenu(CNuvixSdkDlg& dialog) {
  bool picked = false;
  QTimer::singleShot(0, [&picked] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions())
      if (action->text() == QStringLiteral("Save Log...")) {
        picked = true;
        action->trigger();
      }
    menu->close();
  });
  emit dialog.LogEdit()->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(picked) << "the context menu offers \"Save Log...\"";
}

TEST_F(LogResultTest, SaveLogFromTheContextMenuWritesWhatTheLogShows) {
  LogResult(dialog_.get(), 128, 0, "kept line");
  LogResult(dialog_.get(), 0x21, 0, "failed line");
  const std::string path = ::testing::TempDir() + "saved_log_" + std::to_string(::getpid()) + ".log";
  prompts_->AnswerFile(path);
  SaveLogThroughTheMenu(*dialog_);
  std::ifstream saved(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), LogText());
  EXPECT_TRUE(prompts_->Messages().empty());
  std::remove(path.c_str());

  prompts_->AnswerFile("/nonexistent-folder/log.txt");
  SaveLogThroughTheMenu(*dialog_);
  ASSERT_EQ(prompts_->Messages().size(), 1u);
  EXPECT_EQ(prompts_->Messages()[0].text, "Cannot write the log to /nonexistent-folder/log.txt");
  EXPECT_EQ(prompts_->FileRequests().size(), 2u);
  EXPECT_FALSE(prompts_->FileRequests()[0].openForRead);
}

}  // namespace
