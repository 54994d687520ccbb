// Recordings made for the playback tests: file headers, MJPG and H.263
// records, and audio samples that never repeat within a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "h263_context.h"
#include "mjpg_context.h"

namespace recordings {

inline constexpr int kWidth = 352, kHeight = 240;

inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline std::vector<uint8_t> FileHeader(const char tag[4], uint32_t parameter) {
  std::vector<uint8_t> h(8);
  std::memcpy(h.data(), tag, 4);
  PutLe32(h.data() + 4, parameter);
  return h;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// H.263 records of a picture whose top half is red and bottom half blue, with
// a white square that moves 8 pixels a frame (so P pictures differ).
inline std::vector<uint8_t> H263Recording(int frames) {
  nuvix::H263Context coder;
  coder.CreateCodec(true);
  coder.Setup(kWidth, kHeight);
  std::vector<uint8_t> file = FileHeader("VIDE", 8);
  const size_t luma = size_t{kWidth} * kHeight;
  for (int f = 0; f < frames; ++f) {
    uint8_t* y = coder.YuvBuffer();
    uint8_t* u = y + luma;
    uint8_t* v = u + luma / 4;
    for (int row = 0; row < kHeight; ++row) {
      const bool top = row < kHeight / 2;
      for (int x = 0; x < kWidth; ++x) {
        const bool square = row >= 40 && row < 72 && x >= (f * 8) % 300 && x < (f * 8) % 300 + 32;
        y[row * kWidth + x] = square ? 235 : top ? 81 : 41;
        if (row % 2 == 0 && x % 2 == 0) {
          u[(row / 2) * (kWidth / 2) + x / 2] = square ? 128 : top ? 90 : 240;
          v[(row / 2) * (kWidth / 2) + x / 2] = square ? 128 : top ? 240 : 110;
        }
      }
    }
    int32_t bytes = 0;
    coder.EncodeFrame(4, &bytes);
    EXPECT_GT(bytes, 40);
    file.insert(file.end(), coder.Record(), coder.Record() + bytes);
  }
  return file;
}

// One MJPG record of a small grey picture whose payload is padded to make the
// record recordBytes long (JPEG readers stop at the end-of-image marker).
inline std::vector<uint8_t> MjpgRecord(uint32_t recordBytes) {
  nuvix::MjpgContext codec;
  codec.OpenCodec(0);
  codec.SetInput(64, 48, FOURCC_UYVY);
  std::vector<uint8_t> frame(64 * 48 * 2, 128);
  int32_t size = 0;
  HANDLE block = codec.Compress(frame.data(), 5000, &size);
  EXPECT_NE(block, nullptr);
  const auto* packed = static_cast<const uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER header;
  std::memcpy(&header, packed, sizeof header);
  const uint32_t payload = recordBytes - 40;
  EXPECT_LE(static_cast<uint32_t>(size), payload);
  std::vector<uint8_t> record(recordBytes, 0);
  header.biSize = 40;
  header.biSizeImage = payload;
  std::memcpy(record.data(), &header, 40);
  std::memcpy(record.data() + 40, packed + packed[0], static_cast<size_t>(size));
  GlobalUnlock(block);
  GlobalFree(block);
  return record;
}

inline std::vector<uint8_t> Concat(std::vector<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Samples that never repeat within a file, so a replayed or skipped block shows.
inline std::vector<int16_t> AudioSamples(size_t count) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<int16_t>(static_cast<int>(i % 60000) - 30000);
  return s;
}

}  // namespace recordings
