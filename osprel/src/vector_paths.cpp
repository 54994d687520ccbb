#include "vector_paths.h"

#include <atomic>

namespace osprel {
namespace {
std::atomic<bool> g_vectorPaths{true};
}  // namespace

bool VectorPathsOn() { return g_vectorPaths.load(std::memory_order_relaxed); }

void SetVectorPaths(bool on) { g_vectorPaths.store(on, std::memory_order_relaxed); }

}  // namespace osprel
