// FFmpeg's H.263 decoder as an outside judge of the bit stream: after the
// header is rewritten to the standard source format it must decode every
// picture, and its pictures must match the encoder's reconstruction up to the
// differences of the two inverse DCTs.
#include "encoder.h"
#include "standard_header.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using osprel_test::FrameBytes;

class FfmpegH263 {
 public:
  FfmpegH263() {
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H263);
    ctx_ = avcodec_alloc_context3(codec);
    ctx_->thread_count = 1;
    ctx_->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER;
    ok_ = avcodec_open2(ctx_, codec, nullptr) == 0;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
  }
  ~FfmpegH263() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&ctx_);
  }
  bool ok() const { return ok_; }

  // Decodes one picture into planar 4:2:0; false when FFmpeg refuses it.
  bool Decode(const std::vector<uint8_t>& bytes, int w, int h, std::vector<uint8_t>& out) {
    std::vector<uint8_t> padded(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::memcpy(padded.data(), bytes.data(), bytes.size());
    packet_->data = padded.data();
    packet_->size = int(bytes.size());
    if (avcodec_send_packet(ctx_, packet_) < 0) return false;
    if (avcodec_receive_frame(ctx_, frame_) < 0) return false;
    if (frame_->width != w || frame_->height != h || frame_->format != AV_PIX_FMT_YUV420P) return false;
    out.resize(FrameBytes(w, h));
    uint8_t* dst = out.data();
    for (int plane = 0; plane < 3; ++plane) {
      const int pw = plane ? w / 2 : w, ph = plane ? h / 2 : h;
      for (int r = 0; r < ph; ++r, dst += pw) std::memcpy(dst, frame_->data[plane] + r * frame_->linesize[plane], pw);
    }
    av_frame_unref(frame_);
    return true;
  }

 private:
  AVCodecContext* ctx_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  bool ok_ = false;
};

std::vector<uint8_t> Reconstruction(const osprel::Encoder& e) {
  const int w = e.Width(), h = e.Height();
  std::vector<uint8_t> out(FrameBytes(w, h));
  std::memcpy(out.data(), e.LastPicture().y, size_t(w) * h);
  std::memcpy(out.data() + w * h, e.LastPicture().cb, size_t(w) * h / 4);
  std::memcpy(out.data() + w * h * 5 / 4, e.LastPicture().cr, size_t(w) * h / 4);
  return out;
}

struct OracleCase {
  int w, h, qp, frames;
};

void RunOracle(const OracleCase& c) {
  SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " QP " << c.qp);
  FfmpegH263 ffmpeg;
  ASSERT_TRUE(ffmpeg.ok());
  osprel::Encoder* enc = new osprel::Encoder();
  ASSERT_EQ(enc->Init(c.w, c.h, c.qp), 1);
  std::vector<uint8_t> frame(FrameBytes(c.w, c.h)), standard, decoded;
  int worst = 0, interPictures = 0;
  double meanSum = 0, worstPsnr = 99, firstMax = 0;
  long long bytes = 0;
  for (int t = 0; t < c.frames; ++t) {
    osprel_test::MovingScene(c.w, c.h, t, frame.data());
    unsigned char* data;
    int n, intra;
    enc->EncodeToInternal(frame.data(), &data, &n, &intra, 0);
    ASSERT_EQ(intra, t == 0);
    interPictures += !intra;
    bytes += n;
    standard.assign(size_t(n), 0);
    const size_t sn = osprel::ToStandardHeader(data, size_t(n), standard.data());
    ASSERT_GT(sn, 0u);
    standard.resize(sn);
    ASSERT_TRUE(ffmpeg.Decode(standard, c.w, c.h, decoded)) << "FFmpeg refused picture " << t;
    const auto rec = Reconstruction(*enc);
    const auto d = osprel_test::Compare(decoded.data(), rec.data(), rec.size());
    if (t == 0) firstMax = d.max;
    worst = std::max(worst, d.max);
    meanSum += d.mean;
    worstPsnr = std::min(worstPsnr, d.psnr);
  }
  enc->Release();
  const double mean = meanSum / c.frames;
  std::printf("FFmpeg vs Osprel reconstruction %dx%d QP %d, %d pictures (%d P), %lld bytes: "
              "max diff %d (I picture %g), mean abs diff %.4f, worst PSNR %.2f dB\n",
              c.w, c.h, c.qp, c.frames, interPictures, bytes, worst, firstMax, mean, worstPsnr);
  testing::Test::RecordProperty("max_diff", worst);
  // One inverse-DCT rounding step apart in the intra picture; P pictures carry
  // such steps forward through the prediction, so allow a few levels in spots.
  EXPECT_LE(firstMax, 1);
  EXPECT_LE(worst, 6);
  EXPECT_LT(mean, 0.1);
  EXPECT_GT(worstPsnr, 48.0);
}

TEST(FfmpegOracle, QcifDecodesToTheReconstruction) { RunOracle({176, 144, 2, 30}); }
TEST(FfmpegOracle, CifDecodesToTheReconstruction) { RunOracle({352, 288, 4, 30}); }
TEST(FfmpegOracle, FourCifDecodesToTheReconstruction) { RunOracle({704, 576, 8, 30}); }

}  // namespace
