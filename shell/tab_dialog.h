// Base of the seven tab dialogs that live in the main dialog's tab area.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board_tables.h"
#include "win_dialog.h"

class CNuvixSdkDlg;

// One step of the scripted tour: a name for the screenshot, an action, and
// the window to photograph (the main dialog when none is given or it is null).
struct TourStep {
  std::string name;
  std::function<void()> action;
  std::function<QWidget*()> shot = {};
};

class CTabDialog : public CWinDialog {
  Q_OBJECT
 public:
  explicit CTabDialog(int resourceId);

  // Called before the window exists, with the open board's capabilities. extra
  // is the tab's own argument (the video standard, or the APlay option for the
  // play tab; 0 otherwise).
  virtual void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra);
  // Creates the window as a hidden child of parent.
  void Create(QWidget* parent);

  int ResourceId() const { return resourceId_; }
  int BoardIndex() const { return boardIndex_; }
  int Model() const { return caps_.Model(); }
  const BoardCaps& Caps() const { return caps_; }
  int Extra() const { return extra_; }
  CNuvixSdkDlg* Owner() const { return owner_; }

  // Waits ms milliseconds inside a handler, repainting but taking no user
  // input; the board cannot be closed under it.
  void Pause(uint32_t ms);

  // The tab's steps of the scripted tour, run after its button is pressed.
  virtual std::vector<TourStep> TourSteps() { return {}; }

 protected:
  // Builds the controls and starts what the tab runs; the window exists.
  virtual void OnInitDialog() {}

 private:
  int resourceId_;
  CNuvixSdkDlg* owner_ = nullptr;
  int boardIndex_ = 0;
  BoardCaps caps_;
  int extra_ = 0;
};
