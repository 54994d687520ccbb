#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "aligned_buffer.h"
#include "mjpg_context.h"
#include "trace_lines.h"
#include "recorded_file.h"

namespace nuvix {
namespace {


TEST(AlignedBuffer, AlignsTracesFreesAndStaysQuietWhenEmpty) {
  TraceLines trace;
  {
    AlignedBuffer never;
    never.Free();
  }
  EXPECT_TRUE(trace.Lines().empty());

  AlignedBuffer b;
  for (size_t alignment : {32u, 64u, 48u}) {
    for (size_t bytes : {1u, 31u, 622080u}) {
      ASSERT_TRUE(b.Allocate(bytes, alignment));
      EXPECT_EQ(reinterpret_cast<uintptr_t>(b.data()) % alignment, 0u);
      EXPECT_EQ(b.size(), bytes);
      std::memset(b.data(), 0x5A, bytes);  // the whole length is usable
    }
  }
  for (size_t small : {0u, 1u, 3u}) {
    ASSERT_TRUE(b.Allocate(10, small));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.data()) % 4, 0u);
  }
  trace.Clear();
  b.Free();
  b.Free();
  const auto lines = trace.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("MEMORY DELETE m_ptr : ", 0), 0u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), " \n");
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(b.data(), nullptr);
}

// Studio-range BT.601 to RGB, the meaning of the board's samples.
void StudioToRgb(int y, int u, int v, uint8_t rgb[3]) {
  const double c = 1.164383 * (y - 16), d = u - 128.0, e = v - 128.0;
  const double r = c + 1.596027 * e, g = c - 0.391762 * d - 0.812968 * e, b = c + 2.017232 * d;
  for (double x : {r, g, b}) *rgb++ = static_cast<uint8_t>(std::clamp(std::lround(x), 0L, 255L));
}

// A picture with smooth gradients, hard edges, and the black and white ends of the range.
struct Frame {
  int width, height;
  std::vector<uint8_t> uyvy;
  std::vector<uint8_t> rgb;  // reference, top row first
};

