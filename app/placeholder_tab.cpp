#include "placeholder_tab.h"

#include <QLabel>
#include <QVBoxLayout>

void ShowPlaceholder(QWidget* tab, const char* title) {
  auto* layout = new QVBoxLayout(tab);
  auto* label = new QLabel(QStringLiteral("%1 TAB\n\nThis tab is not available in this build yet.").arg(title), tab);
  label->setAlignment(Qt::AlignCenter);
  layout->addWidget(label);
}
