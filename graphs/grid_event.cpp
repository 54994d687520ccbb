#include "grid_event.h"

#include "fixg_ctrl.h"

namespace nuvix {

GridEvent GridEvent::FromMessage(uint32_t message, QPoint cell) {
  GridEvent event;
  event.column = cell.x();
  event.row = cell.y();
  event.repeat = (message & kFixGRepeatBit) != 0;
  switch (message & 0xFFFF & ~kFixGRepeatBit) {
    case kFixGLButtonDown: event.button = Button::kLeft; break;
    case kFixGLButtonDouble: event.button = Button::kLeft; event.doubleClick = true; break;
    case kFixGRButtonDown: event.button = Button::kRight; break;
    case kFixGRButtonDouble: event.button = Button::kRight; event.doubleClick = true; break;
    case kFixGWheel:
      event.repeat = false;
      event.wheelDelta = static_cast<int16_t>(message >> 16);
      break;
    default: break;
  }
  return event;
}

int GridEvent::Step() const {
  switch (button) {
    case Button::kLeft: return -1;
    case Button::kRight: return 1;
    case Button::kNone: return wheelDelta / 120;
  }
  return 0;
}

}  // namespace nuvix
