// A whole screen-division picture: the 16-camera layout with borders and
// labels, merged, written as a PNG and checked at sampled pixels.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "zmb_test_support.h"

namespace zmb_test {
namespace {

constexpr uint32_t kBorder = 0x101010;
constexpr uint32_t kOutline = 0x141414;
constexpr uint32_t kText = 0xFFFFFF;

struct CameraColour {
  uint8_t u, y, v;
};

CameraColour ColourOf(int camera) {
  return {static_cast<uint8_t>(60 + 9 * camera), static_cast<uint8_t>(50 + 11 * camera),
          static_cast<uint8_t>(200 - 8 * camera)};
}

// 704 x 576 UYVY: the camera's colour with a white square in the lower right.
std::vector<uint8_t> CameraImage(int camera) {
  const CameraColour c = ColourOf(camera);
  std::vector<uint8_t> image(704u * 576 * 2);
  for (int y = 0; y < 576; ++y) {
    for (int x = 0; x < 704; x += 2) {
      uint8_t* p = &image[(static_cast<size_t>(y) * 704 + x) * 2];
      const bool square = x >= 500 && x < 620 && y >= 380 && y < 500;
      p[0] = square ? 128 : c.u;
      p[1] = p[3] = square ? 235 : c.y;
      p[2] = square ? 128 : c.v;
    }
  }
  return image;
}

class ZmbPicture : public BoardTest {
 protected:
  RECT CellRect(int p) const { return RECT{180 * (p % 4), 144 * (p / 4), 180 * (p % 4) + 180, 144 * (p / 4) + 144}; }

  // The layout sequence the screen-division tab runs.
  void ApplySixteenCellLayout() {
    ASSERT_EQ(ZMB_SET_OSDFNT(board_, 10, 22, 700, 0, "System"), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_CLEAR_ALLCELL(board_), ZMB_RESULT_SUCCESS);
    int32_t cells[16];
    for (int p = 0; p < 16; ++p) {
      cells[p] = p;
      const RECT rect = CellRect(p);
      ASSERT_EQ(ZMB_REGIST_CELL(board_, p, &rect), ZMB_RESULT_SUCCESS);
    }
    ASSERT_EQ(ZMB_CHANGE_CELLTBL(board_, cells, 16, 1, 1), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_IMG_CLEAR(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_CELL_BORDER(board_, 80, kBorder), ZMB_RESULT_SUCCESS);
    for (int p = 0; p < 16; ++p) {
      char label[16];
      std::snprintf(label, sizeof label, "CH %2d", p);
      const RECT rect = CellRect(p);
      ASSERT_EQ(ZMB_RENDER_GDI_STRING(board_, rect.left + 44, rect.top + 12, label, kOutline, kText, 2),
                ZMB_RESULT_SUCCESS);
    }
    ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_CHANGE_CELLTBL(board_, cells, 16, 1, 0), ZMB_RESULT_SUCCESS);
  }
};

TEST_F(ZmbPicture, SixteenCameraLayoutWithBordersAndLabels) {
  ApplySixteenCellLayout();
  for (int camera = 0; camera < 16; ++camera) {
    const std::vector<uint8_t> image = CameraImage(camera);
    ASSERT_EQ(ZMB_RENDER_IMG_CELL(board_, camera, image.data(), 704, 576), ZMB_RESULT_SUCCESS);
  }
  ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(board_), ZMB_RESULT_SUCCESS);

  const std::vector<uint32_t> rgb = MergedToRgb(merged_, lines_);
  const std::string png = WritePng(rgb, kWidth, lines_, "zmb_16ch.png");
  ASSERT_FALSE(png.empty());

  const std::array<uint8_t, 4> border = ReferenceGroup(kBorder, kBorder);
  const uint8_t textLuma = ReferenceGroup(kText, kText)[1];
  const uint8_t outlineLuma = ReferenceGroup(kOutline, kOutline)[1];
  std::vector<std::pair<int, int>> textPixels;
  for (int p = 0; p < 16; ++p) {
    SCOPED_TRACE("cell " + std::to_string(p));
    const RECT r = CellRect(p);
    const CameraColour c = ColourOf(p);
    const std::array<uint8_t, 4> camera = {c.u, c.y, c.v, c.y};
    // Interior, clear of the label and the square.
    for (int y = r.top + 2; y < r.bottom - 2; y += 9) {
      EXPECT_EQ(MergedGroup(r.left + 2, y), camera) << y;
      EXPECT_EQ(MergedGroup(r.left + 30, y), camera) << y;
    }
    EXPECT_EQ(MergedGroup(r.left + 100, r.top + 70), camera);
    // The white square of the source lands in the lower right of the cell.
    EXPECT_EQ(MergedGroup(r.left + 140, r.top + 110), (std::array<uint8_t, 4>{128, 235, 128, 235}));
    // Two-pixel border on all four sides.
    for (int x = r.left; x < r.right; x += 2) {
      EXPECT_EQ(MergedGroup(x, r.top), border) << x;
      EXPECT_EQ(MergedGroup(x, r.top + 1), border) << x;
      EXPECT_EQ(MergedGroup(x, r.bottom - 1), border) << x;
      EXPECT_EQ(MergedGroup(x, r.bottom - 2), border) << x;
    }
    for (int y = r.top; y < r.bottom; ++y) {
      EXPECT_EQ(MergedGroup(r.left, y), border) << y;
      EXPECT_EQ(MergedGroup(r.right - 2, y), border) << y;
    }
    // Label: white letters with their dark outline, right of left + 44, below top + 12.
    int text = 0, outline = 0;
    for (int y = r.top + 9; y < r.top + 40; ++y) {
      for (int x = r.left + 41; x < r.left + 110; ++x) {
        const uint8_t luma = MergedGroup(x, y)[1 + 2 * (x % 2)];
        if (luma == textLuma) {
          ++text;
          textPixels.emplace_back(x, y);
        }
        outline += luma == outlineLuma;
      }
    }
    EXPECT_GT(text, 60);
    EXPECT_GT(outline, 60);
  }

  // The PNG on disk shows the same picture.
  cairo_surface_t* read = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(read), kWidth);
  ASSERT_EQ(cairo_image_surface_get_height(read), lines_);
  const uint8_t* data = cairo_image_surface_get_data(read);
  const int stride = cairo_image_surface_get_stride(read);
  const auto pixel = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride + x * 4) & 0xFFFFFF;
  };
  const auto near = [](uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3) return false;
    }
    return true;
  };
  for (const auto& [x, y] : textPixels) ASSERT_TRUE(near(pixel(x, y), 0xFFFFFF)) << x << "," << y;
  EXPECT_TRUE(near(pixel(0, 0), 0x101010)) << std::hex << pixel(0, 0);
  for (int p = 0; p < 16; ++p) {
    const RECT r = CellRect(p);
    const uint32_t inside = pixel(r.left + 100, r.top + 70);
    EXPECT_EQ(inside, rgb[static_cast<size_t>(r.top + 70) * kWidth + r.left + 100]);
    EXPECT_GT(inside, 0u);
  }
  cairo_surface_destroy(read);
}

}  // namespace
}  // namespace zmb_test
