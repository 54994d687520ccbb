#include "ddraw_emu.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace nuvix::ddraw {
namespace {

constexpr size_t kPitchAlignment = 64;

std::mutex g_adapterMutex;
AdapterConfig g_adapter = DefaultAdapter();
int g_overlays = 0;  // overlay surfaces in existence, under g_adapterMutex

void FreeAligned(uint8_t* p) { std::free(p); }

// The adapter's overlays, like its hardware: taken by a surface, given back when it is released.
bool TakeOverlay(int available) {
  std::lock_guard lock(g_adapterMutex);
  if (g_overlays >= available) return false;
  ++g_overlays;
  return true;
}

void GiveBackOverlay() {
  std::lock_guard lock(g_adapterMutex);
  --g_overlays;
}

uint32_t ToStored(uint32_t colourRef) {
  // The primary keeps X8R8G8B8; a colour is 0x00BBGGRR.
  return (colourRef & 0xFF) << 16 | (colourRef & 0xFF00) | (colourRef >> 16 & 0xFF);
}

}  // namespace

AdapterConfig DefaultAdapter() {
  AdapterConfig config;
  config.caps.dwCaps = DDCAPS_OVERLAY | DDCAPS_OVERLAYSTRETCH;
  config.caps.dwCKeyCaps = DDCKEYCAPS_DESTOVERLAY;
  config.caps.dwMinOverlayStretch = 320;
  config.caps.dwMaxOverlayStretch = 20000;
  config.overlayFourccs = {kFourccUyvy, kFourccYuy2};
  return config;
}

void SetAdapter(const AdapterConfig& config) {
  std::lock_guard lock(g_adapterMutex);
  g_adapter = config;
}

AdapterConfig CurrentAdapter() {
  std::lock_guard lock(g_adapterMutex);
  return g_adapter;
}

HRESULT DirectDrawCreateEx(IDirectDraw7** device) {
  if (!device) return DDERR_INVALIDPARAMS;
  *device = nullptr;
  AdapterConfig config = CurrentAdapter();
  if (!config.present) return DDERR_NODIRECTDRAWHW;
  *device = new IDirectDraw7(std::move(config));
  return DD_OK;
}

