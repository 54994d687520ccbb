// The H.263 context: buffers sized at set-up, quantiser changes, records that
// our decoder reads back, and quiet frees of empty buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "h263_context.h"
#include "h263_decoder.h"
#include "trace_lines.h"

namespace nuvix {
namespace {


// A moving gradient with a bright box, planar 4:2:0.
void Picture(uint8_t* yuv, int w, int h, int t) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool box = x >= 40 + 2 * t && x < 90 + 2 * t && y >= 30 && y < 80;
      // Some fresh noise in every frame, so predicted pictures carry residuals.
      const uint32_t noise = ((static_cast<uint32_t>(x * 31 + y * 17 + t * 13) * 2654435761u) >> 27) & 15u;
      yuv[y * w + x] = box ? 220 : static_cast<uint8_t>(16 + (x + y + t) % 200 + noise);
    }
  std::memset(yuv + w * h, 100, w * h / 4);
  std::memset(yuv + w * h + w * h / 4, 150, w * h / 4);
}

double PsnrY(const uint8_t* a, const uint8_t* b, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * n / sum);
}

TEST(H263Context, SetupSizesTheBuffersFromTheFrameAndTheEncodersWorstCase) {
  H263Context context;
  context.CreateCodec(true);
  ASSERT_NE(context.Encoder(), nullptr);
  context.Setup(720, 576);
  EXPECT_NE(context.YuvBuffer(), nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(context.YuvBuffer()) % 32, 0u);
  EXPECT_EQ(context.Quantiser(), 128);
  EXPECT_EQ(H263Context::kOutputBytes, 40u + 1718624u);
  EXPECT_EQ(context.Header().biCompression, FOURCC_H263);
  EXPECT_EQ(context.Header().biSize, 44u);
}

TEST(H263Context, AQuantiserChangeTakesEffectWithoutRestartingTheGroupOfPictures) {
  H263Context context;
  context.CreateCodec(true);
  context.Setup(176, 144);
  std::vector<int> intra, bytes;
  for (int quantiser : {4, 4, 4, 20, 20}) {
    Picture(context.YuvBuffer(), 176, 144, static_cast<int>(intra.size()));
    int32_t coded = 0;
    context.EncodeFrame(quantiser, &coded);
    ASSERT_GT(coded, 40);
    intra.push_back(context.Intra());
    bytes.push_back(coded);
    EXPECT_EQ(context.Quantiser(), quantiser);
  }
  EXPECT_EQ(intra, (std::vector<int>{1, 0, 0, 0, 0}));
  // The same motion costs far fewer bits at the coarser quantiser.
  EXPECT_LT(bytes[3] * 2, bytes[2]);
}

TEST(H263Context, RecordsDecodeWithOurDecoder) {
  H263Context encoder;
  encoder.CreateCodec(true);
  encoder.Setup(352, 288);
  H263Context decoder;
  decoder.CreateCodec(false);
  ASSERT_NE(decoder.Decoder(), nullptr);
  std::vector<uint8_t> source(352 * 288 * 3 / 2), decoded(kH263MaxPictureBytes);
  for (int t = 0; t < 5; ++t) {
    Picture(encoder.YuvBuffer(), 352, 288, t);
    std::memcpy(source.data(), encoder.YuvBuffer(), source.size());
    int32_t bytes = 0;
    encoder.EncodeFrame(4, &bytes);
    BITMAPINFOHEADER header;
    std::memcpy(&header, encoder.Record(), sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biSizeImage + 40, static_cast<uint32_t>(bytes));
    ASSERT_EQ(decoder.Decoder()->Decode(encoder.Record() + 40, decoded.data(), static_cast<int>(header.biSizeImage)),
              1);
    EXPECT_GT(PsnrY(source.data(), decoded.data(), 352 * 288), 32.0) << t;
  }
}

TEST(H263Context, FreeingEmptyBuffersWritesNoTrace) {
  TraceLines trace;
  {
    H263Context context;
    context.ReleaseCodec();
  }
  EXPECT_TRUE(trace.Lines().empty());
  {
    H263Context context;
    context.Setup(176, 144);  // no encoder: the buffers still follow the size
    context.ReleaseCodec();
  }
  const auto lines = trace.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("MEMORY DELETE m_ptr : ", 0), 0u);
}

TEST(H263Context, WithoutAnEncoderNothingIsCoded) {
  H263Context context;
  context.Setup(176, 144);
  int32_t bytes = 7;
  context.EncodeFrame(4, &bytes);
  EXPECT_EQ(bytes, 0);
}

}  // namespace
}  // namespace nuvix
