// Reads a fuzz input as a stream of values. Past the end every value reads as
// zero and every byte run as empty, so a target never has to check lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// A broken invariant: a message and an abort, which the fuzzing engine and the
// corpus runner both report as a failure with the input that caused it.
#define FUZZ_REQUIRE(condition)                                                         \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);     \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  size_t remaining() const { return size_ - at_; }

  uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  // Little-endian; the parts are read in separate statements so that every
  // compiler decodes an input the same way.
  uint16_t U16() {
    const uint16_t low = U8();
    return static_cast<uint16_t>(low | U8() << 8);
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | static_cast<uint32_t>(U16()) << 16;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  bool Bool() { return U8() & 1; }

  // Up to count bytes, fewer at the end of the input.
  const uint8_t* Bytes(size_t count, size_t* taken) {
    *taken = count < remaining() ? count : remaining();
    const uint8_t* p = data_ + at_;
    at_ += *taken;
    return p;
  }
  // A string of up to maxLength bytes (stopping early at a zero byte).
  std::string String(size_t maxLength) {
    size_t taken;
    const uint8_t* p = Bytes(U8() % (maxLength + 1), &taken);
    std::string text(reinterpret_cast<const char*>(p), taken);
    return text.substr(0, std::strlen(text.c_str()));
  }
  // The rest of the input.
  const uint8_t* Rest(size_t* taken) { return Bytes(remaining(), taken); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
