// The holder of the one overlay window: opens and closes the view window
// with its overlay, and reads where the overlay surface lies in memory.
#pragma once

#include <cstdint>
#include <memory>

#include "ddraw_overlay.h"

class COverlayPlacer;
class COverlayViewWnd;

class COverlaySlot {
 public:
  static constexpr uint32_t kColourKey = 0xFF00FF;  // magenta

  COverlaySlot();
  ~COverlaySlot();
  COverlaySlot(const COverlaySlot&) = delete;
  COverlaySlot& operator=(const COverlaySlot&) = delete;

  // False when the slot is open already, or the overlay cannot be had (the
  // display adapter has one, so a second slot cannot open while one is open).
  bool Open(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight, uint32_t fourcc);
  COverlayViewWnd* Get() const { return view_.get(); }
  void Close();
  // The overlay surface's memory and line pitch in bytes; false when closed.
  bool QuerySurface(void*& address, uint32_t& pitch);
  const OverlayInfo& Info() const { return info_; }

 private:
  std::unique_ptr<COverlayViewWnd> view_;
  std::unique_ptr<COverlayPlacer> placer_;
  OverlayInfo info_;
};
