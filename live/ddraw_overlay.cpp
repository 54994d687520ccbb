#include "ddraw_overlay.h"

#include <cstring>

#include "nuvixi.h"

using namespace nuvix::ddraw;

namespace {

constexpr uint32_t kFormatFourccs[2] = {kFourccYuy2, kFourccUyvy};
constexpr uint32_t kNoColour = 0xFFFFFFFFu;

}  // namespace

int CDDrawOverlay::Open(void* window, uint32_t width, uint32_t height, uint32_t fourcc) {
  window_ = window;
  width_ = width;
  height_ = height;
  formatIndex_ = 0;
  int result = kNoDevice;
  if (OpenDevice()) {
    result = kNoOverlayCaps;
    if (ReadCaps()) {
      result = kNoSurface;
      const uint32_t first = fourcc == kFourccUyvy ? 1 : 0;
      if (CreateOverlay(first) || CreateOverlay(1 - first)) return kOk;
    }
  }
  CloseAll();
  return result;
}

bool CDDrawOverlay::OpenDevice() {
  if (!window_ || device_) return false;
  lastResult_ = DirectDrawCreateEx(&device_);
  if (lastResult_ != DD_OK) return false;
  lastResult_ = device_->SetCooperativeLevel(window_, DDSCL_NORMAL);
  if (lastResult_ != DD_OK) return false;
  desc_ = DDSURFACEDESC2{};
  desc_.dwFlags = DDSD_CAPS;
  desc_.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  lastResult_ = device_->CreateSurface(&desc_, &primary_);
  return lastResult_ == DD_OK;
}

bool CDDrawOverlay::ReadCaps() {
  caps_ = DDCAPS{};
  lastResult_ = device_->GetCaps(&caps_);
  if (lastResult_ != DD_OK) return false;
  if (!(caps_.dwCaps & DDCAPS_OVERLAY) || !(caps_.dwCKeyCaps & DDCKEYCAPS_DESTOVERLAY)) return false;
  const bool stretch = caps_.dwCaps & DDCAPS_OVERLAYSTRETCH;
  limits_.minStretch = stretch ? caps_.dwMinOverlayStretch : 1000;
  limits_.maxStretch = stretch ? caps_.dwMaxOverlayStretch : 1000;
  limits_.destBoundary = caps_.dwCaps & DDCAPS_ALIGNBOUNDARYDEST ? caps_.dwAlignBoundaryDest : 0;
  limits_.srcBoundary = caps_.dwCaps & DDCAPS_ALIGNBOUNDARYSRC ? caps_.dwAlignBoundarySrc : 0;
  limits_.destSize = caps_.dwCaps & DDCAPS_ALIGNSIZEDEST ? caps_.dwAlignSizeDest : 0;
  limits_.srcSize = caps_.dwCaps & DDCAPS_ALIGNSIZESRC ? caps_.dwAlignSizeSrc : 0;
  const bool unitPossible = (limits_.maxStretch > 999 || limits_.maxStretch == 0) &&
                            (limits_.minStretch < 1001 || limits_.minStretch == 0);
  return unitPossible;
}

bool CDDrawOverlay::CreateOverlay(uint32_t formatIndex) {
  if (width_ % 8 != 0) return false;
  desc_ = DDSURFACEDESC2{};
  desc_.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc_.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
  desc_.dwHeight = height_;
  desc_.dwWidth = width_;
  desc_.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
  desc_.ddpfPixelFormat.dwFourCC = kFormatFourccs[formatIndex];
  lastResult_ = device_->CreateSurface(&desc_, &overlay_);
  if (lastResult_ != DD_OK) return false;
  lastResult_ = overlay_->Lock(&desc_, 0);
  if (lastResult_ == DD_OK) {
    // A grey picture until the board writes the first field.
    std::memset(desc_.lpSurface, 0x80, static_cast<size_t>(height_) * static_cast<size_t>(desc_.lPitch));
    overlay_->Unlock();
  }
  formatIndex_ = formatIndex;
  return true;
}

void CDDrawOverlay::SetColorKey(uint32_t colour) {
  effects_ = DDOVERLAYFX{};
  effects_.dwSize = 56;
  effects_.dckDestColorkey.dwColorSpaceLowValue = ColorMatch(primary_, colour);
  effects_.dckDestColorkey.dwColorSpaceHighValue = ColorMatch(primary_, colour);
}

// The form in which the surface stores an RGB colour: put it into the first
// pixel and read the memory back.
uint32_t CDDrawOverlay::ColorMatch(IDirectDrawSurface7* surface, uint32_t colour) {
  if (!surface) return kNoColour;
  uint32_t remembered = 0;
  const bool probe = colour != kNoColour;
  if (probe) {
    surface->GetPixel(0, 0, &remembered);
    surface->SetPixel(0, 0, colour);
  }
  uint32_t value = kNoColour;
  DDSURFACEDESC2 desc;
  do {
    lastResult_ = surface->Lock(&desc, 0);
  } while (lastResult_ == DDERR_WASSTILLDRAWING);
  if (lastResult_ == DD_OK) {
    std::memcpy(&value, desc.lpSurface, 4);
    const uint32_t bits = desc.ddpfPixelFormat.dwRGBBitCount;
    if (bits < 32) value &= (1u << bits) - 1;
    surface->Unlock();
  }
  if (probe) surface->SetPixel(0, 0, remembered);
  return value;
}

bool CDDrawOverlay::ShowOverlay(const RECT& source, const RECT& destination) {
  if (!overlay_) return false;
  lastResult_ = overlay_->UpdateOverlay(&source, primary_, &destination,
                                        DDOVER_SHOW | DDOVER_KEYDESTOVERRIDE | DDOVER_DDFX, &effects_);
  return lastResult_ == DD_OK;
}

bool CDDrawOverlay::HideOverlay() {
  if (!overlay_) return false;
  lastResult_ = overlay_->UpdateOverlay(nullptr, primary_, nullptr, DDOVER_HIDE, nullptr);
  return lastResult_ == DD_OK;
}

// The board may be writing into the overlay (live DMA): it is told before the
// surface's memory goes.
void CDDrawOverlay::ReleaseOverlay() {
  DDSURFACEDESC2 desc;
  if (overlay_->Lock(&desc, 0) == DD_OK) {
    overlay_->Unlock();
    NUVIXI_MemoryReleased(desc.lpSurface, static_cast<size_t>(desc.dwHeight) * static_cast<size_t>(desc.lPitch));
  }
  overlay_->Release();
}

void CDDrawOverlay::GetInfo(OverlayInfo& info) const {
  info = OverlayInfo{device_, primary_, overlay_, width_, height_, formatIndex_ == 1 ? kFourccUyvy : kFourccYuy2};
}

void CDDrawOverlay::CloseAll() {
  if (overlay_) ReleaseOverlay();
  if (primary_) primary_->Release();
  if (device_) device_->Release();
  overlay_ = nullptr;
  primary_ = nullptr;
  device_ = nullptr;
}