HRESULT IDirectDraw7::SetCooperativeLevel(void* window, uint32_t flags) {
  if (!window || flags != DDSCL_NORMAL) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

HRESULT IDirectDraw7::GetCaps(DDCAPS* caps) const {
  if (!caps || caps->dwSize != sizeof(DDCAPS)) return DDERR_INVALIDPARAMS;
  *caps = config_.caps;
  return DD_OK;
}

HRESULT IDirectDraw7::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface) {
  if (!desc || !surface || !(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  std::unique_ptr<IDirectDrawSurface7> made(new IDirectDrawSurface7);
  DDSURFACEDESC2& d = made->desc_;
  d.ddsCaps = desc->ddsCaps;
  if (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) {
    if (!window_) return DDERR_INVALIDPARAMS;
    d.dwWidth = static_cast<uint32_t>(std::max(config_.screenWidth, 1));
    d.dwHeight = static_cast<uint32_t>(std::max(config_.screenHeight, 1));
    d.lPitch = static_cast<int32_t>(d.dwWidth * 4);
    d.ddpfPixelFormat.dwFlags = DDPF_RGB;
    d.ddpfPixelFormat.dwRGBBitCount = 32;
    d.ddpfPixelFormat.dwRBitMask = 0xFF0000;
    d.ddpfPixelFormat.dwGBitMask = 0xFF00;
    d.ddpfPixelFormat.dwBBitMask = 0xFF;
  } else if (desc->ddsCaps.dwCaps & DDSCAPS_OVERLAY) {
    constexpr uint32_t kNeeded = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    if ((desc->dwFlags & kNeeded) != kNeeded || desc->dwWidth == 0 || desc->dwHeight == 0 ||
        desc->dwWidth > 4096 || desc->dwHeight > 4096)
      return DDERR_INVALIDPARAMS;
    if (!(config_.caps.dwCaps & DDCAPS_OVERLAY)) return DDERR_NOOVERLAYHW;
    const uint32_t fourcc = desc->ddpfPixelFormat.dwFourCC;
    const auto& offered = config_.overlayFourccs;
    if (!(desc->ddpfPixelFormat.dwFlags & DDPF_FOURCC) ||
        std::find(offered.begin(), offered.end(), fourcc) == offered.end())
      return DDERR_INVALIDPIXELFORMAT;
    if (!TakeOverlay(config_.maxOverlays)) return DDERR_OUTOFCAPS;
    made->overlay_ = true;  // given back when the surface goes
    d.dwWidth = desc->dwWidth;
    d.dwHeight = desc->dwHeight;
    d.lPitch = static_cast<int32_t>((d.dwWidth * 2 + kPitchAlignment - 1) / kPitchAlignment * kPitchAlignment);
    d.ddpfPixelFormat = desc->ddpfPixelFormat;
  } else {
    return DDERR_INVALIDPARAMS;
  }
  d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
  made->bytes_ = static_cast<size_t>(d.lPitch) * d.dwHeight;
  auto* memory = static_cast<uint8_t*>(std::aligned_alloc(kPitchAlignment, made->bytes_));
  if (!memory) return DDERR_OUTOFMEMORY;
  std::memset(memory, 0, made->bytes_);
  made->memory_ = {memory, FreeAligned};
  *surface = made.release();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Lock(DDSURFACEDESC2* desc, uint32_t /*flags*/) {
  if (!desc) return DDERR_INVALIDPARAMS;
  if (locked_) return DDERR_SURFACEBUSY;
  locked_ = true;
  *desc = desc_;
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = memory_.get();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Unlock() {
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetPixel(int x, int y, uint32_t* colour) const {
  if (!colour || overlay_ || x < 0 || y < 0 || static_cast<uint32_t>(x) >= desc_.dwWidth ||
      static_cast<uint32_t>(y) >= desc_.dwHeight)
    return DDERR_INVALIDPARAMS;
  uint32_t stored;
  std::memcpy(&stored, memory_.get() + static_cast<size_t>(y) * desc_.lPitch + x * 4, 4);
  *colour = ToStored(stored);  // the swap is its own inverse
  return DD_OK;
}

HRESULT IDirectDrawSurface7::SetPixel(int x, int y, uint32_t colour) {
  if (overlay_ || x < 0 || y < 0 || static_cast<uint32_t>(x) >= desc_.dwWidth ||
      static_cast<uint32_t>(y) >= desc_.dwHeight)
    return DDERR_INVALIDPARAMS;
  const uint32_t stored = ToStored(colour);
  std::memcpy(memory_.get() + static_cast<size_t>(y) * desc_.lPitch + x * 4, &stored, 4);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::UpdateOverlay(const RECT* source, IDirectDrawSurface7* destination,
                                           const RECT* destinationRect, uint32_t flags,
                                           const DDOVERLAYFX* effects) {
  if (!overlay_ || !destination || destination->overlay_) return DDERR_INVALIDPARAMS;
  if (flags & DDOVER_HIDE) {
    state_.shown = false;
    ++state_.updates;
    return DD_OK;
  }
  if (!(flags & DDOVER_SHOW) || !destinationRect) return DDERR_INVALIDPARAMS;
  const RECT whole{0, 0, static_cast<int32_t>(desc_.dwWidth), static_cast<int32_t>(desc_.dwHeight)};
  const RECT src = source ? *source : whole;
  const RECT& dst = *destinationRect;
  if (src.left < 0 || src.top < 0 || src.right > whole.right || src.bottom > whole.bottom ||
      src.left >= src.right || src.top >= src.bottom || dst.left >= dst.right || dst.top >= dst.bottom)
    return DDERR_INVALIDPARAMS;
  if ((flags & DDOVER_KEYDESTOVERRIDE) && (!effects || !(flags & DDOVER_DDFX))) return DDERR_INVALIDPARAMS;
  state_.shown = true;
  state_.source = src;
  state_.destination = dst;
  if (effects && (flags & DDOVER_KEYDESTOVERRIDE)) state_.colourKey = effects->dckDestColorkey.dwColorSpaceLowValue;
  ++state_.updates;
  return DD_OK;
}

ScanOut IDirectDrawSurface7::Scan() const {
  return ScanOut{memory_.get(), desc_.lPitch, desc_.dwWidth, desc_.dwHeight, desc_.ddpfPixelFormat.dwFourCC, state_};
}

IDirectDrawSurface7::~IDirectDrawSurface7() {
  if (overlay_) GiveBackOverlay();
}

void IDirectDrawSurface7::Release() { delete this; }

}  // namespace nuvix::ddraw
