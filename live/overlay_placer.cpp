#include "overlay_placer.h"

#include <algorithm>
#include <cstdlib>

namespace {

int64_t Align(int64_t v, int64_t a) {
  if (a == 0 || a == 1 || v == 0 || v % a == 0) return v;
  return v < a / 2 ? v - v % a : v - v % a + a;
}

// Keeps the extent of [low, high) within the adapter's stretch limits.
void LimitStretch(int32_t low, int32_t& high, int64_t source, const OverlayLimits& limits) {
  const int64_t f = (static_cast<int64_t>(high) - low) * 1000 / source;
  if (f < 1000 && limits.minStretch != 0 && f < limits.minStretch)
    high = static_cast<int32_t>(low + source * limits.minStretch / 1000);
  if (f > 1000 && limits.maxStretch != 0 && f > limits.maxStretch)
    high = static_cast<int32_t>(low + source * limits.maxStretch / 1000);
}

bool Intersects(const RECT& r, int32_t sx, int32_t sy) {
  return r.left < sx && r.right > 0 && r.top < sy && r.bottom > 0 && r.left < r.right && r.top < r.bottom;
}

}  // namespace

std::optional<OverlayPlacement> PlaceOverlay(RECT d, uint32_t width, uint32_t height, int32_t screenWidth,
                                             int32_t screenHeight, const OverlayLimits& limits) {
  if (width == 0 || height == 0) return std::nullopt;
  const int64_t w = width, h = height;
  LimitStretch(d.left, d.right, w, limits);
  LimitStretch(d.top, d.bottom, h, limits);
  if (!Intersects(d, screenWidth, screenHeight)) return std::nullopt;
  const int64_t xs = (static_cast<int64_t>(d.right) - d.left) * 1000 / w;
  const int64_t ys = (static_cast<int64_t>(d.bottom) - d.top) * 1000 / h;
  // A destination narrower than a thousandth of the source has no scale to clip with.
  if (xs <= 0 || ys <= 0) return std::nullopt;

  OverlayPlacement p{};
  RECT& s = p.source;
  RECT& dst = p.destination;
  dst.left = std::max(d.left, 0);
  s.left = d.left < 0 ? static_cast<int32_t>(std::llabs(d.left) * 1000 / xs) : 0;
  dst.top = std::max(d.top, 0);
  s.top = d.top < 0 ? static_cast<int32_t>(std::llabs(d.top) * 1000 / ys) : 0;
  dst.right = std::min(d.right, screenWidth);
  s.right = static_cast<int32_t>(d.right > screenWidth ? w - (int64_t{d.right} - screenWidth) * 1000 / xs : w);
  dst.bottom = std::min(d.bottom, screenHeight);
  s.bottom = static_cast<int32_t>(d.bottom > screenHeight ? h - (int64_t{d.bottom} - screenHeight) * 1000 / ys : h);

  s.left = static_cast<int32_t>(Align(s.left, limits.srcBoundary));
  s.right = static_cast<int32_t>(s.left + Align(int64_t{s.right} - s.left, limits.srcSize));
  dst.left = static_cast<int32_t>(Align(dst.left, limits.destBoundary));
  dst.right = static_cast<int32_t>(dst.left + Align(int64_t{dst.right} - dst.left, limits.destSize));

  // Alignment may push the source past the surface; the adapter would refuse that.
  s.right = std::min<int32_t>(s.right, static_cast<int32_t>(w));
  if (s.right <= s.left || s.bottom <= s.top || dst.right <= dst.left || dst.bottom <= dst.top ||
      !Intersects(dst, screenWidth, screenHeight))
    return std::nullopt;
  return p;
}

int COverlayPlacer::Open(QWidget* window, uint32_t colourKey, uint32_t width, uint32_t height, OverlayInfo& info,
                         uint32_t fourcc) {
  auto overlay = std::make_unique<CDDrawOverlay>();
  if (overlay->Open(window, width, height, fourcc) != CDDrawOverlay::kOk) return 0;
  overlay->SetColorKey(colourKey);
  overlay->GetInfo(info_);
  info = info_;
  overlay_ = std::move(overlay);
  fourcc_ = fourcc;
  window_ = window;
  open_ = true;
  return 1;
}

void COverlayPlacer::Close() {
  if (overlay_) overlay_->CloseAll();
  overlay_.reset();
  info_ = OverlayInfo{};
  open_ = false;
}

int COverlayPlacer::UpdatePosition(int show) {
  if (!open_ || !overlay_ || !window_) return 0;
  if (show == 0) return overlay_->HideOverlay() ? 1 : 0;
  const QRect outer = window_->frameGeometry();
  const QRect client = window_->geometry();
  const int dx = (outer.width() - client.width()) / 2;
  const int dy = (outer.height() - client.height()) / 2;
  const RECT d{outer.left() + dx, outer.top() + dy, outer.left() + outer.width() - dx,
               outer.top() + outer.height() - dy};
  const auto adapter = nuvix::ddraw::CurrentAdapter();
  const auto placement =
      PlaceOverlay(d, overlay_->Width(), overlay_->Height(), adapter.screenWidth, adapter.screenHeight,
                   overlay_->Limits());
  return placement && overlay_->ShowOverlay(placement->source, placement->destination) ? 1 : 0;
}
