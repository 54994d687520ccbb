// Osprel against FFmpeg's H.263 encoder, and CorvaneDec against FFmpeg's
// H.263 decoder, on the same preloaded frames in one run, single thread,
// QP 4, GOP 30, no B-frames. Only the encode (decode) loops are timed.
#include "../bench_race.h"
#include "content.h"
#include "h263_decoder.h"
#include "osprel.h"
#include "standard_header.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include <cctype>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using osprel_bench::Frame;
constexpr int kQp = 4, kGop = 30, kFrames = 60, kPasses = 3;

struct Psnr {
  double y = 0, all = 0;
};

// Mean over frames of the luma PSNR and of the PSNR over all samples.
Psnr MeanPsnr(const std::vector<Frame>& src, const std::vector<Frame>& dec, int w, int h) {
  Psnr p;
  for (size_t i = 0; i < src.size(); ++i) {
    double sy = 0, sa = 0;
    const size_t luma = size_t(w) * h;
    for (size_t k = 0; k < src[i].size(); ++k) {
      const double e = double(src[i][k]) - dec[i][k];
      sa += e * e;
      if (k < luma) sy += e * e;
    }
    auto db = [](double sq, size_t n) { return sq == 0 ? 99.0 : 10 * std::log10(255.0 * 255 * n / sq); };
    p.y += db(sy, luma);
    p.all += db(sa, src[i].size());
  }
  p.y /= src.size();
  p.all /= src.size();
  return p;
}

struct Result {
  double fps = 0;
  double bytesPerFrame = 0;
  Psnr psnr;
  std::vector<std::vector<uint8_t>> stream;
};

double BestSeconds(const std::function<double()>& run) {
  double best = 1e9;
  for (int p = 0; p < kPasses; ++p) best = std::min(best, run());
  return best;
}

// Rate, size and stream of an encoder's best pass.
Result Finished(size_t frames, double secs, std::vector<std::vector<uint8_t>> stream) {
  Result r;
  r.fps = frames / secs;
  size_t total = 0;
  for (auto& p : stream) total += p.size();
  r.bytesPerFrame = double(total) / frames;
  r.stream = std::move(stream);
  return r;
}

Result EncodeOsprel(const std::vector<Frame>& frames, int w, int h) {
  std::vector<uint8_t> out(OSPREL_MAX_PICTURE_BYTES(w, h));
  std::vector<std::vector<uint8_t>> stream(frames.size());
  const double secs = BestSeconds([&] {
    COsprel* e = CreateCOsprel();
    e->Init(w, h, kQp);
    e->SetGOP(kGop);
    const double t0 = bench::CpuSeconds();  // thread CPU time: the machine is shared
    for (size_t i = 0; i < frames.size(); ++i) {
      int bytes = 0, intra = 0;
      e->Encode(frames[i].data(), out.data(), &bytes, &intra, 0);
      stream[i].assign(out.data(), out.data() + bytes);
    }
    const double s = bench::CpuSeconds() - t0;
    e->Release();
    return s;
  });
  return Finished(frames.size(), secs, std::move(stream));
}

AVFrame* ToAvFrame(const Frame& f, int w, int h) {
  AVFrame* a = av_frame_alloc();
  a->format = AV_PIX_FMT_YUV420P;
  a->width = w;
  a->height = h;
  av_frame_get_buffer(a, 32);
  const uint8_t* src = f.data();
  for (int plane = 0; plane < 3; ++plane) {
    const int pw = plane ? w / 2 : w, ph = plane ? h / 2 : h;
    for (int r = 0; r < ph; ++r, src += pw) std::memcpy(a->data[plane] + r * a->linesize[plane], src, pw);
  }
  return a;
}

Result EncodeFfmpeg(const std::vector<Frame>& frames, int w, int h) {
  std::vector<AVFrame*> av;
  for (auto& f : frames) av.push_back(ToAvFrame(f, w, h));
  std::vector<std::vector<uint8_t>> stream;
  const double secs = BestSeconds([&] {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_H263);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = w;
    ctx->height = h;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = {1, 25};
    ctx->framerate = {25, 1};
    ctx->gop_size = kGop;
    ctx->max_b_frames = 0;
    ctx->thread_count = 1;
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * kQp;
    if (avcodec_open2(ctx, codec, nullptr) < 0) std::abort();
    AVPacket* pkt = av_packet_alloc();
    stream.clear();
    auto drain = [&] {
      while (avcodec_receive_packet(ctx, pkt) == 0) {
        stream.emplace_back(pkt->data, pkt->data + pkt->size);
        av_packet_unref(pkt);
      }
    };
    const double t0 = bench::CpuSeconds();  // thread CPU time: the machine is shared
    for (size_t i = 0; i < av.size(); ++i) {
      av[i]->pts = int64_t(i);
      av[i]->quality = ctx->global_quality;
      av[i]->pict_type = AV_PICTURE_TYPE_NONE;
      avcodec_send_frame(ctx, av[i]);
      drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    const double s = bench::CpuSeconds() - t0;
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    return s;
  });
  for (auto* a : av) av_frame_free(&a);
  return Finished(frames.size(), secs, std::move(stream));
}

