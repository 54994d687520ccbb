#include "qt_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QStringList>

namespace nuvix::win {

QString QtFileFilter(const std::string& windowsFilter) {
  const QStringList parts = QString::fromStdString(windowsFilter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

void QtPrompts::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text).trimmed());
  switch (icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::None: break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

std::optional<std::string> QtPrompts::ChooseFile(bool openForRead, const std::string& defaultExtension,
                                                 const std::string& filter) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(openForRead ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(openForRead ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  dialog.setNameFilter(QtFileFilter(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<ChosenFont> QtPrompts::ChooseFont() {
  bool ok = false;
  QFont font = QFontDialog::getFont(&ok, QApplication::activeWindow());
  if (!ok) return std::nullopt;
  ChosenFont chosen;
  chosen.faceName = font.family().toStdString();
  chosen.height = font.pixelSize() > 0 ? font.pixelSize() : font.pointSize();
  chosen.weight = font.weight() >= QFont::Bold ? 700 : 400;
  chosen.italic = font.italic();
  return chosen;
}

}  // namespace nuvix::win
