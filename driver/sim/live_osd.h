// The on-screen text of the live picture: one rendered mask per input's
// string, drawn white with a dark shadow into a cell's packed picture.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "camera_picture.h"

namespace nuvixsim {

class LiveOsd {
 public:
  static constexpr int kStrings = 16;

  // Renders the masks again when the strings (their version), the font face
  // or the text height changed.
  void Prepare(const std::array<std::string, kStrings>& strings, const std::string& face, uint64_t version,
               int textHeight);
  // Draws string index at the bottom left of a packed UYVY or YUY2 picture.
  void Draw(int index, uint8_t* picture, const FrameGeometry& geometry) const;

 private:
  struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> alpha;  // width × height
  };

  std::array<Mask, kStrings> masks_;
  uint64_t version_ = ~uint64_t{0};
  std::string face_;
  int textHeight_ = 0;
};

}  // namespace nuvixsim
