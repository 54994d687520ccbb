// osprel-enc: encodes a raw planar 4:2:0 (I420) file into an H.263 stream.
#include "encoder.h"
#include "picture_format.h"
#include "standard_header.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: osprel-enc -s WxH [-q QP] [-g GOP] [--standard-header] in.yuv out.263\n"
               "  -s WxH             picture size (one of the 20 coded sizes, e.g. 352x288)\n"
               "  -q QP              quantiser 1..30 (default 4)\n"
               "  -g GOP             intra period in frames, >= 1 (default 30)\n"
               "  --standard-header  write the standard 3-bit source format (176x144, 352x288,\n"
               "                     704x576 only) so that standard players decode the file\n");
}

double Psnr(double squaredError, double samples) {
  return squaredError == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * samples / squaredError);
}

double SquaredError(const uint8_t* a, const uint8_t* b, size_t n) {
  double s = 0;
  for (size_t i = 0; i < n; ++i) {
    const double d = double(a[i]) - double(b[i]);
    s += d * d;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0, qp = 4, gop = 30;
  bool standard = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "osprel-enc: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "-s") {
      if (std::sscanf(value(), "%dx%d", &width, &height) != 2) width = height = 0;
    } else if (a == "-q") {
      qp = std::atoi(value());
    } else if (a == "-g") {
      gop = std::atoi(value());
    } else if (a == "--standard-header") {
      standard = true;
    } else if (a == "-h" || a == "--help") {
      Usage(stdout);
      return 0;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(stderr, "osprel-enc: unknown option %s\n", a.c_str());
      Usage(stderr);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    Usage(stderr);
    return 2;
  }
  if (!osprel::FormatCode(width, height)) {
    std::fprintf(stderr, "osprel-enc: %dx%d is not a coded size\n", width, height);
    return 2;
  }
  if (standard && !osprel::StandardSourceFormat(width, height)) {
    std::fprintf(stderr, "osprel-enc: %dx%d has no standard source format (176x144, 352x288, 704x576)\n", width,
                 height);
    return 2;
  }
  if (qp < 1 || qp > 30) {
    std::fprintf(stderr, "osprel-enc: QP must be 1..30\n");
    return 2;
  }
  if (gop < 1) {
    std::fprintf(stderr, "osprel-enc: GOP must be at least 1\n");
    return 2;
  }

  FILE* in = files[0] == "-" ? stdin : std::fopen(files[0].c_str(), "rb");
  if (!in) {
    std::perror(files[0].c_str());
    return 1;
  }
  FILE* out = std::fopen(files[1].c_str(), "wb");
  if (!out) {
    std::perror(files[1].c_str());
    return 1;
  }

  std::unique_ptr<osprel::Encoder> enc(new osprel::Encoder());
  enc->Init(width, height, qp);
  enc->SetGOP(gop);
  const size_t luma = size_t(width) * height, chroma = luma / 4, frameBytes = luma + 2 * chroma;
  std::vector<uint8_t> frame(frameBytes), standardBytes(OSPREL_MAX_PICTURE_BYTES(width, height));
  std::vector<uint8_t> coded(OSPREL_MAX_PICTURE_BYTES(width, height));
  long long totalBytes = 0;
  int frames = 0, intraFrames = 0;
  double psnrY = 0, psnrCb = 0, psnrCr = 0, psnrAll = 0;
  size_t got;
  while ((got = std::fread(frame.data(), 1, frameBytes, in)) == frameBytes) {
    int bytes = 0, intra = 0;
    enc->Encode(frame.data(), coded.data(), &bytes, &intra, 0);
    const uint8_t* data = coded.data();
    size_t n = size_t(bytes);
    if (standard) {
      n = osprel::ToStandardHeader(coded.data(), n, standardBytes.data());
      data = standardBytes.data();
    }
    if (std::fwrite(data, 1, n, out) != n) {
      std::perror(files[1].c_str());
      return 1;
    }
    const osprel::FrameStore& rec = enc->LastPicture();
    const double ey = SquaredError(frame.data(), rec.y, luma);
    const double eb = SquaredError(frame.data() + luma, rec.cb, chroma);
    const double er = SquaredError(frame.data() + luma + chroma, rec.cr, chroma);
    psnrY += Psnr(ey, double(luma));
    psnrCb += Psnr(eb, double(chroma));
    psnrCr += Psnr(er, double(chroma));
    psnrAll += Psnr(ey + eb + er, double(frameBytes));
    totalBytes += (long long)n;
    intraFrames += intra;
    ++frames;
    std::fprintf(stderr, "\rframe %d %c %7zu bytes, %lld in all", frames, intra ? 'I' : 'P', n, totalBytes);
  }
  if (frames) std::fprintf(stderr, "\n");
  if (got != 0) std::fprintf(stderr, "osprel-enc: ignored %zu bytes of an incomplete last frame\n", got);
  if (in != stdin) std::fclose(in);
  if (std::fclose(out) != 0) {
    std::perror(files[1].c_str());
    return 1;
  }

  std::printf("frames: %d (I %d, P %d)\n", frames, intraFrames, frames - intraFrames);
  std::printf("bytes: %lld (%.1f per frame)\n", totalBytes, frames ? double(totalBytes) / frames : 0.0);
  if (frames)
    std::printf("PSNR: Y %.2f dB, Cb %.2f dB, Cr %.2f dB, average %.2f dB\n", psnrY / frames, psnrCb / frames,
                psnrCr / frames, psnrAll / frames);
  return frames ? 0 : 1;
}
