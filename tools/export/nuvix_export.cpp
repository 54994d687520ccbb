// nuvix-export: turns a recorded .MJP or .PCM file into an AVI, raw H.263 or
// WAV file that standard players open.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "progress_bar.h"
#include "recording_exporter.h"

namespace {

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: nuvix-export [-q] [--fps N] [--transcode] RECORDING [OUTPUT]\n"
               "  RECORDING    a video (.MJP) or audio (.PCM) file recorded by nuvixsdk\n"
               "  OUTPUT       .avi for video (default: RECORDING with .avi), .263 for raw\n"
               "               H.263, .wav for audio (default: RECORDING with .wav)\n"
               "  --fps N      frame rate of the video, 1..%d (default: 30 for NTSC sizes,\n"
               "               25 for PAL sizes)\n"
               "  --transcode  re-code H.263 pictures as Motion-JPEG, for players without H.263\n"
               "  -q           print nothing but errors and warnings\n"
               "MJPG pictures are copied unchanged; H.263 pictures are copied with their\n"
               "headers rewritten to standard H.263. Exits 0 when the file was written.\n",
               nuvix::RecordingExporter::kMaxFps);
}

[[noreturn]] void Refuse(const std::string& reason) {
  std::fprintf(stderr, "nuvix-export: %s\n", reason.c_str());
  Usage(stderr);
  std::exit(1);
}

struct Arguments {
  nuvix::RecordingExporter::Options options;
  bool quiet = false;
};

Arguments Parse(int argc, char** argv) {
  Arguments arguments;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      Usage(stdout);
      std::exit(0);
    } else if (a == "-q") {
      arguments.quiet = true;
    } else if (a == "--transcode") {
      arguments.options.transcode = true;
    } else if (a == "--fps") {
      if (i + 1 >= argc) Refuse("--fps needs a number");
      char* end = nullptr;
      errno = 0;
      const long fps = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end || errno || fps < 1 || fps > nuvix::RecordingExporter::kMaxFps)
        Refuse(std::string("--fps: not a frame rate 1..240: ") + argv[i]);
      arguments.options.fps = static_cast<int>(fps);
    } else if (a.size() > 1 && a[0] == '-') {
      Refuse("unknown option: " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.empty() || files.size() > 2) Refuse(files.empty() ? "no recording given" : "too many files given");
  arguments.options.input = files[0];
  if (files.size() == 2) arguments.options.output = files[1];
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments = Parse(argc, argv);
  nuvix::ProgressBar bar(stderr, !arguments.quiet && isatty(STDERR_FILENO));
  arguments.options.progress = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total); };
  const nuvix::RecordingExporter::Result result = nuvix::RecordingExporter().Run(arguments.options);
  bar.Finish();
  if (!result.ok) {
    std::fprintf(stderr, "nuvix-export: %s\n", result.error.c_str());
    return 1;
  }
  if (!result.warning.empty()) std::fprintf(stderr, "nuvix-export: warning: %s\n", result.warning.c_str());
  if (!arguments.quiet) {
    const std::string what = result.audio ? std::to_string(result.samples) + " samples"
                                          : std::to_string(result.pictures) + " pictures";
    std::printf("%s: %s, %.2f s, %llu bytes\n", result.output.c_str(), what.c_str(), result.seconds,
                static_cast<unsigned long long>(result.bytesWritten));
  }
  return 0;
}
