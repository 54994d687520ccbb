#include "live_tab.h"

#include "placeholder_tab.h"

CLiveTab::CLiveTab() : CTabDialog(110) {}

void CLiveTab::OnInitDialog() { ShowPlaceholder(this, "LIVE"); }
