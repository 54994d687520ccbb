#include "win_dialog.h"

#include <QFont>

CWinDialog::CWinDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
  // Dialog units assume the small system font of the original dialogs.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  setFont(font);
  setStyleSheet(QStringLiteral("QPushButton { padding: 0px 2px; }"));
}

void CWinDialog::BuildTemplate(std::span<const nuvix::win::ControlSpec> controls) {
  nuvix::win::BuildControls(ClientArea(), controls, controls_);
}
