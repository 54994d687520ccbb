// Osprel against FFmpeg's H.263 encoder, and CorvaneDec against FFmpeg's
// H.263 decoder on Osprel's stream, on the same preloaded frames in one run:
// single thread, QP 4, GOP 30, no B-frames. Only the encode (decode) loops
// are timed, in thread CPU time; the passes of the two sides alternate and
// each side keeps its best, so load that comes and goes on a shared machine
// reaches both alike. Quality is measured through FFmpeg's decoder for both
// streams (what a player shows), per plane.
//   osprel_vs_ffmpeg [pattern|fractal|pan] [352|704] [--luma-skip] [--passes N] [--encode|--decode]
// (--encode or --decode: that race alone, without the quality figures)
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
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using osprel_bench::Frame;
using Stream = std::vector<std::vector<uint8_t>>;
constexpr int kQp = 4, kGop = 30, kFrames = 60;

struct Options {
  std::string content;  // all when empty
  int width = 0;        // both sizes when 0
  bool lumaSkip = false;
  int passes = 7;
  bool encode = true, decode = true, quality = true;
};

struct Psnr {
  double y = 0, cb = 0, cr = 0;
};

double PlanePsnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double sq = 0;
  for (size_t i = 0; i < n; ++i) {
    const double e = double(a[i]) - b[i];
    sq += e * e;
  }
  return sq == 0 ? 99.0 : 10 * std::log10(255.0 * 255 * n / sq);
}

// Mean over the pictures of each plane's PSNR.
Psnr MeanPsnr(const std::vector<Frame>& src, const std::vector<Frame>& dec, int w, int h) {
  Psnr p;
  const size_t luma = size_t(w) * h, chroma = luma / 4;
  for (size_t i = 0; i < src.size(); ++i) {
    p.y += PlanePsnr(src[i].data(), dec[i].data(), luma);
    p.cb += PlanePsnr(src[i].data() + luma, dec[i].data() + luma, chroma);
    p.cr += PlanePsnr(src[i].data() + luma + chroma, dec[i].data() + luma + chroma, chroma);
  }
  const double n = double(src.size());
  return {p.y / n, p.cb / n, p.cr / n};
}

double BytesPerPicture(const Stream& s) {
  size_t total = 0;
  for (const auto& p : s) total += p.size();
  return double(total) / double(s.size());
}

// Best rates (pictures per second) of two sides whose passes alternate.
struct Rates {
  double ours = 0, theirs = 0;
};
Rates Alternate(int passes, size_t pictures, const std::function<double()>& ours,
                const std::function<double()>& theirs) {
  double bestOurs = 1e9, bestTheirs = 1e9;
  for (int p = 0; p < passes; ++p) {
    bestOurs = std::min(bestOurs, ours());
    bestTheirs = std::min(bestTheirs, theirs());
  }
  return {double(pictures) / bestOurs, double(pictures) / bestTheirs};
}

