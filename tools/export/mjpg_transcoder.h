// Re-codes H.263 pictures as JPEG pictures, for players without H.263.
#pragma once

#include <cstdint>
#include <vector>

class CH263Decoder;

namespace nuvix {

class MjpgTranscoder {
 public:
  static constexpr int kQuality = 90;

  MjpgTranscoder();
  ~MjpgTranscoder();
  MjpgTranscoder(const MjpgTranscoder&) = delete;
  MjpgTranscoder& operator=(const MjpgTranscoder&) = delete;

  // Decodes the next picture of the stream, whose record says it is
  // width × height, and codes it as a 4:2:0 JPEG into jpeg. False when the
  // decoder refuses the picture.
  bool Transcode(const uint8_t* picture, uint32_t size, int width, int height, std::vector<uint8_t>& jpeg);

 private:
  CH263Decoder* decoder_ = nullptr;
  void* compressor_ = nullptr;
  std::vector<uint8_t> planes_;
};

}  // namespace nuvix
