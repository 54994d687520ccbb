#include "camera_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace nuvixsim {
namespace {

constexpr Yuv kWhite{235, 128, 128};
constexpr Yuv kBlack{16, 128, 128};
constexpr Yuv kYellow{210, 16, 146};
constexpr Yuv kGrey{180, 128, 128};
constexpr int kLumaTop = 48;
constexpr int kLumaSpan = 128;  // the background's luma runs from kLumaTop down to kLumaTop + kLumaSpan

// Luma byte offset of each of the 8 pixels of a Y41P group.
constexpr int kY41pLuma[8] = {1, 3, 5, 7, 8, 9, 10, 11};

// Segments a..g of a seven-segment digit as bits 0..6.
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

int UnitPixels(PixelFormat format) { return format == PixelFormat::kY41p ? 8 : 2; }
int UnitBytes(PixelFormat format) { return format == PixelFormat::kY41p ? 12 : 4; }

// The bytes of one unit (2 or 8 pixels) of a single colour.
void UnitPattern(PixelFormat format, Yuv c, uint8_t* out) {
  switch (format) {
    case PixelFormat::kUyvy: {
      const uint8_t p[4] = {c.u, c.y, c.v, c.y};
      std::memcpy(out, p, 4);
      break;
    }
    case PixelFormat::kYuy2: {
      const uint8_t p[4] = {c.y, c.u, c.y, c.v};
      std::memcpy(out, p, 4);
      break;
    }
    case PixelFormat::kY41p: {
      const uint8_t p[12] = {c.u, c.y, c.v, c.y, c.u, c.y, c.v, c.y, c.y, c.y, c.y, c.y};
      std::memcpy(out, p, 12);
      break;
    }
  }
}

// Rectangle drawing into a packed frame. A pixel inside a shape whose
// chroma unit straddles the shape's edge gives that unit the shape's chroma.
class Canvas {
 public:
  Canvas(uint8_t* data, const FrameGeometry& g) : data_(data), g_(g) {}

  void Fill(int x0, int y0, int x1, int y1, Yuv c) const {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, g_.width);
    y1 = std::min(y1, g_.height);
    if (x0 >= x1 || y0 >= y1) return;
    const int unit = UnitPixels(g_.format);
    const int unitBytes = UnitBytes(g_.format);
    uint8_t pattern[12];
    UnitPattern(g_.format, c, pattern);
    for (int y = y0; y < y1; ++y) {
      uint8_t* row = data_ + static_cast<size_t>(y) * g_.stride;
      int x = x0;
      for (; x < x1 && x % unit != 0; ++x) SetPixel(row, x, c);
      for (; x + unit <= x1; x += unit) std::memcpy(row + (x / unit) * unitBytes, pattern, unitBytes);
      for (; x < x1; ++x) SetPixel(row, x, c);
    }
  }

  // A seven-segment digit in a w × h cell with strokes t thick.
  void Digit(int x, int y, int w, int h, int t, int digit, Yuv c) const {
    const uint8_t on = kSegments[digit % 10];
    const int half = h / 2;
    if (on & 0x01) Fill(x, y, x + w, y + t, c);                                // a
    if (on & 0x02) Fill(x + w - t, y, x + w, y + half + t / 2 + 1, c);         // b
    if (on & 0x04) Fill(x + w - t, y + half - t / 2, x + w, y + h, c);         // c
    if (on & 0x08) Fill(x, y + h - t, x + w, y + h, c);                        // d
    if (on & 0x10) Fill(x, y + half - t / 2, x + t, y + h, c);                 // e
    if (on & 0x20) Fill(x, y, x + t, y + half + t / 2 + 1, c);                 // f
    if (on & 0x40) Fill(x, y + half - t / 2, x + w, y + half - t / 2 + t, c);  // g
  }

