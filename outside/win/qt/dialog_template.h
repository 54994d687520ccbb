// Dialog templates: controls described by (id, kind, caption, place in dialog
// units) are created as Qt widgets and looked up by their ids.
#pragma once

#include <QRect>
#include <QWidget>
#include <map>
#include <span>

class QAbstractButton;

namespace nuvix::win {

enum class ControlKind {
  PushButton,
  DefPushButton,
  CheckBox,       // auto check box
  PushLikeRadio,  // push-like auto radio button
  Radio,          // auto radio button
  Edit,           // single-line edit
  MultiEdit,      // multi-line edit (kVScroll adds a vertical scroll bar)
  Static,
  Frame,
  Icon,
  GroupBox,
  ComboBox,  // drop-down list
  Trackbar,
  Progress,
};

enum ControlStyle : unsigned {
  kNoStyle = 0,
  kDisabled = 1u << 0,
  kGroupStart = 1u << 1,  // radio buttons: starts a new exclusive group
  kVScroll = 1u << 2,     // multi-line edits: vertical scroll bar
  kReadOnly = 1u << 3,    // edits
};

struct ControlSpec {
  int id;  // 0 for controls nobody looks up
  ControlKind kind;
  const char* caption;
  int x, y, w, h;  // dialog units
  unsigned style = kNoStyle;
};

// Dialog units of the system font (base units 6 x 13 pixels).
QRect DialogUnitsToPixels(int x, int y, int w, int h);
QSize DialogUnitsToPixels(int w, int h);

// The controls of one dialog, by id.
class ControlMap {
 public:
  QWidget* Item(int id) const;
  template <typename T>
  T* ItemAs(int id) const {
    return qobject_cast<T*>(Item(id));
  }
  void Add(int id, QWidget* widget) { items_[id] = widget; }

 private:
  std::map<int, QWidget*> items_;
};

// Creates every control of the template as a child of parent and records it in map.
void BuildControls(QWidget* parent, std::span<const ControlSpec> controls, ControlMap& map);

// Sets a button's check state; also unchecks an auto-exclusive radio button,
// which Qt otherwise refuses.
void SetChecked(QAbstractButton* button, bool checked);

}  // namespace nuvix::win
