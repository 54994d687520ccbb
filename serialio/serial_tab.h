// The SERIAL tab.
#pragma once

#include "tab_dialog.h"

class CSerialTab : public CTabDialog {
  Q_OBJECT
 public:
  CSerialTab();

 protected:
  void OnInitDialog() override;
};
