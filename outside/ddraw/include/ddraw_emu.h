// An emulated display adapter with the DirectDraw calls the overlay window
// needs: a device, a 32-bit primary surface and in-memory YUV overlay
// surfaces. The adapter's capabilities and screen size can be replaced
// (tests describe adapters that lack a format, a colour key or a stretch).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "nuvix_wintypes.h"

namespace nuvix::ddraw {

using HRESULT = int32_t;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_NODIRECTDRAWHW = static_cast<HRESULT>(0x887601FFu);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_NOOVERLAYHW = static_cast<HRESULT>(0x887600B4u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887601E6u);
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
// Every overlay the adapter has is in use.
constexpr HRESULT DDERR_OUTOFCAPS = static_cast<HRESULT>(0x88760168u);

constexpr uint32_t DDSCL_NORMAL = 0x8;
constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8,
                   DDSD_PIXELFORMAT = 0x1000, DDSD_LPSURFACE = 0x800;
constexpr uint32_t DDSCAPS_OVERLAY = 0x80, DDSCAPS_PRIMARYSURFACE = 0x200, DDSCAPS_VIDEOMEMORY = 0x4000;
constexpr uint32_t DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
constexpr uint32_t DDCAPS_ALIGNBOUNDARYDEST = 0x2, DDCAPS_ALIGNSIZEDEST = 0x4, DDCAPS_ALIGNBOUNDARYSRC = 0x8,
                   DDCAPS_ALIGNSIZESRC = 0x10, DDCAPS_OVERLAY = 0x800, DDCAPS_OVERLAYSTRETCH = 0x4000;
constexpr uint32_t DDCKEYCAPS_DESTOVERLAY = 0x10;
constexpr uint32_t DDOVER_HIDE = 0x200, DDOVER_KEYDESTOVERRIDE = 0x800, DDOVER_SHOW = 0x4000,
                   DDOVER_DDFX = 0x80000;
constexpr uint32_t DDLOCK_WAIT = 0x1;

constexpr uint32_t kFourccUyvy = 0x59565955u;  // "UYVY"
constexpr uint32_t kFourccYuy2 = 0x32595559u;  // "YUY2"

struct DDPIXELFORMAT {
  uint32_t dwSize = sizeof(DDPIXELFORMAT);
  uint32_t dwFlags = 0;
  uint32_t dwFourCC = 0;
  uint32_t dwRGBBitCount = 0;
  uint32_t dwRBitMask = 0, dwGBitMask = 0, dwBBitMask = 0, dwRGBAlphaBitMask = 0;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

struct DDSCAPS2 {
  uint32_t dwCaps = 0;
};

struct DDSURFACEDESC2 {
  uint32_t dwSize = sizeof(DDSURFACEDESC2);
  uint32_t dwFlags = 0;
  uint32_t dwHeight = 0;
  uint32_t dwWidth = 0;
  int32_t lPitch = 0;
  void* lpSurface = nullptr;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
};

struct DDCAPS {
  uint32_t dwSize = sizeof(DDCAPS);
  uint32_t dwCaps = 0;
  uint32_t dwCKeyCaps = 0;
  uint32_t dwAlignBoundarySrc = 0, dwAlignSizeSrc = 0, dwAlignBoundaryDest = 0, dwAlignSizeDest = 0;
  uint32_t dwMinOverlayStretch = 0, dwMaxOverlayStretch = 0;
};

struct DDCOLORKEY {
  uint32_t dwColorSpaceLowValue = 0;
  uint32_t dwColorSpaceHighValue = 0;
};

struct DDOVERLAYFX {
  uint32_t dwSize = 0;
  DDCOLORKEY dckDestColorkey;
};

// What the emulated adapter offers. The default is a common adapter: UYVY and
// YUY2 overlays, a destination colour key, stretching from 0.32 to 20.
struct AdapterConfig {
  bool present = true;  // false: there is no display driver at all
  DDCAPS caps;
  std::vector<uint32_t> overlayFourccs;
  int32_t screenWidth = 1920;
  int32_t screenHeight = 1080;
  int maxOverlays = 1;  // overlay surfaces that can exist at once
};
AdapterConfig DefaultAdapter();
// The adapter that devices created from now on see.
void SetAdapter(const AdapterConfig& config);
AdapterConfig CurrentAdapter();

// What the last UpdateOverlay of an overlay surface asked for.
struct OverlayState {
  bool shown = false;
  RECT source{};
  RECT destination{};
  uint32_t colourKey = 0;
  uint32_t updates = 0;  // successful UpdateOverlay calls
};

// A read-only view of an overlay surface, as the adapter's scan-out reads it.
struct ScanOut {
  const uint8_t* memory = nullptr;
  int32_t pitch = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t fourcc = 0;
  OverlayState overlay;
};

class IDirectDrawSurface7 {
 public:
  // Fills desc with the surface's size, pitch, format and memory.
  HRESULT Lock(DDSURFACEDESC2* desc, uint32_t flags);
  HRESULT Unlock();
  // The 32-bit pixel at (x, y) of an RGB surface, as colour 0x00BBGGRR
  // (what a device context reads and writes).
  HRESULT GetPixel(int x, int y, uint32_t* colour) const;
  HRESULT SetPixel(int x, int y, uint32_t colour);
  // Shows, moves or hides this overlay over destination (a primary surface).
  HRESULT UpdateOverlay(const RECT* source, IDirectDrawSurface7* destination, const RECT* destinationRect,
                        uint32_t flags, const DDOVERLAYFX* effects);
  ScanOut Scan() const;
  // Frees the surface (an overlay gives its overlay back to the adapter). Whoever
  // told a board to write into an overlay's memory tells it first that the
  // memory goes (NUVIXI_MemoryReleased).
  void Release();

 private:
  friend class IDirectDraw7;
  friend struct std::default_delete<IDirectDrawSurface7>;  // CreateSurface's holder until it hands the surface out
  IDirectDrawSurface7() = default;
  ~IDirectDrawSurface7();

  DDSURFACEDESC2 desc_;
  bool overlay_ = false;
  bool locked_ = false;
  std::unique_ptr<uint8_t[], void (*)(uint8_t*)> memory_{nullptr, nullptr};
  size_t bytes_ = 0;
  OverlayState state_;
};

class IDirectDraw7 {
 public:
  HRESULT SetCooperativeLevel(void* window, uint32_t flags);
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface);
  HRESULT GetCaps(DDCAPS* caps) const;
  void Release() { delete this; }

 private:
  friend HRESULT DirectDrawCreateEx(IDirectDraw7** device);
  explicit IDirectDraw7(AdapterConfig config) : config_(std::move(config)) {}

  AdapterConfig config_;
  void* window_ = nullptr;
};

HRESULT DirectDrawCreateEx(IDirectDraw7** device);

}  // namespace nuvix::ddraw
