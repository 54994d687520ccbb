// Writes the manual pages and the bash completions of the three programs,
// made from their command-line tables:
//   nuvix-cli-pages OUTDIR VERSION DATE
// gives OUTDIR/man/NAME.1 and OUTDIR/completions/NAME for each program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bash_completion.h"
#include "command_line.h"
#include "export_command_line.h"
#include "man_page.h"
#include "osprel_enc_command_line.h"

namespace {

namespace fs = std::filesystem;

bool Write(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (file) return true;
  std::fprintf(stderr, "nuvix-cli-pages: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: nuvix-cli-pages OUTDIR VERSION DATE\n");
    return 2;
  }
  const fs::path directory = argv[1];
  const std::string version = argv[2], date = argv[3];
  bool written = true;
  for (const nuvix::cli::Program* program :
       {&CommandLineProgram(), &nuvix::ExportCommandLineProgram(), &EncoderCommandLineProgram()}) {
    written = Write(directory / "man" / (program->name + ".1"),
                    nuvix::cli::ManPage(*program, program->name + " " + version, date)) &&
              Write(directory / "completions" / program->name, nuvix::cli::BashCompletion(*program)) && written;
  }
  return written ? 0 : 1;
}
