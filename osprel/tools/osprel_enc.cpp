// osprel-enc: encodes a raw planar 4:2:0 (I420) file into an H.263 stream.
#include "encoder.h"
#include "picture_format.h"
#include "standard_header.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: osprel-enc -s WxH [-q QP] [-g GOP] [--standard-header] [--luma-skip] in.yuv out.263\n"
               "  in.yuv             raw I420 frames (Y, then Cb, then Cr planes); - reads standard input\n"
               "  out.263            the coded stream; - writes standard output (the summary then\n"
               "                     goes to standard error)\n"
               "  -s WxH             picture size (one of the 20 coded sizes, e.g. 352x288)\n"
               "  -q QP              quantiser 1..30 (default 4)\n"
               "  -g GOP             intra period in frames, >= 1 (default 30)\n"
               "  --standard-header  write the standard 3-bit source format (176x144, 352x288,\n"
               "                     704x576 only) so that standard players decode the file\n"
               "  --luma-skip        leave chroma uncoded from the luma residual alone (the\n"
               "                     coder's reference output; colour may drift until the next\n"
               "                     intra picture)\n");
}

struct Options {
  int width = 0, height = 0, qp = 4, gop = 30;
  bool standard = false;
  bool lumaSkip = false;
  std::string in, out;
};

// A whole decimal number, nothing before or after it.
std::optional<int> Number(const char* text) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return int(value);
}

// Exits with code 2 and the reason on a command line it cannot use.
[[noreturn]] void Refuse(const std::string& reason) {
  std::fprintf(stderr, "osprel-enc: %s\n", reason.c_str());
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Refuse(a + " needs a value");
      return argv[++i];
    };
    if (a == "-s") {
      const char* size = value();
      int consumed = 0;
      if (std::sscanf(size, "%dx%d%n", &options.width, &options.height, &consumed) != 2 || size[consumed] != '\0')
        Refuse("cannot read the picture size \"" + std::string(size) + "\" (expected WxH, e.g. 352x288)");
    } else if (a == "-q" || a == "-g") {
      const char* text = value();
      const std::optional<int> number = Number(text);
      if (!number) Refuse("cannot read the " + std::string(a == "-q" ? "quantiser" : "intra period") + " \"" + text + "\"");
      (a == "-q" ? options.qp : options.gop) = *number;
    } else if (a == "--standard-header") {
      options.standard = true;
    } else if (a == "--luma-skip") {
      options.lumaSkip = true;
    } else if (a == "-h" || a == "--help") {
      Usage(stdout);
      std::exit(0);
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(stderr, "osprel-enc: unknown option %s\n", a.c_str());
      Usage(stderr);
      std::exit(2);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    Usage(stderr);
    std::exit(2);
  }
  options.in = files[0];
  options.out = files[1];
  return options;
}

void CheckOptions(const Options& o) {
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  if (!osprel::FormatCode(o.width, o.height)) Refuse(size + " is not a coded size");
  if (o.standard && !osprel::StandardSourceFormat(o.width, o.height))
    Refuse(size + " has no standard source format (176x144, 352x288, 704x576)");
  if (o.qp < 1 || o.qp > 30) Refuse("QP must be 1..30, not " + std::to_string(o.qp));
  if (o.gop < 1) Refuse("GOP must be at least 1, not " + std::to_string(o.gop));
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
  const Options o = ParseOptions(argc, argv);
  CheckOptions(o);

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
