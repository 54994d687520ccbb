// Places the overlay over a window's client area: clipping to the screen,
// the adapter's stretch limits and alignments, source rectangle to match.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "ddraw_overlay.h"

struct OverlayPlacement {
  RECT source;
  RECT destination;
};

// Where an overlay of width × height shows for a destination d in screen
// coordinates on a screen of screenWidth × screenHeight; nothing when it
// shows nowhere (off the screen, or clipped and aligned down to nothing).
std::optional<OverlayPlacement> PlaceOverlay(RECT d, uint32_t width, uint32_t height, int32_t screenWidth,
                                             int32_t screenHeight, const OverlayLimits& limits);

class COverlayPlacer {
 public:
  COverlayPlacer() = default;
  ~COverlayPlacer() { Close(); }
  COverlayPlacer(const COverlayPlacer&) = delete;
  COverlayPlacer& operator=(const COverlayPlacer&) = delete;

  // colourKey is 0x00BBGGRR; info receives the overlay's record. 1 success, 0 failure.
  int Open(QWidget* window, uint32_t colourKey, uint32_t width, uint32_t height, OverlayInfo& info,
           uint32_t fourcc);
  void Close();
  // show 0 hides the overlay, 1 places it over the window's client area.
  // 0 when not open or nothing could be shown.
  int UpdatePosition(int show);

  bool IsOpen() const { return open_; }
  const OverlayInfo& Info() const { return info_; }

 private:
  std::unique_ptr<CDDrawOverlay> overlay_;
  OverlayInfo info_;
  uint32_t fourcc_ = 0;
  QPointer<QWidget> window_;
  bool open_ = false;
};
