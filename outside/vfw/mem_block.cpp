#include "mem_block.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace vfw {
namespace {

constexpr uint32_t kLiveMagic = 0x4B4C4247;  // "GBLK"
constexpr uint32_t kDeadMagic = 0x44414544;

struct alignas(16) Block {
  uint32_t magic;
  uint32_t locks;
  size_t bytes;
};
static_assert(sizeof(Block) % 16 == 0);

Block* AsBlock(HANDLE handle) {
  auto* block = static_cast<Block*>(handle);
  return block && block->magic == kLiveMagic ? block : nullptr;
}

}  // namespace

HANDLE AllocBlock(size_t bytes) {
  if (bytes > SIZE_MAX - sizeof(Block)) return nullptr;
  void* memory = std::aligned_alloc(alignof(Block), (sizeof(Block) + bytes + 15) / 16 * 16);
  if (!memory) return nullptr;
  auto* block = new (memory) Block{kLiveMagic, 0, bytes};
  return block;
}

void* BlockData(HANDLE handle) {
  Block* block = AsBlock(handle);
  return block ? block + 1 : nullptr;
}

}  // namespace vfw

using vfw::Block;

extern "C" {

void* GlobalLock(HANDLE handle) {
  Block* block = vfw::AsBlock(handle);
  if (!block) return nullptr;
  ++block->locks;
  return block + 1;
}

int GlobalUnlock(HANDLE handle) {
  Block* block = vfw::AsBlock(handle);
  if (!block || block->locks == 0) return 0;
  --block->locks;
  return block->locks != 0;
}

HANDLE GlobalFree(HANDLE handle) {
  Block* block = vfw::AsBlock(handle);
  if (!block) return handle;
  block->magic = vfw::kDeadMagic;
  std::free(block);
  return nullptr;
}

size_t GlobalSize(HANDLE handle) {
  Block* block = vfw::AsBlock(handle);
  return block ? block->bytes : 0;
}

}  // extern "C"