// FFmpeg's decoder over a standard-syntax stream; returns pictures per second.
double DecodeFfmpeg(const std::vector<std::vector<uint8_t>>& stream, int w, int h, std::vector<Frame>* out) {
  std::vector<std::vector<uint8_t>> padded;
  for (auto& p : stream) {
    padded.emplace_back(p);
    padded.back().resize(p.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  }
  const double secs = BestSeconds([&] {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H263);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    if (out) out->clear();
    auto take = [&] {
      while (avcodec_receive_frame(ctx, f) == 0) {
        if (out) {
          Frame fr(size_t(w) * h * 3 / 2);
          uint8_t* d = fr.data();
          for (int plane = 0; plane < 3; ++plane) {
            const int pw = plane ? w / 2 : w, ph = plane ? h / 2 : h;
            for (int r = 0; r < ph; ++r, d += pw) std::memcpy(d, f->data[plane] + r * f->linesize[plane], pw);
          }
          out->push_back(std::move(fr));
        }
        av_frame_unref(f);
      }
    };
    const double t0 = bench::CpuSeconds();  // thread CPU time: the machine is shared
    for (size_t i = 0; i < padded.size(); ++i) {
      pkt->data = padded[i].data();
      pkt->size = int(stream[i].size());
      avcodec_send_packet(ctx, pkt);
      take();
    }
    avcodec_send_packet(ctx, nullptr);
    take();
    const double s = bench::CpuSeconds() - t0;
    av_frame_free(&f);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    return s;
  });
  return stream.size() / secs;
}

double DecodeCorvane(const std::vector<std::vector<uint8_t>>& stream, int w, int h, std::vector<Frame>* out) {
  std::vector<uint8_t> picture(kH263MaxPictureBytes);
  const double secs = BestSeconds([&] {
    CH263Decoder* d = CreateCorvaneDecoder();
    d->Init(0);
    if (out) out->clear();
    const double t0 = bench::CpuSeconds();  // thread CPU time: the machine is shared
    for (auto& p : stream) {
      if (!d->Decode(p.data(), picture.data(), int(p.size()))) std::abort();
      if (out) out->emplace_back(picture.begin(), picture.begin() + size_t(w) * h * 3 / 2);
    }
    const double s = bench::CpuSeconds() - t0;
    d->Release();
    return s;
  });
  return stream.size() / secs;
}

void Row(const char* content, int w, int h, const std::vector<Frame>& frames) {
  Result ours = EncodeOsprel(frames, w, h);
  Result theirs = EncodeFfmpeg(frames, w, h);

  std::vector<Frame> ourDecoded, theirDecoded, check;
  const double ourDecodeFps = DecodeCorvane(ours.stream, w, h, &ourDecoded);
  ours.psnr = MeanPsnr(frames, ourDecoded, w, h);
  DecodeFfmpeg(theirs.stream, w, h, &theirDecoded);
  theirs.psnr = MeanPsnr(frames, theirDecoded, w, h);

  // Both decoders on our stream (FFmpeg's after the header rewrite).
  std::vector<std::vector<uint8_t>> standard;
  for (auto& p : ours.stream) {
    std::vector<uint8_t> s(p.size());
    s.resize(osprel::ToStandardHeader(p.data(), p.size(), s.data()));
    standard.push_back(std::move(s));
  }
  const double theirDecodeFps = DecodeFfmpeg(standard, w, h, &check);
  const double ourDecodeOnly = DecodeCorvane(ours.stream, w, h, nullptr);
  (void)ourDecodeFps;

  std::printf("| %-8s | %dx%d | %7.0f | %7.0f | %5.2fx | %8.0f | %8.0f | %+6.1f%% | %5.2f / %5.2f | %5.2f / %5.2f | %7.0f | %7.0f | %5.2fx |\n",
              content, w, h, ours.fps, theirs.fps, ours.fps / theirs.fps, ours.bytesPerFrame,
              theirs.bytesPerFrame, 100.0 * (ours.bytesPerFrame / theirs.bytesPerFrame - 1), ours.psnr.y,
              ours.psnr.all, theirs.psnr.y, theirs.psnr.all, ourDecodeOnly, theirDecodeFps,
              ourDecodeOnly / theirDecodeFps);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_ERROR);
  // Optional arguments: a content name (pattern, fractal, pan) and/or a width (352, 704).
  std::string only;
  int onlyWidth = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::isdigit(static_cast<unsigned char>(argv[i][0])))
      onlyWidth = std::atoi(argv[i]);
    else
      only = argv[i];
  }
  std::printf("Osprel vs FFmpeg %s, QP %d, GOP %d, %d frames, best of %d passes, single thread, "
              "frames per second of thread CPU time\n\n",
              av_version_info(), kQp, kGop, kFrames, kPasses);
  std::printf("| content  | size    | enc fps | ffm fps | ratio  | B/frame  | ffm B/fr | bytes   | PSNR Y/avg    | ffm Y/avg     | dec fps | ffm dec | ratio  |\n");
  std::printf("|----------|---------|---------|---------|--------|----------|----------|---------|---------------|---------------|---------|---------|--------|\n");
  const int sizes[][2] = {{352, 288}, {704, 576}};
  const osprel_bench::Still still = osprel_bench::MakeStill(704 + 3 * kFrames + 16, 576 + kFrames + 16);
  for (const auto& s : sizes) {
    if (onlyWidth && s[0] != onlyWidth) continue;
    const int w = s[0], h = s[1];
    auto run = [&](const char* name, const std::function<Frame(int)>& make) {
      if (!only.empty() && only != name) return;
      std::vector<Frame> frames;
      for (int t = 0; t < kFrames; ++t) frames.push_back(make(t));
      Row(name, w, h, frames);
    };
    run("pattern", [&](int t) { return osprel_bench::TestPattern(w, h, t); });
    run("fractal", [&](int t) { return osprel_bench::FractalTexture(w, h, t); });
    run("pan", [&](int t) { return osprel_bench::Pan(still, w, h, t); });
  }
  return 0;
}