// One timed pass of Osprel over the frames; the stream it wrote.
double EncodeOsprel(const std::vector<Frame>& frames, int w, int h, bool lumaSkip, Stream* stream) {
  std::vector<uint8_t> out(OSPREL_MAX_PICTURE_BYTES(w, h));
  stream->assign(frames.size(), {});
  for (auto& p : *stream) p.reserve(out.size() / 8);
  COsprel* e = CreateCOsprel();
  e->Init(w, h, kQp);
  e->SetGOP(kGop);
  OsprelSetSkipRule(e, lumaSkip ? OSPREL_SKIP_LUMA_ONLY : OSPREL_SKIP_OWN_RESIDUAL);
  const double t0 = bench::CpuSeconds();
  for (size_t i = 0; i < frames.size(); ++i) {
    int bytes = 0, intra = 0;
    e->Encode(frames[i].data(), out.data(), &bytes, &intra, 0);
    (*stream)[i].assign(out.data(), out.data() + bytes);
  }
  const double s = bench::CpuSeconds() - t0;
  e->Release();
  return s;
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

// One timed pass of FFmpeg's encoder over the frames; the stream it wrote.
double EncodeFfmpeg(const std::vector<AVFrame*>& frames, int w, int h, Stream* stream) {
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
  stream->clear();
  auto drain = [&] {
    while (avcodec_receive_packet(ctx, pkt) == 0) {
      stream->emplace_back(pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
    }
  };
  const double t0 = bench::CpuSeconds();
  for (size_t i = 0; i < frames.size(); ++i) {
    frames[i]->pts = int64_t(i);
    frames[i]->quality = ctx->global_quality;
    frames[i]->pict_type = AV_PICTURE_TYPE_NONE;
    avcodec_send_frame(ctx, frames[i]);
    drain();
  }
  avcodec_send_frame(ctx, nullptr);
  drain();
  const double s = bench::CpuSeconds() - t0;
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  return s;
}

// One timed pass of FFmpeg's decoder over a standard-syntax stream (each
// picture followed by the padding FFmpeg reads ahead); the pictures when asked.
double DecodeFfmpeg(const Stream& padded, int w, int h, std::vector<Frame>* out) {
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
  const double t0 = bench::CpuSeconds();
  for (const auto& p : padded) {
    pkt->data = const_cast<uint8_t*>(p.data());
    pkt->size = int(p.size() - AV_INPUT_BUFFER_PADDING_SIZE);
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
}

// One timed pass of CorvaneDec over Osprel's own stream.
double DecodeCorvane(const Stream& stream) {
  std::vector<uint8_t> picture(kH263MaxPictureBytes);
  CH263Decoder* d = CreateCorvaneDecoder();
  d->Init(0);
  const double t0 = bench::CpuSeconds();
  for (const auto& p : stream)
    if (!d->Decode(p.data(), picture.data(), int(p.size()))) std::abort();
  const double s = bench::CpuSeconds() - t0;
  d->Release();
  return s;
}

Stream Padded(Stream s) {
  for (auto& p : s) p.resize(p.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  return s;
}

// Osprel's stream with the standard picture header, padded for FFmpeg's decoder.
Stream StandardPadded(const Stream& ours) {
  Stream standard;
  for (const auto& p : ours) {
    std::vector<uint8_t> s(p.size());
    s.resize(osprel::ToStandardHeader(p.data(), p.size(), s.data()));
    standard.push_back(std::move(s));
  }
  return Padded(std::move(standard));
}

void Row(const char* content, int w, int h, const std::vector<Frame>& frames, const Options& o) {
  std::vector<AVFrame*> av;
  for (const auto& f : frames) av.push_back(ToAvFrame(f, w, h));
  Stream ours, theirs;
  const Rates enc = Alternate(o.encode ? o.passes : 1, frames.size(),
                              [&] { return EncodeOsprel(frames, w, h, o.lumaSkip, &ours); },
                              [&] { return EncodeFfmpeg(av, w, h, &theirs); });
  for (auto* a : av) av_frame_free(&a);

  const Stream oursForFfmpeg = StandardPadded(ours);
  const Rates dec = o.decode ? Alternate(o.passes, ours.size(), [&] { return DecodeCorvane(ours); },
                                         [&] { return DecodeFfmpeg(oursForFfmpeg, w, h, nullptr); })
                             : Rates{};

  Psnr q, fq;
  if (o.quality) {
    std::vector<Frame> oursShown, theirsShown;
    DecodeFfmpeg(oursForFfmpeg, w, h, &oursShown);
    DecodeFfmpeg(Padded(theirs), w, h, &theirsShown);
    q = MeanPsnr(frames, oursShown, w, h);
    fq = MeanPsnr(frames, theirsShown, w, h);
  }

  std::printf("| %-7s | %dx%d | %6.0f | %6.0f | %5.2fx | %6.0f | %6.0f | %5.2fx | %6.0f | %6.0f | %5.2f / %5.2f / %5.2f | %5.2f / %5.2f / %5.2f |\n",
              content, w, h, enc.ours, enc.theirs, enc.ours / enc.theirs, dec.ours, dec.theirs, dec.ours / dec.theirs,
              BytesPerPicture(ours), BytesPerPicture(theirs), q.y, q.cb, q.cr, fq.y, fq.cb, fq.cr);
  std::fflush(stdout);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--luma-skip")
      o.lumaSkip = true;
    else if (a == "--encode" || a == "--decode")
      (a == "--encode" ? o.decode : o.encode) = o.quality = false;
    else if (a == "--passes" && i + 1 < argc)
      o.passes = std::max(1, std::atoi(argv[++i]));
    else if (std::isdigit(static_cast<unsigned char>(a[0])))
      o.width = std::atoi(a.c_str());
    else
      o.content = a;
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_ERROR);
  const Options o = Parse(argc, argv);
  std::printf("Osprel (%s skip rule) vs FFmpeg %s: QP %d, GOP %d, %d frames, best of %d alternating passes, "
              "single thread, pictures per second of thread CPU time; decoders on Osprel's stream; "
              "PSNR through FFmpeg's decoder, mean over the pictures\n\n",
              o.lumaSkip ? "luma-only" : "own-residual", av_version_info(), kQp, kGop, kFrames, o.passes);
  std::printf("| content | size    | enc/s  | ffm/s  | enc    | dec/s  | ffm/s  | dec    | B/pic  | ffm    | PSNR Y / Cb / Cr      | FFmpeg Y / Cb / Cr    |\n");
  std::printf("|---------|---------|--------|--------|--------|--------|--------|--------|--------|--------|-----------------------|-----------------------|\n");
  const int sizes[][2] = {{352, 288}, {704, 576}};
  const osprel_bench::Still still = osprel_bench::MakeStill(704 + 3 * kFrames + 16, 576 + kFrames + 16);
  for (const auto& s : sizes) {
    if (o.width && s[0] != o.width) continue;
    const int w = s[0], h = s[1];
    auto run = [&](const char* name, const std::function<Frame(int)>& make) {
      if (!o.content.empty() && o.content != name) return;
      std::vector<Frame> frames;
      for (int t = 0; t < kFrames; ++t) frames.push_back(make(t));
      Row(name, w, h, frames, o);
    };
    run("pattern", [&](int t) { return osprel_bench::TestPattern(w, h, t); });
    run("fractal", [&](int t) { return osprel_bench::FractalTexture(w, h, t); });
    run("pan", [&](int t) { return osprel_bench::Pan(still, w, h, t); });
  }
  return 0;
}
