// Soak run of the whole program under full load on the simulated QCA08 (see
// full_load.h): samples memory, descriptors, threads, frames and bytes every
// 10 s into soak.csv, then judges the run and indexes every recording.
//   soak [--minutes N] [--out DIR] [--keep]
// --keep leaves the recordings in DIR/recordings (they take about a GB for
// ten minutes); the exit status is 0 when every criterion holds.
#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "full_load.h"
#include "process_figures.h"
#include "recorded_file.h"
#include "soak_criteria.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kSamplePeriodS = 10;

struct Options {
  double minutes = 10;
  fs::path out = fs::temp_directory_path() / "nuvix-soak";
  bool keep = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--minutes" && i + 1 < argc) {
      char* end = nullptr;
      options.minutes = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(options.minutes > 0) || options.minutes > 7 * 24 * 60) return false;
    } else if (arg == "--out" && i + 1 < argc) {
      options.out = argv[++i];
    } else if (arg == "--keep") {
      options.keep = true;
    } else {
      return false;
    }
  }
  return true;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

SoakSample TakeSample(const FullLoad& load, Clock::time_point start) {
  SoakSample sample;
  sample.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const ProcessFigures figures = ReadProcessFigures();
  sample.residentKb = figures.residentKb;
  sample.heapInUseKb = figures.heapInUseKb;
  sample.openFds = figures.openFds;
  sample.threads = figures.threads;
  load.Count(sample);
  sample.cpuSeconds = CpuSeconds();
  return sample;
}

void WriteCsvHeader(std::ofstream& csv) {
  csv << "elapsed_s,rss_kb,heap_kb,fds,threads,captured_frames,dropped_frames,processed_frames,captured_fps,processed_"
         "fps,"
         "shown_captured_fps,shown_processed_fps,bytes_written,write_mb_per_s,audio_blocks,audio_lost,serial_sent,"
         "serial_back,digital_checks,digital_mismatches,cpu_percent\n";
}

// One line; the rates are over the period since the previous sample.
void WriteCsvLine(std::ofstream& csv, const SoakSample& s, const SoakSample* previous) {
  const double period = previous ? s.seconds - previous->seconds : 0;
  auto rate = [&](double now, double before) { return period > 0 ? (now - before) / period : 0.0; };
  char line[512];
  std::snprintf(
      line, sizeof line,
      "%.1f,%llu,%llu,%u,%u,%llu,%llu,%llu,%.1f,%.1f,%.1f,%.1f,%llu,%.3f,%llu,%llu,%llu,%llu,%llu,%llu,%.1f\n",
      s.seconds, static_cast<unsigned long long>(s.residentKb), static_cast<unsigned long long>(s.heapInUseKb),
      s.openFds, s.threads, static_cast<unsigned long long>(s.capturedFrames),
      static_cast<unsigned long long>(s.droppedFrames), static_cast<unsigned long long>(s.processedFrames),
      previous ? rate(s.capturedFrames, previous->capturedFrames) : 0.0,
      previous ? rate(s.processedFrames, previous->processedFrames) : 0.0, s.shownCapturedFps, s.shownProcessedFps,
      static_cast<unsigned long long>(s.bytesWritten),
      previous ? rate(s.bytesWritten, previous->bytesWritten) / 1e6 : 0.0,
      static_cast<unsigned long long>(s.audioBlocks), static_cast<unsigned long long>(s.audioLost),
      static_cast<unsigned long long>(s.serialSent), static_cast<unsigned long long>(s.serialBack),
      static_cast<unsigned long long>(s.digitalChecks), static_cast<unsigned long long>(s.digitalMismatches),
      previous ? 100 * rate(s.cpuSeconds, previous->cpuSeconds) : 0.0);
  csv << line << std::flush;
}

void PrintSample(const SoakSample& s) {
  std::printf("%6.0f s  %7.1f MB (heap %6.1f MB)  %3u fds  %3u threads  %9llu frames  %6.1f MB written\n", s.seconds,
              s.residentKb / 1024.0, s.heapInUseKb / 1024.0, s.openFds, s.threads,
              static_cast<unsigned long long>(s.processedFrames), s.bytesWritten / 1e6);
  std::fflush(stdout);
}

