// The AUDIO tab.
#pragma once

#include "tab_dialog.h"

class CAudioTab : public CTabDialog {
  Q_OBJECT
 public:
  CAudioTab();

 protected:
  void OnInitDialog() override;
};
