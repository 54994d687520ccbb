// Shared helpers of the renderer tests: a board fixture, surface readers and
// an independent reference of the RGB to UYVY conversion.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "zmb.h"

namespace zmb_test {

constexpr int kWidth = 720;
constexpr int kPitch = 1440;

// Records the trace lines the library sends to the process-wide sink.
class TraceRecorder {
 public:
  TraceRecorder();
  ~TraceRecorder();
  std::vector<std::string> Lines() const;
  void Clear();

 private:
  static void Sink(const char* text);
};

// One board of the given standard with surfaces of its own.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateBoard(ZMB_STANDARD_PAL, 1); }
  void TearDown() override {
    if (board_ != 0) {
      EXPECT_EQ(ZMB_DELETE_BOARD(board_), ZMB_RESULT_SUCCESS);
    }
  }
  void CreateBoard(int32_t standard, int32_t sourceIsUyvy);

  int Lines() const { return lines_; }
  // The UYVY byte quad of the pixel pair holding column x.
  std::array<uint8_t, 4> ImageGroup(int x, int y) const { return Group(image_, x, y); }
  // Merged surface by picture line: even lines in the first field, odd in the second.
  std::array<uint8_t, 4> MergedGroup(int x, int line) const;
  // OSD group of drawing line y (the OSD keeps the drawing's bottom-up order).
  std::array<uint8_t, 4> OsdGroup(int x, int drawingLine) const {
    return Group(osd_, x, lines_ - 1 - drawingLine);
  }
  // Luma of one pixel of drawing line y after converting the whole drawing.
  uint8_t OsdLuma(int x, int drawingLine) const { return OsdGroup(x, drawingLine)[1 + 2 * (x % 2)]; }
  bool OsdTransparent(int x, int drawingLine) const;

  int32_t board_ = 0;
  int lines_ = 576;
  uint8_t* image_ = nullptr;
  uint8_t* osd_ = nullptr;
  uint8_t* merged_ = nullptr;

 private:
  static std::array<uint8_t, 4> Group(const uint8_t* surface, int x, int y) {
    const uint8_t* p = surface + static_cast<size_t>(y) * kPitch + static_cast<size_t>(x / 2) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

// The conversion as documented: each product is floor(c x 128 x k / 65536).
inline int Product(int c, int k) { return static_cast<int>(std::floor(c * 128.0 * k / 65536.0)); }
inline uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
inline std::array<uint8_t, 4> ReferenceGroup(uint32_t colour0, uint32_t colour1) {
  const int r0 = colour0 & 0xFF, g0 = (colour0 >> 8) & 0xFF, b0 = (colour0 >> 16) & 0xFF;
  const int r1 = colour1 & 0xFF, g1 = (colour1 >> 8) & 0xFF, b1 = (colour1 >> 16) & 0xFF;
  const auto luma = [](int r, int g, int b) {
    return Clamp(((Product(r, 2104) + Product(g, 4128) + Product(b, 800)) >> 4) + 16);
  };
  return {Clamp(((Product(b0, 3592) + Product(g0, -2376) + Product(r0, -1208)) >> 4) + 128),
          luma(r0, g0, b0),
          Clamp(((Product(r0, 3592) + Product(g0, -3008) + Product(b0, -576)) >> 4) + 128),
          luma(r1, g1, b1)};
}

// A BI_RGB bitmap of 24 or 32 bits; rows stored bottom-up unless topDown.
struct TestBitmap {
  BITMAPINFO info{};
  std::vector<uint8_t> pixels;
  TestBitmap(int width, int height, int bits, bool topDown);
  // Sets the pixel at picture position (x, y), y counted from the top.
  void Set(int x, int y, uint32_t colour);
  int width, height, bits, stride;
  bool topDown;
};

// The 4:2:2 picture of a merged surface as 0x00RRGGBB pixels (BT.601 studio range).
std::vector<uint32_t> MergedToRgb(const uint8_t* merged, int lines);
// Writes 0x00RRGGBB pixels to a PNG in the test output directory; returns its path.
std::string WritePng(const std::vector<uint32_t>& rgb, int width, int height, const std::string& name);
std::string OutputDirectory();

}  // namespace zmb_test
