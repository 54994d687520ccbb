// The PLAY tab.
#pragma once

#include "tab_dialog.h"

class CPlayTab : public CTabDialog {
  Q_OBJECT
 public:
  CPlayTab();

 protected:
  void OnInitDialog() override;
};
