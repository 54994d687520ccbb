// Makes the tab object of each tab index of the main dialog.
#pragma once

class CTabDialog;

CTabDialog* MakeTab(int tabIndex);
