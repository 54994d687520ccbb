// Most-significant-bit-first writer of the coded picture.
#ifndef OSPREL_BIT_WRITER_H
#define OSPREL_BIT_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace osprel {

class BitWriter {
 public:
  // Writes to out, which holds capacity bytes.
  void Start(uint8_t* out, size_t capacity) {
    out_ = out;
    capacity_ = capacity;
    pos_ = 0;
    acc_ = 0;
    bits_ = 0;
  }

  // Appends the n (1..32) low bits of value; value must be below 2^n. The
  // whole bytes go out at once: eight bytes are stored (the pending bits,
  // then zeros) and the position moves by the whole ones, without a branch
  // that would depend on the code lengths; within the last eight bytes of
  // the buffer they go one by one.
  void Put(int n, uint32_t value) {
    acc_ = (acc_ << n) | value;  // the low bits_ bits are pending, at most 7 + 32
    bits_ += n;
    if (pos_ + 8 <= capacity_) [[likely]] {
      const uint64_t word = __builtin_bswap64(acc_ << (64 - bits_));
      std::memcpy(out_ + pos_, &word, 8);
      pos_ += static_cast<size_t>(bits_ >> 3);
      bits_ &= 7;
      return;
    }
    for (; bits_ >= 8; bits_ -= 8) out_[pos_++] = static_cast<uint8_t>(acc_ >> (bits_ - 8));
  }

  void AlignWithZeros() {
    const int k = (8 - bits_ % 8) % 8;
    if (k) Put(k, 0);
  }

  // Writes the pending bits (whole bytes after AlignWithZeros); returns the byte count.
  size_t Flush() {
    if (bits_ > 0) {
      out_[pos_++] = static_cast<uint8_t>(acc_ << (8 - bits_));
      acc_ = 0;
      bits_ = 0;
    }
    return pos_;
  }

  // Bits written so far, including the pending ones.
  size_t BitCount() const { return pos_ * 8 + static_cast<size_t>(bits_); }

 private:
  uint8_t* out_ = nullptr;
  size_t capacity_ = 0;
  size_t pos_ = 0;
  uint64_t acc_ = 0;
  int bits_ = 0;  // at most 7 between calls
};

}  // namespace osprel

#endif
