// The row of tab buttons; the chosen one stands 10 pixels higher than the rest.
#pragma once

#include <array>
#include <cstdint>

class CWinDialog;
class QWidget;

class CTabButtonStrip {
 public:
  static constexpr int kCapacity = 10;
  static constexpr int kRaise = 10;

  // Takes the button ids in tab-index order; clears every raised mark.
  void Init(const int* ids, uint32_t count, CWinDialog* parent);
  // Enables or disables button index; a raised one is moved back down.
  void SetState(uint32_t index, bool enabled);
  // Moves every raised button down, then raises this one.
  void Raise(uint32_t index);
  bool IsRaised(uint32_t index) const { return index < count_ && raised_[index]; }
  uint32_t Count() const { return count_; }

 private:
  QWidget* Button(uint32_t index) const;
  void MoveDown(uint32_t index);

  std::array<uint8_t, kCapacity> raised_{};
  std::array<int32_t, kCapacity> ids_{};
  uint32_t count_ = 0;
  CWinDialog* parent_ = nullptr;
};
