#include "video_tab.h"

#include "placeholder_tab.h"

CVideoTab::CVideoTab() : CTabDialog(111) {}

void CVideoTab::OnInitDialog() { ShowPlaceholder(this, "VIDEO"); }