// Indexes every recording as the play tab would and notes its records.
void IndexRecordings(std::vector<RecordingCheck>& recordings) {
  for (RecordingCheck& r : recordings) {
    nuvix::RecordedFile file;
    if (file.SetPath("%s", r.path.c_str()) && file.Open(nuvix::RecordedFile::kRead) && file.ScanHeader())
      r.indexed = file.BuildIndex();
  }
}

void PrintSummary(const std::vector<SoakSample>& samples, size_t messages) {
  const SoakSample& first = samples.front();
  const SoakSample& last = samples.back();
  auto at = [&](double seconds) {
    for (const SoakSample& s : samples)
      if (s.seconds >= seconds) return s;
    return last;
  };
  const SoakSample minute = at(60);
  std::printf("run: %.0f s under load, %zu samples\n", last.seconds, samples.size());
  std::printf("memory: %.1f MB at start, %.1f MB at %.0f s, %.1f MB at the end (heap in use %.1f, %.1f, %.1f MB)\n",
              first.residentKb / 1024.0, minute.residentKb / 1024.0, minute.seconds, last.residentKb / 1024.0,
              first.heapInUseKb / 1024.0, minute.heapInUseKb / 1024.0, last.heapInUseKb / 1024.0);
  std::printf("descriptors: %u at start, %u at the end; threads: %u at start, %u at the end\n", first.openFds,
              last.openFds, first.threads, last.threads);
  const double span = last.seconds - first.seconds;
  auto perSecond = [span](double now, double before) { return span > 0 ? (now - before) / span : 0.0; };
  std::printf(
      "frames: %llu captured, %llu processed, %llu lost; %.1f captured/s on average\n",
      static_cast<unsigned long long>(last.capturedFrames), static_cast<unsigned long long>(last.processedFrames),
      static_cast<unsigned long long>(last.droppedFrames), perSecond(last.capturedFrames, first.capturedFrames));
  std::printf("written: %.1f MB (%.2f MB/s); CPU %.0f%% of one core on average; %zu message boxes\n",
              last.bytesWritten / 1e6, perSecond(last.bytesWritten, first.bytesWritten) / 1e6,
              100 * perSecond(last.cpuSeconds, first.cpuSeconds), messages);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: soak [--minutes N] [--out DIR] [--keep]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  const fs::path recordings = options.out / "recordings";
  std::error_code error;
  fs::remove_all(recordings, error);
  fs::create_directories(recordings, error);
  std::ofstream csv(options.out / "soak.csv");
  if (error || !csv) {
    std::fprintf(stderr, "soak: cannot write into %s\n", options.out.c_str());
    return 2;
  }

  std::vector<SoakSample> samples;
  std::vector<RecordingCheck> checks;
  size_t messages = 0;
  {
    FullLoad load(recordings);
    if (!load.Start()) {
      std::fprintf(stderr, "soak: %s\n", load.problem().c_str());
      return 1;
    }
    WriteCsvHeader(csv);
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(options.minutes * 60);
    for (auto next = start;; next += std::chrono::seconds(kSamplePeriodS)) {
      samples.push_back(TakeSample(load, start));
      WriteCsvLine(csv, samples.back(), samples.size() > 1 ? &samples[samples.size() - 2] : nullptr);
      PrintSample(samples.back());
      if (next + std::chrono::seconds(kSamplePeriodS) > end + std::chrono::milliseconds(500)) break;
      const auto wait = next + std::chrono::seconds(kSamplePeriodS) - Clock::now();
      load.Run(static_cast<uint32_t>(
          std::max<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count(), 0)));
    }
    checks = load.Stop();
    messages = load.MessageCount();
  }
  IndexRecordings(checks);
  PrintSummary(samples, messages);
  bool pass = messages == 0;
  for (const Verdict& v : JudgeSoak(samples, checks)) {
    std::printf("%s  %s: %s\n", v.pass ? "PASS" : "FAIL", v.name.c_str(), v.detail.c_str());
    pass = pass && v.pass;
  }
  if (messages > 0) std::printf("FAIL  the program showed %zu message boxes\n", messages);
  if (!options.keep) fs::remove_all(recordings, error);
  std::printf("%s\n", pass ? "SOAK PASSED" : "SOAK FAILED");
  return pass ? 0 : 1;
}
