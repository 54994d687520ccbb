#include "process_figures.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The number after "name:" in /proc/self/status (0 when the line is missing).
uint64_t StatusValue(const std::string& text, const char* name) {
  const size_t at = text.find(std::string("\n") + name + ":");
  return at == std::string::npos ? 0 : std::stoull(text.substr(at + std::char_traits<char>::length(name) + 2));
}

}  // namespace

ProcessFigures ReadProcessFigures() {
  std::string text = "\n";
  {
    std::ifstream status("/proc/self/status");  // closed before the descriptors are counted
    text.append(std::istreambuf_iterator<char>(status), {});
  }
  ProcessFigures figures;
  figures.residentKb = StatusValue(text, "VmRSS");
  figures.threads = static_cast<uint32_t>(StatusValue(text, "Threads"));
  const struct mallinfo2 heap = mallinfo2();  // every arena
  figures.heapInUseKb = (heap.uordblks + heap.hblkhd) / 1024;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
    ++figures.openFds;
  // The listing holds the descriptor it is read through.
  if (figures.openFds > 0) --figures.openFds;
  return figures;
}
