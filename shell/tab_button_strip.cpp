#include "tab_button_strip.h"

#include <QWidget>
#include <algorithm>

#include "win_dialog.h"

void CTabButtonStrip::Init(const int* ids, uint32_t count, CWinDialog* parent) {
  count_ = std::min<uint32_t>(count, kCapacity);
  parent_ = parent;
  raised_.fill(0);
  ids_.fill(0);
  std::copy_n(ids, count_, ids_.begin());
}

QWidget* CTabButtonStrip::Button(uint32_t index) const {
  return parent_ && index < count_ ? parent_->Item(ids_[index]) : nullptr;
}

void CTabButtonStrip::MoveDown(uint32_t index) {
  if (QWidget* button = Button(index)) {
    QRect r = button->geometry();
    r.setTop(r.top() + kRaise);
    button->setGeometry(r);
  }
  raised_[index] = 0;
}

void CTabButtonStrip::SetState(uint32_t index, bool enabled) {
  if (index >= count_) return;
  if (QWidget* button = Button(index)) button->setEnabled(enabled);
  if (raised_[index]) MoveDown(index);
}

void CTabButtonStrip::Raise(uint32_t index) {
  for (uint32_t i = 0; i < count_; ++i) {
    if (raised_[i]) MoveDown(i);
  }
  if (index >= count_) return;
  if (QWidget* button = Button(index)) {
    QRect r = button->geometry();
    r.setTop(r.top() - kRaise);
    button->setGeometry(r);
    button->raise();
  }
  raised_[index] = 1;
}