 private:
  void SetPixel(uint8_t* row, int x, Yuv c) const {
    switch (g_.format) {
      case PixelFormat::kUyvy: {
        uint8_t* pair = row + (x / 2) * 4;
        row[2 * x + 1] = c.y;
        pair[0] = c.u;
        pair[2] = c.v;
        break;
      }
      case PixelFormat::kYuy2: {
        uint8_t* pair = row + (x / 2) * 4;
        row[2 * x] = c.y;
        pair[1] = c.u;
        pair[3] = c.v;
        break;
      }
      case PixelFormat::kY41p: {
        uint8_t* group = row + (x / 8) * 12;
        const int i = x % 8;
        group[kY41pLuma[i]] = c.y;
        group[i < 4 ? 0 : 4] = c.u;
        group[i < 4 ? 2 : 6] = c.v;
        break;
      }
    }
  }

  uint8_t* data_;
  const FrameGeometry& g_;
};

// Where the parts of the picture go for a frame size; everything scales with
// the frame so the quarter sizes stay readable.
struct Layout {
  int numW, numH, numT, numGap, numX, numY;        // camera number, two digits
  int clkW, clkH, clkT, clkGap, clkSep, pad, margin;  // clock panel at (margin, margin)
  int panelW, panelH;
  int barW, barTop;
  int boxSide;

  explicit Layout(const FrameGeometry& g) {
    const int w = g.width, h = g.height;
    numH = h / 2;
    numW = numH / 2;
    if (numW * 9 / 4 > w * 9 / 10) {
      numW = w * 2 / 5;
      numH = numW * 2;
    }
    numT = std::max(2, numH / 9);
    numGap = std::max(2, numW / 4);
    numX = (w - (2 * numW + numGap)) / 2;
    numY = (h - numH) / 2;

    clkH = std::max(8, h / 14);
    clkW = std::max(4, clkH / 2);
    clkT = std::max(1, clkH / 8);
    clkGap = std::max(2, clkW / 3);
    clkSep = std::max(2, clkW / 2);
    pad = std::max(2, clkH / 4);
    margin = std::max(2, h / 60);
    panelW = 2 * pad + 6 * clkW + 5 * clkGap + 2 * (clkSep + clkGap);
    panelH = 3 * pad + 2 * clkH;

    barW = std::max(2, w / 48) & ~1;
    barTop = 2 * margin + panelH;
    boxSide = std::max(8, h / 6);
  }

  int ClockRowY(int row) const { return margin + pad + row * (clkH + pad); }
};

// Position along range for a back-and-forth movement of period ticks.
int Triangle(uint64_t tick, uint64_t period, int range) {
  if (period == 0 || range <= 0) return 0;
  const uint64_t phase = tick % period;
  const uint64_t along = phase * 2 < period ? phase * 2 : (period - phase) * 2;
  return static_cast<int>(along * static_cast<uint64_t>(range) / period);
}

}  // namespace

FrameGeometry GeometryOf(int width, int height, PixelFormat format) {
  FrameGeometry g;
  g.width = width;
  g.height = height;
  g.format = format;
  g.stride = format == PixelFormat::kY41p ? static_cast<size_t>((width + 7) / 8) * 12 : static_cast<size_t>(width) * 2;
  g.bytes = g.stride * static_cast<size_t>(height);
  return g;
}

Yuv CameraColour(uint32_t channel) {
  // Hues a golden angle apart, so neighbouring cameras never look alike.
  const double angle = static_cast<double>(channel) * 2.399963229728653;
  return Yuv{static_cast<uint8_t>(kLumaTop + kLumaSpan / 2), static_cast<uint8_t>(128 + std::lround(80 * std::cos(angle))),
             static_cast<uint8_t>(128 + std::lround(80 * std::sin(angle)))};
}

