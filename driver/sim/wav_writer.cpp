#include "wav_writer.h"

#include <cstring>

namespace nuvixsim {
namespace {

constexpr uint32_t kHeaderBytes = 44;
// The RIFF size fields are 32-bit; stop writing before they would wrap.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

}  // namespace

bool WavWriter::Open(const std::string& path, uint32_t sampleRate) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  sampleRate_ = sampleRate;
  dataBytes_ = 0;
  WriteHeader();
  return true;
}

void WavWriter::WriteHeader() {
  uint8_t h[kHeaderBytes];
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, static_cast<uint32_t>(dataBytes_ + kHeaderBytes - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);               // format chunk size
  Put16(h + 20, 1);                // PCM
  Put16(h + 22, 1);                // mono
  Put32(h + 24, sampleRate_);
  Put32(h + 28, sampleRate_ * 2);  // bytes per second
  Put16(h + 32, 2);                // bytes per frame
  Put16(h + 34, 16);               // bits per sample
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, static_cast<uint32_t>(dataBytes_));
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(h, 1, sizeof h, file_);
  std::fseek(file_, 0, SEEK_END);
}

void WavWriter::Append(const int16_t* samples, size_t count) {
  if (!file_ || count == 0) return;
  if (dataBytes_ + count * 2 > kMaxDataBytes) return;
  uint8_t bytes[2 * 1024];
  while (count > 0) {
    const size_t n = count < 1024 ? count : 1024;
    for (size_t i = 0; i < n; ++i) Put16(bytes + 2 * i, static_cast<uint16_t>(samples[i]));
    dataBytes_ += std::fwrite(bytes, 1, 2 * n, file_);
    samples += n;
    count -= n;
  }
}

void WavWriter::Close() {
  if (!file_) return;
  WriteHeader();
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace nuvixsim
