#include "pinax_tab.h"

#include "placeholder_tab.h"

CPinaxTab::CPinaxTab() : CTabDialog(115) {}

void CPinaxTab::OnInitDialog() { ShowPlaceholder(this, "PINAX"); }
