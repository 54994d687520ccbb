// The VIDEO tab.
#pragma once

#include "tab_dialog.h"

class CVideoTab : public CTabDialog {
  Q_OBJECT
 public:
  CVideoTab();

 protected:
  void OnInitDialog() override;
};
