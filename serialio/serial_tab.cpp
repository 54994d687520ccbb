#include "serial_tab.h"

#include "placeholder_tab.h"

CSerialTab::CSerialTab() : CTabDialog(113) {}

void CSerialTab::OnInitDialog() { ShowPlaceholder(this, "SERIAL"); }
