// The main dialog: board search, selection, open and close, the option boxes,
// the tab buttons and tab area, and the log window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>
#include <string>

#include "board_tables.h"
#include "nuvixi.h"
#include "resize_dialog.h"
#include "screen_division_hand_off.h"
#include "tab_button_strip.h"

class CTabDialog;
class QPoint;
class QPlainTextEdit;

class CNuvixSdkDlg : public CResizeDialog {
  Q_OBJECT
 public:
  static constexpr int kTabCount = 7;
  enum TabIndex { kLive = 0, kVideo = 1, kAudio = 2, kSerial = 3, kSquad = 4, kPinax = 5, kPlay = 6 };

  // Makes the tab object of a tab index (constructed, not yet initialised).
  using TabFactory = std::function<CTabDialog*(int tabIndex)>;

  explicit CNuvixSdkDlg(TabFactory factory, QWidget* parent = nullptr);
  ~CNuvixSdkDlg() override;

  // Board access.
  void SearchBoards();
  void SelectBoard(int index);
  int OpenBoard(int standard);
  void CloseBoard();

  // Tabs.
  void CreateTab(int tabIndex);
  void DestroyTab(int tabIndex);
  void SetTabButtons(const std::array<int, kTabCount>& states);
  void ShowTab(int tabIndex);
  CTabDialog* Tab(int tabIndex) const { return tabs_[tabIndex]; }
  const CTabButtonStrip& TabStrip() const { return tabStrip_; }

  // Log window (it takes typing too): inserts text at the caret, keeping any
  // selected text; returns the line count afterwards.
  int InsertLogText(const std::string& text);
  void ClearLog();
  int LogLineCount() const;
  QPlainTextEdit* LogEdit() const;
  // Every log text is also handed to each mirror (the tour prints them, --log
  // writes them to a file); the log written so far is handed over at once.
  // The selected board's capabilities.
  const BoardCaps& Caps() const { return caps_; }
  void AddLogMirror(std::function<void(const std::string&)> mirror);
  // Writes the log as it shows now to path (replacing the file); false when it
  // cannot be written. The log list's context menu offers it as "Save Log...".
  bool SaveLog(const std::string& path) const;

  // The screen-division view that captured frames are handed to (null: none).
  // Set by the screen-division tab; returns once no frame is inside the old view.
  void SetScreenDivision(IScreenDivisionSink* sink) { screenDivision_.Set(sink); }
  // Hands a captured frame to the view; called on capture worker threads.
  void PassToScreenDivision(int32_t channel, const void* image, int32_t width, int32_t height) {
    screenDivision_.Pass(channel, image, width, height);
  }

  // While a tab pauses inside one of its handlers (a short wait that keeps the
  // window painting), closing the board waits until the handler has returned.
  class PauseScope {
   public:
    explicit PauseScope(CNuvixSdkDlg* dialog) : dialog_(dialog) {
      if (dialog_) ++dialog_->pauses_;
    }
    ~PauseScope() {
      if (dialog_) --dialog_->pauses_;
    }
    PauseScope(const PauseScope&) = delete;
    PauseScope& operator=(const PauseScope&) = delete;

   private:
    CNuvixSdkDlg* dialog_;
  };

  int BoardIndex() const { return boardIndex_; }
  bool IsBoardOpen() const { return boardOpen_ != 0; }
  int VideoStandard() const { return videoStandard_; }

 protected:
  void done(int result) override;

 private:
  void BuildControls();
  void ConnectControls();
  void ShowLogMenu(const QPoint& position);
  void InitDialog();
  void ShowDetail();
  void ListBoards();
  void AllowSquad();
  void RefuseOption(int id);
  uint32_t OpenFlags() const;
  void ConnectOption(int id, int32_t& field);

  TabFactory factory_;
  int32_t boardIndex_ = 0;
  int32_t modelCode_ = 0;
  BoardCaps caps_;  // the selected board's
  NUVIXI_SEARCH_RESULT search_{};
  NUVIXI_BOARD_DETAIL detail_{};
  int32_t optionVideo_ = 0;
  int32_t optionAudio_ = 0;
  int32_t optionAPlay_ = 0;
  int32_t optionSerial_ = 0;
  int32_t optionSquad_ = 0;
  int32_t boardOpen_ = 0;
  int32_t videoStandard_ = 0;
  std::array<CTabDialog*, kTabCount> tabs_{};
  CTabButtonStrip tabStrip_;
  std::vector<std::function<void(const std::string&)>> logMirrors_;
  CScreenDivisionHandOff screenDivision_;
  int pauses_ = 0;
};

// Writes "RV(code) = text" into the main dialog's log, then the error text when
// code is not success; shows the last line in a message box when showBox is set.
// Safe to call from worker threads: the lines reach the log through the GUI thread.
void LogResult(CNuvixSdkDlg* window, uint32_t code, int showBox, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// LogResult for a call whose success is not logged: only a failure is written.
void LogFailure(CNuvixSdkDlg* window, uint32_t code, const char* format, ...) __attribute__((format(printf, 3, 4)));
// The one line of a channel whose recording a failed write ended (error: errno).
void LogRecordingStopped(CNuvixSdkDlg* window, int channel, int error);