Frame MakeFrame(int width, int height) {
  Frame f{width, height, std::vector<uint8_t>(width * height * 2), std::vector<uint8_t>(width * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 2) {
      int luma[2];
      for (int k = 0; k < 2; ++k) {
        const int px = x + k;
        if (y < height / 8) luma[k] = px < width / 2 ? 16 : 235;
        else luma[k] = 16 + (px * 219 / width + y * 100 / height) % 220;
      }
      const int u = y < height / 8 ? 128 : 40 + (x * 180 / width);
      const int v = y < height / 8 ? 128 : 220 - (y * 180 / height);
      uint8_t* p = &f.uyvy[(y * width + x) * 2];
      p[0] = static_cast<uint8_t>(u);
      p[1] = static_cast<uint8_t>(luma[0]);
      p[2] = static_cast<uint8_t>(v);
      p[3] = static_cast<uint8_t>(luma[1]);
      for (int k = 0; k < 2; ++k) StudioToRgb(luma[k], u, v, &f.rgb[(y * width + x + k) * 3]);
    }
  }
  return f;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// A captured UYVY frame goes through the channel's context into a recorded
// file as the video tab writes it; the record read back is an ordinary JPEG
// that an outside decoder shows with the right colours and levels, and the
// player's own context decodes it to the same picture.
TEST(MjpgContext, RecordedFrameDecodesWithAnOutsideDecoder) {
  constexpr int kWidth = 352, kHeight = 288;
  const Frame frame = MakeFrame(kWidth, kHeight);

  MjpgContext capture;
  capture.OpenCodec(3);
  ASSERT_NE(capture.codec(), nullptr);
  capture.SetInput(kWidth, kHeight, FOURCC_UYVY);
  EXPECT_EQ(capture.input().bmiHeader.biSize, 44u);
  EXPECT_EQ(capture.input().bmiHeader.biBitCount, 16);
  EXPECT_EQ(capture.input().bmiHeader.biSizeImage, static_cast<uint32_t>(kWidth * kHeight));

  const std::string path = ::testing::TempDir() + "mjpg_ctx_" + std::to_string(::getpid()) + ".MJP";
  {
    RecordedFile out;
    ASSERT_TRUE(out.SetPath("%s", path.c_str()));
    ASSERT_TRUE(out.Open(RecordedFile::kWrite));
    out.WriteHeader(true, 8);
    for (int n = 0; n < 2; ++n) {
      int32_t size = 0;
      HANDLE block = capture.Compress(frame.uyvy.data(), 5000, &size);
      ASSERT_NE(block, nullptr);
      const auto* record = static_cast<const uint8_t*>(GlobalLock(block));
      ASSERT_NE(record, nullptr);
      const uint32_t length = (record[0] & 0xFFu) + static_cast<uint32_t>(size);
      EXPECT_EQ(out.Transfer(static_cast<const void*>(record), length), length);
      GlobalUnlock(block);
      EXPECT_EQ(GlobalFree(block), nullptr);
    }
  }

  RecordedFile in;
  ASSERT_TRUE(in.SetPath("%s", path.c_str()));
  ASSERT_TRUE(in.Open(RecordedFile::kRead));
  ASSERT_TRUE(in.ScanHeader());
  ASSERT_EQ(in.BuildIndex(), 2u);
  std::vector<uint8_t> payload(524288);
  BITMAPINFOHEADER header{};
  ASSERT_GT(in.ReadRecord(1, payload.data(), static_cast<uint32_t>(payload.size()), &header), 40u);
  in.Close();
  std::remove(path.c_str());
  EXPECT_EQ(header.biCompression, FOURCC_MJPG);
  EXPECT_EQ(header.biWidth, kWidth);
  EXPECT_EQ(header.biHeight, kHeight);

  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, subsamp = -1, colorspace = -1;
  ASSERT_EQ(tjDecompressHeader3(tj, payload.data(), header.biSizeImage, &w, &h, &subsamp, &colorspace), 0);
  EXPECT_EQ(w, kWidth);
  EXPECT_EQ(h, kHeight);
  EXPECT_EQ(subsamp, TJSAMP_422);
  std::vector<uint8_t> decoded(kWidth * kHeight * 3);
  ASSERT_EQ(tjDecompress2(tj, payload.data(), header.biSizeImage, decoded.data(), kWidth, 0, kHeight, TJPF_RGB, 0), 0);
  tjDestroy(tj);
  const double outside = Psnr(decoded, frame.rgb);
  std::printf("outside decoder PSNR at quality 5000: %.2f dB\n", outside);
  EXPECT_GT(outside, 34.0);
  // Black and white bars decode to the ends of the RGB range, not to grey.
  EXPECT_LE(decoded[(4 * kWidth + 8) * 3], 4);
  EXPECT_GE(decoded[(4 * kWidth + kWidth - 8) * 3], 251);

  MjpgContext player;
  player.OpenCodec(MjpgContext::kPlayChannel);
  HANDLE picture = player.Decompress(&header, payload.data());
  ASSERT_NE(picture, nullptr);
  const auto* dib = static_cast<const uint8_t*>(GlobalLock(picture));
  BITMAPINFOHEADER shown;
  std::memcpy(&shown, dib, sizeof shown);
  EXPECT_EQ(shown.biBitCount, 32);
  EXPECT_EQ(shown.biSizeImage, static_cast<uint32_t>(kWidth * kHeight * 4));
  std::vector<uint8_t> rgb(kWidth * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* row = dib + shown.biSize + static_cast<size_t>(kHeight - 1 - y) * kWidth * 4;  // bottom-up
    for (int x = 0; x < kWidth; ++x) {
      rgb[(y * kWidth + x) * 3 + 0] = row[x * 4 + 2];
      rgb[(y * kWidth + x) * 3 + 1] = row[x * 4 + 1];
      rgb[(y * kWidth + x) * 3 + 2] = row[x * 4 + 0];
    }
  }
  GlobalUnlock(picture);
  GlobalFree(picture);
  const double own = Psnr(rgb, frame.rgb);
  std::printf("player context PSNR at quality 5000: %.2f dB\n", own);
  EXPECT_GT(own, 34.0);
}

TEST(MjpgContext, WithoutACodecFramesAreSkipped) {
  const Frame frame = MakeFrame(64, 16);
  MjpgContext ctx;
  ctx.SetInput(64, 16, FOURCC_UYVY);
  int32_t size = -1;
  EXPECT_EQ(ctx.Compress(frame.uyvy.data(), 5000, &size), nullptr);
  EXPECT_EQ(size, -1);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biSizeImage = 10;
  EXPECT_EQ(ctx.Decompress(&header, frame.uyvy.data()), nullptr);

  ctx.OpenCodec(0);
  ASSERT_NE(ctx.codec(), nullptr);
  ctx.SetInput(64, 16, FOURCC_Y41P);  // not a format the codec takes
  EXPECT_EQ(ctx.Compress(frame.uyvy.data(), 5000, &size), nullptr);
  ctx.CloseCodec();
  ctx.CloseCodec();
  EXPECT_EQ(ctx.codec(), nullptr);
}

// The player's buffer receives a picture only when the whole picture fits;
// otherwise neither the buffer nor the shown header changes.
TEST(MjpgContext, DecompressIntoFillsOnlyABufferThePictureFits) {
  constexpr int kW = 64, kH = 16;
  const Frame frame = MakeFrame(kW, kH);
  MjpgContext coder;
  coder.OpenCodec(0);
  coder.SetInput(kW, kH, FOURCC_UYVY);
  int32_t size = 0;
  HANDLE block = coder.Compress(frame.uyvy.data(), 5000, &size);
  ASSERT_NE(block, nullptr);
  const auto* coded = static_cast<const uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER record;
  std::memcpy(&record, coded, sizeof record);
  const std::vector<uint8_t> payload(coded + record.biSize, coded + record.biSize + size);
  GlobalUnlock(block);
  GlobalFree(block);

  MjpgContext player;
  player.OpenCodec(MjpgContext::kPlayChannel);
  constexpr uint32_t kPicture = kW * kH * 4;
  for (const uint32_t capacity : {kPicture + 4, kPicture, kPicture - 1, 0u}) {
    SCOPED_TRACE(capacity);
    std::vector<uint8_t> picture(capacity + 1, 0xEE);
    BITMAPINFOHEADER shown;
    std::memset(&shown, 0x5A, sizeof shown);
    const bool fits = capacity >= kPicture;
    ASSERT_EQ(player.DecompressInto(record, payload.data(), picture.data(), capacity, &shown), fits);
    if (fits) {
      EXPECT_EQ(shown.biWidth, kW);
      EXPECT_EQ(shown.biHeight, kH);
      EXPECT_EQ(shown.biBitCount, 32);
      EXPECT_EQ(shown.biSizeImage, kPicture);
      EXPECT_EQ(picture[kPicture], 0xEE);  // nothing past the picture
    } else {
      EXPECT_EQ(shown.biWidth, 0x5A5A5A5A);
      EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [](uint8_t b) { return b == 0xEE; }));
    }
  }
}

}  // namespace
}  // namespace nuvix
