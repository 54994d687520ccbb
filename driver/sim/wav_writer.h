// A 16-bit mono PCM WAV file written as samples arrive; its sizes are filled
// in when it is closed, so a file that was closed reads in every player.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace nuvixsim {

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter() { Close(); }
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates (or truncates) path; false when it cannot be written.
  bool Open(const std::string& path, uint32_t sampleRate);
  void Append(const int16_t* samples, size_t count);
  // Writes the final sizes and closes; nothing when not open.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

 private:
  void WriteHeader();

  std::FILE* file_ = nullptr;
  uint32_t sampleRate_ = 0;
  uint64_t dataBytes_ = 0;
};

}  // namespace nuvixsim
