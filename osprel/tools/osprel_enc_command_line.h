// osprel-enc's command line: its table, and what each option sets.
#pragma once

#include <string>

namespace nuvix::cli {
struct Program;
}

struct EncoderOptions {
  int width = 0, height = 0, qp = 4, gop = 30;
  bool standard = false;  // the standard 3-bit source format in the picture headers
  bool lumaSkip = false;  // chroma left uncoded from the luma residual alone (the reference rule)
  std::string in, out;    // "-": standard input, standard output
};

// --help, --version and a command line it cannot use end the program here.
EncoderOptions ReadEncoderCommandLine(int argc, const char* const* argv);

// The table, for the manual page and the shell completion.
const nuvix::cli::Program& EncoderCommandLineProgram();
