#include "win_dialog.h"

#include <QFont>

CWinDialog::CWinDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
  // Dialog units assume the small system font of the original dialogs; its
  // metrics are Arial's, which Liberation Sans shares.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  setFont(font);
  // The font goes into the style sheet too: a style sheet stops the edit
  // controls from taking the dialog's font. Check boxes and radio buttons get
  // the original's small indicator, so their captions fit the boxes the
  // dialog units give.
  setStyleSheet(QStringLiteral("QWidget { font: 11px \"Liberation Sans\"; }"
                               "QPushButton { padding: 0px 2px; }"
                               "QCheckBox, QRadioButton { spacing: 3px; }"
                               "QCheckBox::indicator, QRadioButton::indicator { width: 12px; height: 12px; }"));
}

void CWinDialog::BuildTemplate(std::span<const nuvix::win::ControlSpec> controls) {
  nuvix::win::BuildControls(ClientArea(), controls, controls_);
}
