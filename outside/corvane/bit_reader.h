// Most-significant-bit-first reader over a coded picture that never reads past its end.
#ifndef CORVANE_BIT_READER_H
#define CORVANE_BIT_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) { Refill(); }

  // The next n (1..32) bits; bits past the end read as zero.
  uint32_t Peek(int n) const { return static_cast<uint32_t>(cache_ >> (64 - n)); }

  // n (0..32) bits.
  void Skip(int n) {
    Consume(n);
    Refill();
  }

  // n bits without the refill: at least 56 bits are cached after a refill,
  // so a reader of short codes may take several before the next one.
  void Consume(int n) {
    cache_ <<= n;
    cached_ -= n;
  }

  uint32_t Get(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }

  // True once more bits were consumed than the payload holds.
  bool Overrun() const { return Position() > size_ * 8; }
  size_t Position() const { return next_ * 8 - static_cast<size_t>(cached_); }


  // Tops the cache up to at least 56 bits, without a branch while eight
  // bytes remain (a refill that depends on the code lengths would mispredict).
  // The bits below the whole bytes counted are the stream's next bits too,
  // so a later refill ORs the same values over them.
  void Refill() {
    if (next_ + 8 <= size_) [[likely]] {
      uint64_t word;
      std::memcpy(&word, data_ + next_, 8);
      cache_ |= __builtin_bswap64(word) >> cached_;
      next_ += static_cast<size_t>((63 - cached_) >> 3);
      cached_ |= 56;
      return;
    }
    for (; cached_ <= 56; cached_ += 8, ++next_)
      if (next_ < size_) cache_ |= uint64_t(data_[next_]) << (56 - cached_);
  }


 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;     // the next byte to enter the cache
  uint64_t cache_ = 0;  // the next cached_ bits, most significant first (then maybe a few more)
  int cached_ = 0;
};

}  // namespace corvane

#endif
