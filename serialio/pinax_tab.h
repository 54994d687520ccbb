// The PINAX tab.
#pragma once

#include "tab_dialog.h"

class CPinaxTab : public CTabDialog {
  Q_OBJECT
 public:
  CPinaxTab();

 protected:
  void OnInitDialog() override;
};
