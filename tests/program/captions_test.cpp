// Every caption the program shows fits its box with the fonts the program
// uses: the main dialog and every tab on every model, the settings grids'
// label and value cells, the board detail box with its last line.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QStyleOptionButton>

#include "app_fixture.h"
#include "fixg_ctrl.h"

namespace {

// A description of the first way the widget's text does not fit, or nothing.
std::string Misfit(QWidget* widget) {
  const QFontMetrics metrics = widget->fontMetrics();
  const auto describe = [&](const QString& text, QSize needed) {
    return "\"" + text.toStdString() + "\" needs " + std::to_string(needed.width()) + "x" +
           std::to_string(needed.height()) + ", has " + std::to_string(widget->width()) + "x" +
           std::to_string(widget->height());
  };
  if (auto* button = qobject_cast<QAbstractButton*>(widget);
      button && !button->text().isEmpty() && (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button))) {
    // The text starts where the style puts the contents after the indicator.
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool check = qobject_cast<QCheckBox*>(button) != nullptr;
    const QRect contents =
        button->style()->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option,
                                        button);
    const QSize needed(contents.left() + metrics.horizontalAdvance(button->text()), metrics.height());
    if (needed.width() > button->width() || needed.height() > button->height()) return describe(button->text(), needed);
  } else if (auto* push = qobject_cast<QPushButton*>(widget); push && !push->text().isEmpty()) {
    QStyleOptionButton option;
    option.initFrom(push);
    option.text = push->text();
    const QSize text(metrics.horizontalAdvance(push->text()), metrics.height());
    const QSize needed = push->style()->sizeFromContents(QStyle::CT_PushButton, &option, text, push);
    if (needed.width() > push->width() || text.height() > push->height()) return describe(push->text(), needed);
  } else if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty() && !label->wordWrap()) {
    const QSize needed = metrics.size(0, label->text());
    if (needed.width() > label->contentsRect().width() || needed.height() > label->contentsRect().height())
      return describe(label->text(), needed);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget); group && !group->title().isEmpty()) {
    const int needed = metrics.horizontalAdvance(group->title()) + 2 * metrics.averageCharWidth();
    if (needed > group->width()) return describe(group->title(), QSize(needed, metrics.height()));
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget);
             edit && edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && !edit->toPlainText().isEmpty()) {
    // A box without a scroll bar shows all its lines (the empty one after a
    // final line break aside).
    int lines = edit->document()->blockCount();
    if (edit->document()->lastBlock().text().isEmpty()) --lines;
    const QSize needed(0, lines * metrics.lineSpacing() + 2 * static_cast<int>(edit->document()->documentMargin()));
    if (needed.height() > edit->viewport()->height()) return describe(edit->toPlainText(), needed);
  }
  return {};
}

void ExpectEverythingFits(CNuvixSdkDlg& dialog, const std::string& where) {
  for (QWidget* widget : dialog.findChildren<QWidget*>()) {
    const std::string misfit = Misfit(widget);
    EXPECT_TRUE(misfit.empty()) << where << ": control " << widget->objectName().toStdString() << " " << misfit;
  }
  for (nuvix::CFixGCtrl* grid : dialog.findChildren<nuvix::CFixGCtrl*>()) {
    for (int column = 0; column < grid->Columns(); ++column) {
      for (int row = 0; row < grid->Rows(); ++row) {
        EXPECT_FALSE(grid->CellClipped(column, row))
            << where << ": grid cell " << column << "," << row << " \"" << grid->CellText(column, row).toStdString()
            << "\"";
      }
    }
  }
}

class Captions : public AppFixture {};

TEST_F(Captions, FitTheirBoxesInTheMainDialogAndEveryTabOfEveryModel) {
  const char* const kModels[] = {"QLA04", "QLA08", "QLA16", "QCA02", "QCA04", "QCA08"};
  for (const char* model : kModels) {
    dialog_.reset();
    OpenBoard(model, {main_ids::kVideoOption, main_ids::kAudioOption, main_ids::kAPlayOption,
                      main_ids::kSerialOption, main_ids::kSquadOption});
    for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab) {
      if (!dialog_->Tab(tab)) continue;
      Click(main_ids::kTabButtons[tab]);
      QApplication::processEvents();
    }
    ExpectEverythingFits(*dialog_, model);
  }
}

}  // namespace
