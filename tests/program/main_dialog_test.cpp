// Tabs of the main dialog: creation and destruction order, init arguments,
// buttons and their raising; the scrolling of the resizable dialog.
#include "app_fixture.h"

namespace {

using main_ids::kClose;
using main_ids::kTabButtons;
constexpr int kVideo = main_ids::kVideoOption, kAudio = main_ids::kAudioOption, kAPlay = main_ids::kAPlayOption,
              kSerial = main_ids::kSerialOption, kSquad = main_ids::kSquadOption;

// A tab that reports its construction, init arguments and destruction.
class RecordingTab : public CTabDialog {
 public:
  RecordingTab(int index, std::vector<std::string>& events) : CTabDialog(100 + index), index_(index), events_(events) {
    events_.push_back("new " + std::to_string(index));
  }
  ~RecordingTab() override { events_.push_back("delete " + std::to_string(index_)); }
  void Init(CNuvixSdkDlg* owner, int board, const BoardCaps& caps, int extra) override {
    CTabDialog::Init(owner, board, caps, extra);
    events_.push_back("init " + std::to_string(index_) + " " + std::to_string(board) + " " +
                      std::to_string(caps.Model()) + " " + std::to_string(extra));
  }

 private:
  int index_;
  std::vector<std::string>& events_;
};

class MainDialog : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    MakeDialog([this](int index) { return new RecordingTab(index, events_); });
  }
  std::vector<std::string> Events(const char* prefix) const {
    std::vector<std::string> matching;
    for (const auto& e : events_)
      if (e.rfind(prefix, 0) == 0) matching.push_back(e);
    return matching;
  }
  int Top(int id) const { return Button(id)->geometry().top(); }

  std::vector<std::string> events_;
};

TEST_F(MainDialog, TabsAreCreatedAndDestroyedInTheirOrders) {
  SearchSelectOpen({kVideo, kAudio, kAPlay, kSerial, kSquad});
  EXPECT_EQ(Events("init"), (std::vector<std::string>{"init 0 0 5 1", "init 1 0 5 1", "init 2 0 5 0", "init 3 0 5 0",
                                                      "init 4 0 5 1", "init 5 0 5 0", "init 6 0 5 1"}));
  Click(kClose);
  EXPECT_EQ(Events("delete"), (std::vector<std::string>{"delete 0", "delete 1", "delete 2", "delete 3", "delete 5",
                                                        "delete 6", "delete 4"}));
  for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab) EXPECT_EQ(dialog_->Tab(tab), nullptr);
}

TEST_F(MainDialog, TabsAreHiddenChildrenOnTheTabArea) {
  SearchSelectOpen({kVideo});
  CTabDialog* video = dialog_->Tab(CNuvixSdkDlg::kVideo);
  ASSERT_NE(video, nullptr);
  EXPECT_FALSE(video->isVisibleTo(dialog_.get()));
  EXPECT_EQ(video->geometry(), dialog_->Item(main_ids::kTabArea)->geometry());
  EXPECT_EQ(video->parentWidget(), dialog_->ClientArea());
}

TEST_F(MainDialog, TabButtonsFollowTheOptionsAndCloseDisablesThem) {
  SearchSelectOpen({kAudio, kSquad});
  const bool expected[] = {false, false, true, false, true, true, true};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Button(kTabButtons[i])->isEnabled(), expected[i]) << i;
  Click(kClose);
  for (int id : kTabButtons) EXPECT_FALSE(Button(id)->isEnabled());
}

TEST_F(MainDialog, ShowTabShowsOneTabAndRaisesItsButtonByTenPixels) {
  SearchSelectOpen({kVideo, kAudio});
  const int restingTop = Top(1121);
  Click(1123);  // AUDIO
  Click(1123);
  EXPECT_EQ(Top(1123), restingTop - 10);
  EXPECT_TRUE(dialog_->Tab(CNuvixSdkDlg::kAudio)->isVisibleTo(dialog_.get()));
  Click(1122);  // VIDEO
  EXPECT_EQ(Top(1123), restingTop);
  EXPECT_EQ(Top(1122), restingTop - 10);
  EXPECT_EQ(Button(1122)->geometry().bottom(), Button(1121)->geometry().bottom());
  EXPECT_FALSE(dialog_->Tab(CNuvixSdkDlg::kAudio)->isVisibleTo(dialog_.get()));
  EXPECT_TRUE(dialog_->Tab(CNuvixSdkDlg::kVideo)->isVisibleTo(dialog_.get()));
  EXPECT_TRUE(dialog_->TabStrip().IsRaised(1));
  // Closing moves the raised button back down.
  Click(kClose);
  EXPECT_EQ(Top(1122), restingTop);
}

TEST_F(MainDialog, ShrinkingBySixteenPixelsScrollsTwoStepsOfEight) {
  dialog_->show();
  const QSize full = dialog_->size();
  const QPoint searchAt = dialog_->Item(main_ids::kSearch)->pos();
  dialog_->resize(full.width() - 16, full.height() - 8);
  EXPECT_EQ(dialog_->ScrollMax(Qt::Horizontal), 2);
  EXPECT_EQ(dialog_->ScrollMax(Qt::Vertical), 2);
  EXPECT_EQ(dialog_->ScrollBar(Qt::Horizontal)->maximum(), 2);
  dialog_->OnScroll(Qt::Horizontal, CResizeDialog::Bottom);
  EXPECT_EQ(dialog_->Item(main_ids::kSearch)->pos(), searchAt - QPoint(16, 0));
  dialog_->OnScroll(Qt::Horizontal, CResizeDialog::LineDown);  // already at the end
  EXPECT_EQ(dialog_->ScrollPos(Qt::Horizontal), 2);
  dialog_->OnScroll(Qt::Horizontal, CResizeDialog::PageUp);  // -4 clamps to -2
  EXPECT_EQ(dialog_->Item(main_ids::kSearch)->pos(), searchAt);
  dialog_->OnScroll(Qt::Vertical, CResizeDialog::ThumbTrack, 1);
  EXPECT_EQ(dialog_->Item(main_ids::kSearch)->pos(), searchAt - QPoint(0, 4));
  dialog_->OnScroll(Qt::Vertical, CResizeDialog::ThumbPosition, 0);  // ignored
  EXPECT_EQ(dialog_->ScrollPos(Qt::Vertical), 1);
  // Growing back scrolls the content home.
  dialog_->resize(full);
  EXPECT_EQ(dialog_->ScrollMax(Qt::Vertical), 0);
  EXPECT_EQ(dialog_->ScrollBar(Qt::Vertical)->maximum(), 1);
  EXPECT_EQ(dialog_->Item(main_ids::kSearch)->pos(), searchAt);
}

TEST_F(MainDialog, ResizeLimitsAreTheMinimumTrackSizeAndTheTemplateSize) {
  EXPECT_EQ(dialog_->minimumSize(), QSize(325, 220));
  EXPECT_EQ(dialog_->maximumSize(), dialog_->size());
}

}  // namespace
