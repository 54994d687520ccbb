// nuvix-export: turns a recorded .MJP or .PCM file into an AVI, raw H.263 or
// WAV file that standard players open.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "export_command_line.h"
#include "progress_bar.h"

int main(int argc, char** argv) {
  nuvix::ExportCommandLine arguments = nuvix::ReadExportCommandLine(argc, argv);
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
