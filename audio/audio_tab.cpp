#include "audio_tab.h"

#include "placeholder_tab.h"

CAudioTab::CAudioTab() : CTabDialog(112) {}

void CAudioTab::OnInitDialog() { ShowPlaceholder(this, "AUDIO"); }
