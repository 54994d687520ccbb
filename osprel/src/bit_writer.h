// Most-significant-bit-first writer of the coded picture.
#ifndef OSPREL_BIT_WRITER_H
#define OSPREL_BIT_WRITER_H

#include <cstddef>
#include <cstdint>

namespace osprel {

class BitWriter {
 public:
  void Start(uint8_t* out) {
    out_ = out;
    pos_ = 0;
    acc_ = 0;
    bits_ = 0;
  }

  // Appends the n (1..32) low bits of value; value must be below 2^n.
  void Put(int n, uint32_t value) {
    acc_ = (acc_ << n) | value;
    bits_ += n;
    if (bits_ >= 32) {
      bits_ -= 32;
      const uint32_t word = static_cast<uint32_t>(acc_ >> bits_);
      out_[pos_] = static_cast<uint8_t>(word >> 24);
      out_[pos_ + 1] = static_cast<uint8_t>(word >> 16);
      out_[pos_ + 2] = static_cast<uint8_t>(word >> 8);
      out_[pos_ + 3] = static_cast<uint8_t>(word);
      pos_ += 4;
    }
  }

  void AlignWithZeros() {
    const int k = (8 - bits_ % 8) % 8;
    if (k) Put(k, 0);
  }

  // Writes the pending bits (whole bytes after AlignWithZeros); returns the byte count.
  size_t Flush() {
    if (bits_ > 0) {
      const uint32_t word = static_cast<uint32_t>(acc_ << (32 - bits_));
      const int bytes = (bits_ + 7) / 8;
      for (int i = 0; i < bytes; ++i) out_[pos_ + i] = static_cast<uint8_t>(word >> (24 - 8 * i));
      pos_ += bytes;
      acc_ = 0;
      bits_ = 0;
    }
    return pos_;
  }

  // Bits written so far, including the pending ones.
  size_t BitCount() const { return pos_ * 8 + bits_; }

 private:
  uint8_t* out_ = nullptr;
  size_t pos_ = 0;
  uint64_t acc_ = 0;  // the low bits_ bits are pending
  int bits_ = 0;
};

}  // namespace osprel

#endif
