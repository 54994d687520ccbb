// Bit strings of written streams, for comparing against codes written out by hand.
#ifndef OSPREL_TEST_BIT_STRINGS_H
#define OSPREL_TEST_BIT_STRINGS_H

#include "bit_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace osprel_test {

inline std::string Bits(const uint8_t* bytes, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += ((bytes[i / 8] >> (7 - i % 8)) & 1) ? '1' : '0';
  return s;
}

inline std::string Squeeze(const std::string& spaced) {
  std::string s;
  for (char c : spaced)
    if (c == '0' || c == '1') s += c;
  return s;
}

// Runs a writer over a scratch buffer and returns exactly the bits written.
template <typename F>
std::string Written(F&& write) {
  std::vector<uint8_t> buf(256, 0xFF);
  osprel::BitWriter w;
  w.Start(buf.data(), buf.size());
  write(w);
  const size_t bits = w.BitCount();
  w.AlignWithZeros();
  w.Flush();
  return Bits(buf.data(), bits);
}

}  // namespace osprel_test

#endif