bool CameraPicture::Prepare(uint32_t channel, const FrameGeometry& geometry) {
  std::unique_ptr<uint8_t[]> background(new (std::nothrow) uint8_t[std::max<size_t>(geometry.bytes, 1)]);
  if (!background) return false;
  geometry_ = geometry;
  channel_ = channel;
  background_ = std::move(background);

  const Yuv colour = CameraColour(channel);
  const int unitBytes = UnitBytes(geometry.format);
  const size_t units = geometry.stride / unitBytes;
  uint8_t pattern[12];
  for (int y = 0; y < geometry.height; ++y) {
    // Luma grows downwards, so a picture shown upside down is obvious.
    const int luma = kLumaTop + (geometry.height > 1 ? kLumaSpan * y / (geometry.height - 1) : 0);
    UnitPattern(geometry.format, Yuv{static_cast<uint8_t>(luma), colour.u, colour.v}, pattern);
    uint8_t* row = background_.get() + static_cast<size_t>(y) * geometry.stride;
    for (size_t i = 0; i < units; ++i) std::memcpy(row + i * unitBytes, pattern, unitBytes);
  }

  const Layout l(geometry);
  const Canvas canvas(background_.get(), geometry_);
  const uint32_t number = channel + 1;
  canvas.Digit(l.numX, l.numY, l.numW, l.numH, l.numT, static_cast<int>(number / 10 % 10), kWhite);
  canvas.Digit(l.numX + l.numW + l.numGap, l.numY, l.numW, l.numH, l.numT, static_cast<int>(number % 10), kWhite);
  canvas.Fill(l.margin, l.margin, l.margin + l.panelW, l.margin + l.panelH, kBlack);
  return true;
}

void CameraPicture::Render(uint8_t* out, uint32_t frame, uint64_t tick, uint32_t ticksPerSecond) const {
  std::memcpy(out, background_.get(), geometry_.bytes);
  const uint64_t perSecond = std::max<uint32_t>(ticksPerSecond, 1);
  const Layout l(geometry_);
  const Canvas canvas(out, geometry_);
  const int w = geometry_.width, h = geometry_.height;

  const int barX = Triangle(tick, 4 * perSecond, w - l.barW);
  canvas.Fill(barX, l.barTop, barX + l.barW, h, kGrey);
  const Yuv colour = CameraColour(channel_);
  const Yuv opposite{150, static_cast<uint8_t>(256 - colour.u), static_cast<uint8_t>(256 - colour.v)};
  const int boxX = Triangle(tick, 3 * perSecond, w - l.boxSide);
  const int boxY = Triangle(tick, 11 * perSecond / 5, h - l.boxSide);
  canvas.Fill(boxX, boxY, boxX + l.boxSide, boxY + l.boxSide, opposite);

  // Row 1: the channel's frame number; row 2: the board's time as mm:ss:ff.
  const uint64_t seconds = tick / perSecond;
  const int frameDigits[6] = {static_cast<int>(frame / 100000 % 10), static_cast<int>(frame / 10000 % 10),
                              static_cast<int>(frame / 1000 % 10),   static_cast<int>(frame / 100 % 10),
                              static_cast<int>(frame / 10 % 10),     static_cast<int>(frame % 10)};
  const int timeValues[3] = {static_cast<int>(seconds / 60 % 100), static_cast<int>(seconds % 60),
                             static_cast<int>(tick % perSecond)};
  int x = l.margin + l.pad;
  for (int d : frameDigits) {
    canvas.Digit(x, l.ClockRowY(0), l.clkW, l.clkH, l.clkT, d, kWhite);
    x += l.clkW + l.clkGap;
  }
  x = l.margin + l.pad;
  const int y = l.ClockRowY(1);
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      canvas.Fill(x, y + l.clkH / 3 - l.clkT / 2, x + l.clkT, y + l.clkH / 3 - l.clkT / 2 + l.clkT, kYellow);
      canvas.Fill(x, y + 2 * l.clkH / 3 - l.clkT / 2, x + l.clkT, y + 2 * l.clkH / 3 - l.clkT / 2 + l.clkT, kYellow);
      x += l.clkSep + l.clkGap;
    }
    canvas.Digit(x, y, l.clkW, l.clkH, l.clkT, timeValues[part] / 10, kYellow);
    x += l.clkW + l.clkGap;
    canvas.Digit(x, y, l.clkW, l.clkH, l.clkT, timeValues[part] % 10, kYellow);
    x += l.clkW + l.clkGap;
  }
}

}  // namespace nuvixsim
