#include "overlay_slot.h"

#include "overlay_placer.h"
#include "overlay_view_wnd.h"

COverlaySlot::COverlaySlot() = default;
COverlaySlot::~COverlaySlot() { Close(); }

bool COverlaySlot::Open(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight,
                        uint32_t fourcc) {
  if (view_) return false;
  auto view = std::make_unique<COverlayViewWnd>();
  view->Create(static_cast<int>(width), static_cast<int>(height), kColourKey);
  auto placer = std::make_unique<COverlayPlacer>();
  if (!placer->Open(view.get(), kColourKey, sourceWidth, sourceHeight, info_, fourcc)) {
    info_ = OverlayInfo{};
    return false;
  }
  view_ = std::move(view);
  placer_ = std::move(placer);
  view_->Attach(placer_.get());
  return true;
}

void COverlaySlot::Close() {
  if (!view_) return;
  placer_->UpdatePosition(0);
  view_->Detach();
  placer_->Close();
  view_.reset();
  placer_.reset();
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
