// The SQUAD tab.
#pragma once

#include "tab_dialog.h"

class CSquadTab : public CTabDialog {
  Q_OBJECT
 public:
  CSquadTab();

 protected:
  void OnInitDialog() override;
};
