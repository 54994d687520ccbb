#include "osprel_enc_command_line.h"

#include <charconv>
#include <cstdio>

#include "command_line_parser.h"
#include "picture_format.h"
#include "standard_header.h"

namespace {

using nuvix::cli::Completion;
using nuvix::cli::Verdict;

// A whole decimal number, nothing before or after it.
bool ReadNumber(const std::string& text, int& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

Verdict ReadSize(const std::string& text, EncoderOptions& options) {
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%dx%d%n", &options.width, &options.height, &consumed) != 2 ||
      text[consumed] != '\0')
    return Verdict::Unreadable();
  if (!osprel::FormatCode(options.width, options.height))
    return Verdict::Refused(SizeText(options.width, options.height) + " is not a coded size");
  return Verdict::Taken();
}

Verdict ReadQuantiser(const std::string& text, int& qp) {
  if (!ReadNumber(text, qp)) return Verdict::Unreadable();
  if (qp < 1 || qp > 30) return Verdict::Refused("QP must be 1..30, not " + std::to_string(qp));
  return Verdict::Taken();
}

Verdict ReadGop(const std::string& text, int& gop) {
  if (!ReadNumber(text, gop)) return Verdict::Unreadable();
  if (gop < 1) return Verdict::Refused("GOP must be at least 1, not " + std::to_string(gop));
  return Verdict::Taken();
}

std::vector<std::string> CodedSizes() {
  std::vector<std::string> sizes;
  for (const osprel::PictureSize& size : osprel::kFormats) sizes.push_back(SizeText(size.width, size.height));
  return sizes;
}

nuvix::cli::Program Describe(EncoderOptions& options) {
  return {
      .name = "osprel-enc",
      .purpose = "code raw I420 frames into an H.263 stream with libosprel",
      .synopsis = {"-s WxH [-q QP] [-g GOP] [--standard-header] [--luma-skip] in.yuv out.263", "--help | --version"},
      .description = {"Codes raw planar 4:2:0 frames (I420: the Y plane, then Cb, then Cr) with libosprel and "
                      "prints a summary: frames, bytes, PSNR per plane.",
                      "By default the picture header carries the library's 5-bit size code; --standard-header "
                      "writes the standard 3-bit source format instead (176x144, 352x288 and 704x576 only), which "
                      "every H.263 decoder reads. A value it cannot read, a directory or a file shorter than one "
                      "frame is reported and leaves no output file behind."},
      .operands = {{"in.yuv", "raw I420 frames (Y, then Cb, then Cr planes); - reads standard input",
                    "no input file given", {Completion::Kind::kFile}},
                   {"out.263",
                    "the coded stream; - writes standard output (the summary then goes to standard error)",
                    "no output file given",
                    {Completion::Kind::kFile}}},
      .sections = {{"Options",
                    {{"-s,--size", "WxH", "a picture size WxH, e.g. 352x288",
                      "picture size (one of the 20 coded sizes, e.g. 352x288)",
                      [&options](const std::string& value) { return ReadSize(value, options); },
                      {Completion::Kind::kWords, CodedSizes()},
                      nuvix::cli::Option::Answer::kNone,
                      true},
                     {"-q,--quantiser", "QP", "a quantiser 1..30", "quantiser 1..30 (default 4)",
                      [&options](const std::string& value) { return ReadQuantiser(value, options.qp); }},
                     {"-g,--gop", "GOP", "an intra period in frames", "intra period in frames, >= 1 (default 30)",
                      [&options](const std::string& value) { return ReadGop(value, options.gop); }},
                     {"--standard-header", "", "",
                      "write the standard 3-bit source format (176x144, 352x288, 704x576 only) so that standard "
                      "players decode the file",
                      [&options](const std::string&) {
                        options.standard = true;
                        return Verdict::Taken();
                      }},
                     {"--luma-skip", "", "",
                      "leave chroma uncoded from the luma residual alone (the coder's reference output; colour may "
                      "drift until the next intra picture)",
                      [&options](const std::string&) {
                        options.lumaSkip = true;
                        return Verdict::Taken();
                      }},
                     {"-h,--help", "", "", "display this help and exit", {}, {}, nuvix::cli::Option::Answer::kHelp},
                     {"--version", "", "", "print the version", {}, {}, nuvix::cli::Option::Answer::kVersion}}}},
      .exitStatus = {{"0", "the stream was written"},
                     {"1", "the input cannot be read or holds less than one frame, or the output cannot be written"},
                     {"2", "a command line it cannot use"}},
      .examples =
          {{"ffmpeg -f lavfi -i testsrc=size=352x288:rate=30 -frames:v 90 -pix_fmt yuv420p -f rawvideo clip.yuv",
            "A test clip made with FFmpeg:"},
           {"osprel-enc -s 352x288 -q 6 --standard-header clip.yuv clip.263",
            "Coded with standard picture headers, for any H.263 player (ffplay clip.263):"},
           {"ffmpeg -v error -i clip.mp4 -s 352x288 -pix_fmt yuv420p -f rawvideo - | osprel-enc -s 352x288 "
            "--standard-header - - | ffplay -f h263 -",
            "The same through pipes:"}},
      .seeAlso = {"nuvixsdk(1)", "nuvix-export(1)", "ffmpeg(1)"},
  };
}

}  // namespace

EncoderOptions ReadEncoderCommandLine(int argc, const char* const* argv) {
  EncoderOptions options;
  const nuvix::cli::Program program = Describe(options);
  const std::vector<std::string> files = nuvix::cli::ParseOrExit(program, argc, argv, NUVIXSDK_VERSION);
  if (options.standard && !osprel::StandardSourceFormat(options.width, options.height))
    nuvix::cli::Refuse(program, SizeText(options.width, options.height) +
                                    " has no standard source format (176x144, 352x288, 704x576)");
  options.in = files[0];
  options.out = files[1];
  return options;
}

const nuvix::cli::Program& EncoderCommandLineProgram() {
  static EncoderOptions unused;
  static const nuvix::cli::Program program = Describe(unused);
  return program;
}
