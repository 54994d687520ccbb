#include "scope_sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nuvix {

void ScopeSampler::Init(double maximum, double minimum, uint32_t count) {
  const double span = maximum - minimum;
  // A span of 0 or less would make the divisor meaningless; fall back to 1.
  double divisor = span > 0.0 ? 65536.0 / span : 1.0;
  if (!std::isfinite(divisor) || divisor > 2147483647.0) divisor = 2147483647.0;
  const double scale = std::max(1.0, std::trunc(divisor));
  std::lock_guard<std::mutex> hold(m_lock);
  m_scale = static_cast<int32_t>(scale);
  m_divisor = divisor;
  m_middle = span / 2.0;
  m_minimum = minimum;
  m_count = count % (kMaxPoints + 1);
  m_read = 0;
}

void ScopeSampler::Fill(const void* samples, uint32_t byteCount) {
  const auto* bytes = static_cast<const unsigned char*>(samples);
  uint32_t count;
  double divisor;
  double minimum;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    count = m_count;
    divisor = m_divisor;
    minimum = m_minimum;
  }
  const uint32_t sampleCount = byteCount / 2;
  // Without points to take or a sample to take them from there is no block.
  if (!bytes || count == 0 || sampleCount == 0) return;
  const uint32_t stride = sampleCount / count;
  std::array<double, kMaxPoints> points{};
  for (uint32_t i = 0; i < count; ++i) {
    int16_t sample;
    std::memcpy(&sample, bytes + static_cast<size_t>(i) * stride * 2, sizeof sample);
    points[i] = (static_cast<double>(sample) + 32768.0) / divisor + minimum;
  }
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_count != count) return;  // re-initialised meanwhile: the block no longer fits
  m_points = points;
  m_read = 0;
  m_hasData = true;
}

double ScopeSampler::Next() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_hasData || m_count == 0) return m_middle;
  const double point = m_points[m_read];
  m_read = (m_read + 1) % m_count;
  return point;
}

bool ScopeSampler::HasData() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_hasData;
}

uint32_t ScopeSampler::PointCount() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_count;
}

int32_t ScopeSampler::Scale() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_scale;
}

}  // namespace nuvix
