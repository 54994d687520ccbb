// The LIVE tab.
#pragma once

#include "tab_dialog.h"

class CLiveTab : public CTabDialog {
  Q_OBJECT
 public:
  CLiveTab();

 protected:
  void OnInitDialog() override;
};
