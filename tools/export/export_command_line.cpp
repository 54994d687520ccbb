#include "export_command_line.h"

#include <charconv>

#include "command_line_parser.h"

namespace nuvix {

namespace {

using cli::Completion;
using cli::Verdict;

bool ReadFps(const std::string& text, int& fps) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fps);
  return error == std::errc() && end == text.data() + text.size() && fps >= 1 && fps <= RecordingExporter::kMaxFps;
}

cli::Program Describe(ExportCommandLine& line) {
  const std::string maxFps = std::to_string(RecordingExporter::kMaxFps);
  return {
      .name = "nuvix-export",
      .purpose = "turn nuvixsdk recordings into AVI, raw H.263 and WAV files",
      .synopsis = {"[-q] [--fps N] [--transcode] RECORDING [OUTPUT]", "--help | --version"},
      .description = {"Turns one recording of nuvixsdk, a video (.MJP) or audio (.PCM) file, into a file that "
                      "standard players open. MJPG pictures are copied unchanged; H.263 pictures are copied with "
                      "their headers rewritten to standard H.263, or re-coded as Motion-JPEG with --transcode; "
                      "PCM samples become a 16-bit mono WAV file at the recording's rate.",
                      "A progress bar appears on a terminal once an export takes more than a second. The summary "
                      "line gives the pictures (or samples), the duration and the bytes written. A recording whose "
                      "last record was cut short is exported up to its last complete record, with a warning."},
      .operands = {{"RECORDING", "a video (.MJP) or audio (.PCM) file recorded by nuvixsdk", "no recording given",
                    {Completion::Kind::kFile}},
                   {"OUTPUT",
                    ".avi for video (default: RECORDING with .avi), .263 for raw H.263, .wav for audio (default: "
                    "RECORDING with .wav)",
                    "",
                    {Completion::Kind::kFile}}},
      .sections = {{"Options",
                    {{"--fps", "N", "a frame rate 1.." + maxFps,
                      "frame rate of the video, 1.." + maxFps + " (default: 30 for NTSC sizes, 25 for PAL sizes)",
                      [&line](const std::string& value) {
                        return ReadFps(value, line.options.fps) ? Verdict::Taken() : Verdict::Unreadable();
                      }},
                     {"--transcode", "", "", "re-code H.263 pictures as Motion-JPEG, for players without H.263",
                      [&line](const std::string&) {
                        line.options.transcode = true;
                        return Verdict::Taken();
                      }},
                     {"-q,--quiet", "", "", "print nothing but errors and warnings",
                      [&line](const std::string&) {
                        line.quiet = true;
                        return Verdict::Taken();
                      }},
                     {"-h,--help", "", "", "display this help and exit", {}, {}, cli::Option::Answer::kHelp},
                     {"--version", "", "", "print the version", {}, {}, cli::Option::Answer::kVersion}}}},
      .exitStatus = {{"0", "the file was written"},
                     {"1", "it was not, with one line saying why: a recording that cannot be read, is empty, holds "
                           "no records or is not a recording, a destination that cannot be written"},
                     {"2", "a command line it cannot use"}},
      .examples = {{"nuvix-export cam_00.MJP", "Writes cam_00.avi, which VLC, mpv, browsers and FFmpeg play:"},
                   {"nuvix-export cam_03.MJP cam_03.263", "Raw H.263 (H.263 recordings only):"},
                   {"nuvix-export --transcode cam_03.MJP", "H.263 re-coded as Motion-JPEG for players without H.263:"},
                   {"nuvix-export mic_00.PCM", "Writes mic_00.wav:"}},
      .seeAlso = {"nuvixsdk(1)", "osprel-enc(1)", "ffmpeg(1)"},
  };
}

}  // namespace

ExportCommandLine ReadExportCommandLine(int argc, const char* const* argv) {
  ExportCommandLine line;
  const std::vector<std::string> files = cli::ParseOrExit(Describe(line), argc, argv, NUVIXSDK_VERSION);
  line.options.input = files[0];
  if (files.size() == 2) line.options.output = files[1];
  return line;
}

const cli::Program& ExportCommandLineProgram() {
  static ExportCommandLine unused;
  static const cli::Program program = Describe(unused);
  return program;
}

}  // namespace nuvix
