#include "squad_tab.h"

#include "placeholder_tab.h"

CSquadTab::CSquadTab() : CTabDialog(196) {}

void CSquadTab::OnInitDialog() { ShowPlaceholder(this, "SQUAD"); }
