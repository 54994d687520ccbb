// The holder of the one overlay window: opens and closes the view window
// with its overlay, and reads where the overlay surface lies in memory.
#pragma once

#include <cstdint>

#include "ddraw_overlay.h"

class COverlayViewWnd;

class COverlaySlot {
 public:
  static constexpr uint32_t kColourKey = 0xFF00FF;  // magenta

  COverlaySlot() = default;
  ~COverlaySlot() { Close(); }
  COverlaySlot(const COverlaySlot&) = delete;
  COverlaySlot& operator=(const COverlaySlot&) = delete;

  // False when this or another slot is open already, or the overlay cannot be had.
  bool Open(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight, uint32_t fourcc);
  COverlayViewWnd* Get() const { return view_; }
  void Close();
  // The overlay surface's memory and line pitch in bytes; false when closed.
  bool QuerySurface(void*& address, uint32_t& pitch);
  const OverlayInfo& Info() const { return info_; }

 private:
  COverlayViewWnd* view_ = nullptr;
  OverlayInfo info_;
};
