// ScopeSampler: turns blocks of 16-bit samples into a few voltage points that
// the scope pane hands out one per tick.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace nuvix {

// Fill runs on a worker thread, Next on the window thread: both take a short
// lock around a fixed array, so a reader never sees a half-written block.
class ScopeSampler {
 public:
  static constexpr uint32_t kMaxPoints = 100;

  void Init(double maximum, double minimum, uint32_t count);
  // samples: byteCount bytes of signed 16-bit little-endian samples, any alignment.
  void Fill(const void* samples, uint32_t byteCount);
  // The next point of the last block, cyclically; the middle voltage before any block.
  double Next();

  bool HasData() const;
  uint32_t PointCount() const;
  // Samples per volt as a whole number (13107 for 5 volts); the points
  // themselves use the exact 65536 / span so that full scale stays below the
  // maximum (32767 gives 4.99992 of 5).
  int32_t Scale() const;

 private:
  mutable std::mutex m_lock;
  bool m_hasData = false;
  uint32_t m_read = 0;
  uint32_t m_count = 0;
  int32_t m_scale = 1;
  double m_divisor = 1.0;
  double m_middle = 0.0;
  double m_minimum = 0.0;
  std::array<double, kMaxPoints> m_points{};
};

}  // namespace nuvix
