// MJPG export throughput: a 256 MB recording of 720x576 pictures, read from
// the page cache, exported to AVI and copied with read/write in 1 MB blocks,
// interleaved; prints the best input rate of each and their ratio.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "nuvix_wintypes.h"
#include "recorded_file.h"
#include "recording_exporter.h"

namespace {

constexpr uint64_t kInputBytes = 256ull << 20;
constexpr int kRounds = 5;

// Records of 40 to 80 kB (a D1 camera picture at the default quality); the
// payload bytes are not looked into by the export.
void MakeRecording(const std::string& path) {
  nuvix::RecordedFile file;
  file.SetPath("%s", path.c_str());
  file.Open(nuvix::RecordedFile::kWrite);
  file.WriteHeader(true, 1);
  std::mt19937 rng(7);
  std::vector<uint8_t> record(40 + 80 * 1024);
  for (auto& b : record) b = static_cast<uint8_t>(rng());
  for (uint64_t written = 8; written < kInputBytes;) {
    const uint32_t payload = 40 * 1024 + rng() % (40 * 1024);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = 720;
    h.biHeight = 576;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = FOURCC_MJPG;
    h.biSizeImage = payload;
    std::memcpy(record.data(), &h, 40);
    file.Transfer(static_cast<const void*>(record.data()), 40 + payload);
    written += 40 + payload;
  }
}

bool Copy(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY), out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char> buffer(1 << 20);
  bool ok = in >= 0 && out >= 0;
  for (ssize_t n; ok && (n = read(in, buffer.data(), buffer.size())) > 0;) ok = write(out, buffer.data(), size_t(n)) == n;
  if (in >= 0) close(in);
  if (out >= 0) close(out);
  return ok;
}

double Seconds(const std::function<bool()>& run) {
  const auto start = std::chrono::steady_clock::now();
  if (!run()) std::fprintf(stderr, "export_bench: a run failed\n");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  const std::string input = dir + "/export_bench_" + std::to_string(getpid()) + ".MJP";
  const std::string avi = input + ".avi", copy = input + ".copy";
  MakeRecording(input);
  Copy(input, copy);  // brings the input into the page cache
  double bestExport = 1e9, bestCopy = 1e9;
  uint32_t pictures = 0;
  for (int round = 0; round < kRounds; ++round) {
    bestExport = std::min(bestExport, Seconds([&] {
      nuvix::RecordingExporter::Options options;
      options.input = input;
      options.output = avi;
      const auto result = nuvix::RecordingExporter().Run(options);
      pictures = result.pictures;
      return result.ok;
    }));
    bestCopy = std::min(bestCopy, Seconds([&] { return Copy(input, copy); }));
  }
  const double gb = double(kInputBytes) / 1e9;
  std::printf("MJPG export of %u pictures (%.0f MB): %.2f GB/s; plain copy %.2f GB/s; export/copy %.2f\n", pictures,
              double(kInputBytes) / 1e6, gb / bestExport, gb / bestCopy, bestCopy / bestExport);
  for (const std::string& path : {input, avi, copy}) unlink(path.c_str());
  return 0;
}
