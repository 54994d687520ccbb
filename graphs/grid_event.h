// One notification of the grid control, decoded once: the button and how it
// was pressed (or how far the wheel turned), and the cell it happened in.
#pragma once

#include <QPoint>
#include <cstdint>

namespace nuvix {

struct GridEvent {
  enum class Button { kNone, kLeft, kRight };

  Button button = Button::kNone;  // kNone: the wheel (or a message the grid never sends)
  bool doubleClick = false;
  bool repeat = false;  // a held press, repeated every kFixGRepeatMs
  int wheelDelta = 0;   // the wheel's turn, 120 a notch
  int column = 0, row = 0;

  // From the control's message (a press message, with the repeat bit while a
  // press is held, or wheel delta << 16 + the wheel message) and its cell.
  static GridEvent FromMessage(uint32_t message, QPoint cell);

  bool IsWheel() const { return button == Button::kNone && wheelDelta != 0; }
  // A single press of either button: not held, not a double click, not the wheel.
  bool IsSinglePress() const { return button != Button::kNone && !doubleClick && !repeat; }
  // The step a settings row takes: left one down, right one up, the wheel a
  // step a notch (its sign).
  int Step() const;

  friend bool operator==(const GridEvent&, const GridEvent&) = default;
};

// What a press or a wheel turn over a cell gives (for tours, tests and the soak).
inline GridEvent LeftPress(int column, int row) {
  return {.button = GridEvent::Button::kLeft, .column = column, .row = row};
}
inline GridEvent RightPress(int column, int row) {
  return {.button = GridEvent::Button::kRight, .column = column, .row = row};
}
inline GridEvent WheelTurn(int delta, int column, int row) { return {.wheelDelta = delta, .column = column, .row = row}; }

}  // namespace nuvix
