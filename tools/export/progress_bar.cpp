#include "progress_bar.h"

#include <string>

namespace nuvix {

ProgressBar::ProgressBar(FILE* to, bool enabled) : to_(to), enabled_(enabled), start_(Clock::now()) {}

void ProgressBar::Update(uint64_t done, uint64_t total) {
  if (!enabled_ || total == 0) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kDelay || (drawn_ && now - last_ < kInterval)) return;
  last_ = now;
  drawn_ = true;
  const uint64_t part = done >= total ? 1000 : done * 1000 / total;
  const int filled = static_cast<int>(part * kWidth / 1000);
  std::fprintf(to_, "\r[%s%s] %3d.%d%%  %llu MB", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), static_cast<int>(part / 10), static_cast<int>(part % 10),
               static_cast<unsigned long long>(done >> 20));
  std::fflush(to_);
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(to_, "\r%*s\r", kWidth + 20, "");
  std::fflush(to_);
  drawn_ = false;
}

}  // namespace nuvix
