// Most-significant-bit-first reader over a coded picture that never reads past its end.
#ifndef CORVANE_BIT_READER_H
#define CORVANE_BIT_READER_H

#include <cstddef>
#include <cstdint>

namespace corvane {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size), bitSize_(size * 8) {}

  // The next n (1..25) bits; bits past the end read as zero.
  uint32_t Peek(int n) const {
    const size_t byte = pos_ >> 3;
    uint32_t word;
    if (byte + 4 <= size_) {
      word = (uint32_t(data_[byte]) << 24) | (uint32_t(data_[byte + 1]) << 16) |
             (uint32_t(data_[byte + 2]) << 8) | data_[byte + 3];
    } else {
      word = 0;
      for (size_t i = 0; i < 4; ++i)
        word = (word << 8) | (byte + i < size_ ? data_[byte + i] : 0u);
    }
    return (word << (pos_ & 7)) >> (32 - n);
  }

  void Skip(int n) { pos_ += static_cast<size_t>(n); }

  uint32_t Get(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }

  // True once more bits were consumed than the payload holds.
  bool Overrun() const { return pos_ > bitSize_; }
  size_t Position() const { return pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t bitSize_;
  size_t pos_ = 0;
};

}  // namespace corvane

#endif
