// osprel-enc: encodes a raw planar 4:2:0 (I420) file into an H.263 stream.
#include "encoder.h"
#include "osprel_enc_command_line.h"
#include "standard_header.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

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

// Opens the input, refusing what cannot hold frames (a directory reads as an
// error only at the first read, after the output would have been created).
FILE* OpenInput(const std::string& name) {
  if (name == "-") return stdin;
  FILE* in = std::fopen(name.c_str(), "rb");
  if (!in) {
    std::perror(name.c_str());
    return nullptr;
  }
  struct stat info;
  if (fstat(fileno(in), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fprintf(stderr, "osprel-enc: %s is a directory\n", name.c_str());
    std::fclose(in);
    return nullptr;
  }
  return in;
}

// Reads one whole frame; false at the end of the input or on a read error,
// with `got` the bytes it did read.
bool ReadFrame(FILE* in, std::vector<uint8_t>& frame, size_t& got) {
  got = std::fread(frame.data(), 1, frame.size(), in);
  return got == frame.size();
}

bool ReportReadError(FILE* in, const std::string& name) {
  if (!std::ferror(in)) return false;
  std::fprintf(stderr, "osprel-enc: cannot read %s: %s\n", name.c_str(), std::strerror(errno));
  return true;
}

struct Totals {
  long long bytes = 0;
  int frames = 0, intraFrames = 0;
  double psnrY = 0, psnrCb = 0, psnrCr = 0, psnrAll = 0;
};

// Adds one coded picture: its bytes and its reconstruction's error per plane.
void Account(Totals& t, const std::vector<uint8_t>& frame, const osprel::FrameStore& rec, size_t bytes, int intra) {
  const size_t luma = frame.size() * 2 / 3, chroma = luma / 4;
  const double ey = SquaredError(frame.data(), rec.y, luma);
  const double eb = SquaredError(frame.data() + luma, rec.cb, chroma);
  const double er = SquaredError(frame.data() + luma + chroma, rec.cr, chroma);
  t.psnrY += Psnr(ey, double(luma));
  t.psnrCb += Psnr(eb, double(chroma));
  t.psnrCr += Psnr(er, double(chroma));
  t.psnrAll += Psnr(ey + eb + er, double(frame.size()));
  t.bytes += (long long)bytes;
  t.intraFrames += intra;
  ++t.frames;
}

void Summarise(const Totals& t, FILE* to) {
  std::fprintf(to, "frames: %d (I %d, P %d)\n", t.frames, t.intraFrames, t.frames - t.intraFrames);
  std::fprintf(to, "bytes: %lld (%.1f per frame)\n", t.bytes, double(t.bytes) / t.frames);
  std::fprintf(to, "PSNR: Y %.2f dB, Cb %.2f dB, Cr %.2f dB, average %.2f dB\n", t.psnrY / t.frames,
               t.psnrCb / t.frames, t.psnrCr / t.frames, t.psnrAll / t.frames);
}

}  // namespace

int main(int argc, char** argv) {
  const EncoderOptions o = ReadEncoderCommandLine(argc, argv);

  FILE* in = OpenInput(o.in);
  if (!in) return 1;
  const size_t frameBytes = size_t(o.width) * o.height * 3 / 2;  // Y, then Cb and Cr at a quarter each
  std::vector<uint8_t> frame(frameBytes);
  size_t got = 0;
  // The output is created only once there is a frame to code.
  if (!ReadFrame(in, frame, got)) {
    if (!ReportReadError(in, o.in))
      std::fprintf(stderr, "osprel-enc: %s holds %zu bytes, less than one %dx%d frame (%zu bytes)\n", o.in.c_str(),
                   got, o.width, o.height, frameBytes);
    return 1;
  }
  const bool toStdout = o.out == "-";
  FILE* out = toStdout ? stdout : std::fopen(o.out.c_str(), "wb");
  if (!out) {
    std::perror(o.out.c_str());
    return 1;
  }

  std::unique_ptr<osprel::Encoder> enc(new osprel::Encoder());
  enc->Init(o.width, o.height, o.qp);
  enc->SetGOP(o.gop);
  enc->SetSkipRule(o.lumaSkip ? OSPREL_SKIP_LUMA_ONLY : OSPREL_SKIP_OWN_RESIDUAL);
  std::vector<uint8_t> standardBytes(OSPREL_MAX_PICTURE_BYTES(o.width, o.height));
  std::vector<uint8_t> coded(OSPREL_MAX_PICTURE_BYTES(o.width, o.height));
  Totals t;
  const bool progress = isatty(fileno(stderr));  // a log or a pipe gets the summary only
  do {
    int bytes = 0, intra = 0;
    enc->Encode(frame.data(), coded.data(), &bytes, &intra, 0);
    const uint8_t* data = coded.data();
    size_t n = size_t(bytes);
    if (o.standard) {
      n = osprel::ToStandardHeader(coded.data(), n, standardBytes.data());
      data = standardBytes.data();
    }
    if (std::fwrite(data, 1, n, out) != n) {
      std::perror(o.out.c_str());
      return 1;
    }
    Account(t, frame, enc->LastPicture(), n, intra);
    if (progress) std::fprintf(stderr, "\rframe %d %c %7zu bytes, %lld in all", t.frames, intra ? 'I' : 'P', n, t.bytes);
  } while (ReadFrame(in, frame, got));
  if (progress) std::fprintf(stderr, "\n");
  const bool readFailed = ReportReadError(in, o.in);
  if (!readFailed && got != 0) std::fprintf(stderr, "osprel-enc: ignored %zu bytes of an incomplete last frame\n", got);
  if (in != stdin) std::fclose(in);
  if ((toStdout ? std::fflush(out) : std::fclose(out)) != 0) {
    std::perror(o.out.c_str());
    return 1;
  }
  Summarise(t, toStdout ? stderr : stdout);
  return readFailed ? 1 : 0;
}
