#include "overlay_slot.h"

#include "overlay_placer.h"
#include "overlay_view_wnd.h"

namespace {

// The placer of the open slot: at most one overlay is open in the process.
COverlayPlacer* g_placer = nullptr;

}  // namespace

bool COverlaySlot::Open(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight,
                        uint32_t fourcc) {
  if (view_ || g_placer) return false;
  auto* view = new COverlayViewWnd;
  view->Create(static_cast<int>(width), static_cast<int>(height), kColourKey);
  auto* placer = new COverlayPlacer;
  if (!placer->Open(view, kColourKey, sourceWidth, sourceHeight, info_, fourcc)) {
    delete view;
    delete placer;
    info_ = OverlayInfo{};
    return false;
  }
  view_ = view;
  g_placer = placer;
  view_->Attach(placer);
  return true;
}

void COverlaySlot::Close() {
  if (!view_) return;
  g_placer->UpdatePosition(0);
  view_->Detach();
  g_placer->Close();
  delete view_;
  delete g_placer;
  view_ = nullptr;
  g_placer = nullptr;
  info_ = OverlayInfo{};
}

bool COverlaySlot::QuerySurface(void*& address, uint32_t& pitch) {
  if (!view_ || !info_.overlay) return false;
  nuvix::ddraw::DDSURFACEDESC2 desc;
  nuvix::ddraw::HRESULT result;
  do {
    result = info_.overlay->Lock(&desc, nuvix::ddraw::DDLOCK_WAIT);
  } while (result == nuvix::ddraw::DDERR_WASSTILLDRAWING);
  if (result != nuvix::ddraw::DD_OK) return false;
  info_.overlay->Unlock();
  address = desc.lpSurface;
  pitch = static_cast<uint32_t>(desc.lPitch);
  return true;
}
