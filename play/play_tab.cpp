#include "play_tab.h"

#include "placeholder_tab.h"

CPlayTab::CPlayTab() : CTabDialog(114) {}

void CPlayTab::OnInitDialog() { ShowPlaceholder(this, "PLAY"); }
