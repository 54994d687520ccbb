// nuvix-export's command line: its table, and what each option sets.
#pragma once

#include "recording_exporter.h"

namespace nuvix {

namespace cli {
struct Program;
}

struct ExportCommandLine {
  RecordingExporter::Options options;
  bool quiet = false;
};

// --help, --version and a command line it cannot use end the program here.
ExportCommandLine ReadExportCommandLine(int argc, const char* const* argv);

// The table, for the manual page and the shell completion.
const cli::Program& ExportCommandLineProgram();

}  // namespace nuvix
