#include "tab_dialog.h"

#include "nuvix_sdk_dlg.h"
#include "timing.h"

CTabDialog::CTabDialog(int resourceId) : CWinDialog(nullptr), resourceId_(resourceId) {}

void CTabDialog::Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra) {
  owner_ = owner;
  boardIndex_ = boardIndex;
  caps_ = caps;
  extra_ = extra;
}

void CTabDialog::Pause(uint32_t ms) {
  CNuvixSdkDlg::PauseScope scope(owner_);
  PumpWait(ms, QEventLoop::ExcludeUserInputEvents);
}

void CTabDialog::Create(QWidget* parent) {
  setParent(parent, Qt::Widget);
  setObjectName(QStringLiteral("tab%1").arg(resourceId_));
  hide();
  OnInitDialog();
}
