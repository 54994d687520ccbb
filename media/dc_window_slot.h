// CDcWindowSlot: holder of one RGB display window, which it titles, creates and destroys.
#pragma once

#include <memory>

#include <QRect>

#include "rgb_wnd.h"

namespace nuvix {

class CDcWindowSlot {
 public:
  CDcWindowSlot() = default;
  ~CDcWindowSlot();
  CDcWindowSlot(const CDcWindowSlot&) = delete;
  CDcWindowSlot& operator=(const CDcWindowSlot&) = delete;

  // Opens a window titled "DC Win:<name>" when a name is given, else "DC %2d Window"
  // with channel + 1. A slot that already holds a window keeps it untouched and
  // answers true. False, leaving the slot empty, when the window cannot be created.
  bool Open(int width, int height, const char* name, int channel, const QRect* screen = nullptr);

  CRgbWnd* Get() const { return m_window.get(); }

  // Destroys the held window, if any. Workers that draw into it must be stopped first.
  void Close();

  // The title Open gives a window.
  static QString Title(const char* name, int channel);

 private:
  std::unique_ptr<CRgbWnd> m_window;
};

}  // namespace nuvix
