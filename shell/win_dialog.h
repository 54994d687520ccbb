// A dialog built from a dialog template, its controls looked up by id.
#pragma once

#include <QDialog>
#include <span>

#include "dialog_template.h"

class CWinDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CWinDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

  QWidget* Item(int id) const { return controls_.Item(id); }
  template <typename T>
  T* ItemAs(int id) const {
    return controls_.ItemAs<T>(id);
  }

  // The widget the controls live on (the dialog itself unless a subclass scrolls them).
  virtual QWidget* ClientArea() { return this; }

 protected:
  void BuildTemplate(std::span<const nuvix::win::ControlSpec> controls);

 private:
  nuvix::win::ControlMap controls_;
};
