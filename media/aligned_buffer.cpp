#include "aligned_buffer.h"

#include <cinttypes>
#include <cstdlib>
#include <utility>

#include "nuvix_trace.h"

namespace nuvix {

AlignedBuffer::AlignedBuffer(AlignedBuffer&& other) noexcept
    : raw_(std::exchange(other.raw_, nullptr)),
      aligned_(std::exchange(other.aligned_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

AlignedBuffer& AlignedBuffer::operator=(AlignedBuffer&& other) noexcept {
  if (this != &other) {
    Free();
    raw_ = std::exchange(other.raw_, nullptr);
    aligned_ = std::exchange(other.aligned_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

bool AlignedBuffer::Allocate(size_t bytes, size_t alignment) {
  Free();
  if (alignment < 5) alignment = 4;
  if (bytes > SIZE_MAX - (alignment - 1)) return false;
  raw_ = std::malloc(bytes + alignment - 1);
  if (!raw_) return false;
  const uintptr_t at = reinterpret_cast<uintptr_t>(raw_);
  const uintptr_t rounded = (at + alignment - 1) / alignment * alignment;
  aligned_ = static_cast<uint8_t*>(raw_) + (rounded - at);
  size_ = bytes;
  return true;
}

void AlignedBuffer::Free() {
  if (!raw_) return;
  NuvixTraceF("MEMORY DELETE m_ptr : %" PRIXPTR " \n", reinterpret_cast<uintptr_t>(raw_));
  std::free(raw_);
  raw_ = nullptr;
  aligned_ = nullptr;
  size_ = 0;
}

}  // namespace nuvix
