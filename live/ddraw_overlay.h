// The DirectDraw device, primary surface and YUV overlay surface of one open
// overlay: creates them, shows, moves and hides the overlay.
#pragma once

#include <cstdint>

#include "ddraw_emu.h"

// What the overlay slot keeps of an open overlay.
struct OverlayInfo {
  nuvix::ddraw::IDirectDraw7* device = nullptr;
  nuvix::ddraw::IDirectDrawSurface7* primary = nullptr;
  nuvix::ddraw::IDirectDrawSurface7* overlay = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t fourcc = 0;
};

// The adapter's stretch (1000 = factor 1.0) and alignment limits (0 = none).
struct OverlayLimits {
  uint32_t minStretch = 0, maxStretch = 0;
  uint32_t destBoundary = 0, srcBoundary = 0, destSize = 0, srcSize = 0;
};

class CDDrawOverlay {
 public:
  enum Result { kOk = 0, kNoDevice = 1, kNoOverlayCaps = 2, kNoSurface = 3 };

  CDDrawOverlay() = default;
  ~CDDrawOverlay() { CloseAll(); }
  CDDrawOverlay(const CDDrawOverlay&) = delete;
  CDDrawOverlay& operator=(const CDDrawOverlay&) = delete;

  // Everything created is released again on failure.
  int Open(void* window, uint32_t width, uint32_t height, uint32_t fourcc);
  // colour is 0x00BBGGRR.
  void SetColorKey(uint32_t colour);
  bool ShowOverlay(const RECT& source, const RECT& destination);
  bool HideOverlay();
  void GetInfo(OverlayInfo& info) const;
  void CloseAll();

  const OverlayLimits& Limits() const { return limits_; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }

 private:
  void ReleaseOverlay();
  bool OpenDevice();
  bool ReadCaps();
  bool CreateOverlay(uint32_t formatIndex);
  uint32_t ColorMatch(nuvix::ddraw::IDirectDrawSurface7* surface, uint32_t colour);

  nuvix::ddraw::IDirectDraw7* device_ = nullptr;
  nuvix::ddraw::IDirectDrawSurface7* primary_ = nullptr;
  nuvix::ddraw::IDirectDrawSurface7* overlay_ = nullptr;
  nuvix::ddraw::DDOVERLAYFX effects_;
  void* window_ = nullptr;
  uint32_t width_ = 0, height_ = 0;
  uint32_t formatIndex_ = 0;  // 0 YUY2, 1 UYVY: the format actually created
  OverlayLimits limits_;
  nuvix::ddraw::DDSURFACEDESC2 desc_;
  nuvix::ddraw::DDCAPS caps_;
  nuvix::ddraw::HRESULT lastResult_ = nuvix::ddraw::DD_OK;
};
