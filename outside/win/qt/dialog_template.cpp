#include "dialog_template.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace nuvix::win {
namespace {

constexpr int kBaseUnitX = 7;
constexpr int kBaseUnitY = 13;

int MulDiv(int value, int mul, int div) { return (value * mul + div / 2) / div; }

QWidget* MakeControl(QWidget* parent, const ControlSpec& spec, QButtonGroup*& radioGroup) {
  const QString caption = QString::fromLatin1(spec.caption ? spec.caption : "");
  switch (spec.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(caption, parent);
      button->setDefault(spec.kind == ControlKind::DefPushButton);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::CheckBox: return new QCheckBox(caption, parent);
    case ControlKind::PushLikeRadio:
    case ControlKind::Radio: {
      QAbstractButton* button;
      if (spec.kind == ControlKind::Radio) {
        button = new QRadioButton(caption, parent);
      } else {
        auto* push = new QPushButton(caption, parent);
        push->setCheckable(true);
        push->setAutoDefault(false);
        button = push;
      }
      // Windows groups auto radio buttons that follow each other; a group
      // starts at a button with the group style.
      if (!radioGroup || (spec.style & kGroupStart)) {
        radioGroup = new QButtonGroup(parent);
        radioGroup->setExclusive(true);
      }
      radioGroup->addButton(button);
      return button;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(caption, parent);
      edit->setReadOnly(spec.style & kReadOnly);
      return edit;
    }
    case ControlKind::MultiEdit: {
      auto* edit = new QPlainTextEdit(caption, parent);
      edit->setVerticalScrollBarPolicy((spec.style & kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      edit->setUndoRedoEnabled(false);
      // An edit control keeps its text a pixel from the frame.
      edit->document()->setDocumentMargin(1);
      edit->setReadOnly(spec.style & kReadOnly);
      return edit;
    }
    case ControlKind::Static: return new QLabel(caption, parent);
    case ControlKind::Frame: {
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::Box);
      return frame;
    }
    case ControlKind::Icon: return new QLabel(parent);
    case ControlKind::GroupBox: return new QGroupBox(caption, parent);
    case ControlKind::ComboBox: return new QComboBox(parent);
    case ControlKind::Trackbar: return new QSlider(Qt::Horizontal, parent);
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return nullptr;
}

}  // namespace

QRect DialogUnitsToPixels(int x, int y, int w, int h) {
  return QRect(MulDiv(x, kBaseUnitX, 4), MulDiv(y, kBaseUnitY, 8), MulDiv(w, kBaseUnitX, 4),
               MulDiv(h, kBaseUnitY, 8));
}

QSize DialogUnitsToPixels(int w, int h) { return DialogUnitsToPixels(0, 0, w, h).size(); }

QWidget* ControlMap::Item(int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? nullptr : it->second;
}

void BuildControls(QWidget* parent, std::span<const ControlSpec> controls, ControlMap& map) {
  QButtonGroup* radioGroup = nullptr;
  for (const ControlSpec& spec : controls) {
    if (spec.kind != ControlKind::Radio && spec.kind != ControlKind::PushLikeRadio) radioGroup = nullptr;
    QWidget* widget = MakeControl(parent, spec, radioGroup);
    widget->setGeometry(DialogUnitsToPixels(spec.x, spec.y, spec.w, spec.h));
    widget->setEnabled(!(spec.style & kDisabled));
    if (spec.id != 0) {
      widget->setObjectName(QString::number(spec.id));
      map.Add(spec.id, widget);
    }
  }
}

void SetChecked(QAbstractButton* button, bool checked) {
  if (!button) return;
  QButtonGroup* group = button->group();
  if (group && !checked) {
    group->setExclusive(false);
    button->setChecked(false);
    group->setExclusive(true);
  } else {
    button->setChecked(checked);
  }
}

}  // namespace nuvix::win
