#include "strict_mode.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "nuvixi.h"

namespace nuvixsim {
namespace {

std::atomic<bool>& StrictFlag() {
  static std::atomic<bool> flag{StrictModeWanted()};
  return flag;
}

std::atomic<uint64_t> g_draws{0};
std::atomic<uint64_t> g_unmatchedCancels{0};

// A spread of values from one counter, so runs repeat but calls differ.
uint32_t Spread(uint32_t span) {
  const uint64_t n = g_draws.fetch_add(1, std::memory_order_relaxed);
  return static_cast<uint32_t>((n * 2654435761u >> 7) % span);
}

}  // namespace

bool StrictMode() { return StrictFlag().load(std::memory_order_relaxed); }

void SetStrictMode(bool on) { StrictFlag() = on; }

bool StrictModeWanted() {
  const char* value = std::getenv("NUVIXI_SIM_STRICT");
  return value && std::strcmp(value, "1") == 0;
}

void ReachTheBoard() {
  if (StrictMode()) std::this_thread::sleep_for(std::chrono::microseconds(Spread(2001)));
}

uint32_t StrictWaitLimitMs() {
  const uint32_t draw = Spread(4 * 181);
  return draw % 4 == 0 ? 20 + draw / 4 : NUVIXI_INFINITE;
}

void CountUnmatchedCancel() { g_unmatchedCancels.fetch_add(1, std::memory_order_relaxed); }

uint64_t UnmatchedCancels() { return g_unmatchedCancels.load(std::memory_order_relaxed); }

}  // namespace nuvixsim
