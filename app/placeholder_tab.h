// The face of a tab whose controls are not built yet.
#pragma once

class QWidget;

void ShowPlaceholder(QWidget* tab, const char* title);
