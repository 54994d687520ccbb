// A heap buffer whose handed-out pointer is aligned, remembering the allocator's pointer for freeing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvix {

class AlignedBuffer {
 public:
  AlignedBuffer() = default;
  ~AlignedBuffer() { Free(); }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  AlignedBuffer(AlignedBuffer&& other) noexcept;
  AlignedBuffer& operator=(AlignedBuffer&& other) noexcept;

  // Frees what is held, then allocates bytes + alignment - 1 and rounds the
  // pointer up to a multiple of alignment (an alignment below 5 is raised to 4).
  // False, holding nothing, when the memory is not there.
  bool Allocate(size_t bytes, size_t alignment);

  // Traces "MEMORY DELETE m_ptr : <allocator's pointer> \n" and frees; nothing when empty.
  void Free();

  uint8_t* data() const { return aligned_; }
  size_t size() const { return size_; }
  bool empty() const { return raw_ == nullptr; }

 private:
  void* raw_ = nullptr;
  uint8_t* aligned_ = nullptr;
  size_t size_ = 0;
};

}  // namespace nuvix
