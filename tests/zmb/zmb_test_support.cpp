#include "zmb_test_support.h"

#include <cairo.h>

#include <cstdlib>
#include <cstring>

#include "nuvix_trace.h"

namespace zmb_test {
namespace {

std::mutex g_traceLock;
std::vector<std::string> g_traceLines;

uint8_t ToByte(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : std::lround(v)); }

}  // namespace

TraceRecorder::TraceRecorder() {
  Clear();
  NuvixSetTraceSink(&TraceRecorder::Sink);
}
TraceRecorder::~TraceRecorder() { NuvixSetTraceSink(nullptr); }

void TraceRecorder::Sink(const char* text) {
  std::lock_guard<std::mutex> lock(g_traceLock);
  g_traceLines.emplace_back(text);
}

std::vector<std::string> TraceRecorder::Lines() const {
  std::lock_guard<std::mutex> lock(g_traceLock);
  return g_traceLines;
}

void TraceRecorder::Clear() {
  std::lock_guard<std::mutex> lock(g_traceLock);
  g_traceLines.clear();
}

void BoardTest::CreateBoard(int32_t standard, int32_t sourceIsUyvy) {
  ASSERT_EQ(ZMB_CREATE_BOARD(standard, &board_, sourceIsUyvy, nullptr, nullptr, nullptr),
            ZMB_RESULT_SUCCESS);
  lines_ = standard == ZMB_STANDARD_NTSC ? 480 : 576;
  void* image = nullptr;
  void* osd = nullptr;
  void* merged = nullptr;
  ASSERT_EQ(ZMB_GET_BOARD_SURFACE(board_, &image, &osd, &merged), ZMB_RESULT_SUCCESS);
  image_ = static_cast<uint8_t*>(image);
  osd_ = static_cast<uint8_t*>(osd);
  merged_ = static_cast<uint8_t*>(merged);
}

std::array<uint8_t, 4> BoardTest::MergedGroup(int x, int line) const {
  const size_t field = line % 2 ? static_cast<size_t>(kWidth) * lines_ : 0;
  const uint8_t* p = merged_ + field + static_cast<size_t>(line / 2) * kPitch + static_cast<size_t>(x / 2) * 4;
  return {p[0], p[1], p[2], p[3]};
}

bool BoardTest::OsdTransparent(int x, int drawingLine) const {
  const std::array<uint8_t, 4> g = OsdGroup(x, drawingLine);
  return g[2 * (x % 2)] == 0x80 && g[1 + 2 * (x % 2)] == 0x10;
}

TestBitmap::TestBitmap(int w, int h, int b, bool down)
    : width(w), height(h), bits(b), stride(((w * b + 31) / 32) * 4), topDown(down) {
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = down ? -h : h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<uint16_t>(b);
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<uint32_t>(stride * h);
  pixels.assign(static_cast<size_t>(stride) * h, 0);
}

void TestBitmap::Set(int x, int y, uint32_t colour) {
  const int row = topDown ? y : height - 1 - y;
  uint8_t* p = pixels.data() + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * (bits / 8);
  p[0] = static_cast<uint8_t>(colour >> 16);  // B
  p[1] = static_cast<uint8_t>(colour >> 8);   // G
  p[2] = static_cast<uint8_t>(colour);        // R
}

std::vector<uint32_t> MergedToRgb(const uint8_t* merged, int lines) {
  std::vector<uint32_t> rgb(static_cast<size_t>(kWidth) * lines);
  for (int i = 0; i < lines; ++i) {
    const uint8_t* row = merged + (i % 2 ? static_cast<size_t>(kWidth) * lines : 0) + static_cast<size_t>(i / 2) * kPitch;
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* g = row + (x / 2) * 4;
      const double y = 1.164 * (g[1 + 2 * (x % 2)] - 16);
      const double u = g[0] - 128.0, v = g[2] - 128.0;
      rgb[static_cast<size_t>(i) * kWidth + x] = (static_cast<uint32_t>(ToByte(y + 1.596 * v)) << 16) |
                                                 (static_cast<uint32_t>(ToByte(y - 0.813 * v - 0.391 * u)) << 8) |
                                                 ToByte(y + 2.018 * u);
    }
  }
  return rgb;
}

std::string OutputDirectory() {
  const char* dir = std::getenv("NUVIX_TEST_OUTPUT");
  return dir && *dir ? dir : ".";
}

std::string WritePng(const std::vector<uint32_t>& rgb, int width, int height, const std::string& name) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    std::memcpy(data + static_cast<size_t>(y) * stride, rgb.data() + static_cast<size_t>(y) * width,
                static_cast<size_t>(width) * 4);
  }
  cairo_surface_mark_dirty(surface);
  const std::string path = OutputDirectory() + "/" + name;
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  return status == CAIRO_STATUS_SUCCESS ? path : std::string();
}

}  // namespace zmb_test
