// What a soak run samples every period, and the judgement of a run: memory,
// descriptors and threads steady, every captured frame processed, every
// recording indexing with the records the program counted, and the serial and
// digital I/O traffic intact.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SoakSample {
  double seconds = 0;  // since the load was complete
  uint64_t residentKb = 0;
  uint64_t heapInUseKb = 0;  // allocated and not freed
  uint32_t openFds = 0;
  uint32_t threads = 0;
  uint64_t capturedFrames = 0;   // the board's frames: delivered to the tab or lost
  uint64_t droppedFrames = 0;    // lost because the tab had not taken earlier ones
  uint64_t processedFrames = 0;  // records the video tab wrote
  double shownCapturedFps = 0;   // the video tab's statistics line
  double shownProcessedFps = 0;
  uint64_t bytesWritten = 0;
  uint64_t audioBlocks = 0;  // blocks the audio tab wrote
  uint64_t audioLost = 0;    // blocks the board lost
  uint64_t serialSent = 0;
  uint64_t serialBack = 0;
  uint64_t digitalChecks = 0;
  uint64_t digitalMismatches = 0;  // polls where an input did not follow its output
  double cpuSeconds = 0;
};

// One recording: the records the program counted as written and the records
// its file indexes.
struct RecordingCheck {
  std::string path;
  uint64_t counted = 0;
  uint64_t indexed = 0;
};

struct Verdict {
  std::string name;
  bool pass = false;
  std::string detail;
};

struct SoakLimits {
  double warmUpSeconds = 60;       // memory may grow before this (at most half the run)
  uint64_t memoryGrowthKb = 2048;  // after the warm-up, less than this
  uint64_t framesInFlight = 64;    // captured, not yet written when sampled: two per channel
};

// The judgement of the samples (oldest first) and the recordings; every
// verdict fails when there is nothing to judge.
std::vector<Verdict> JudgeSoak(const std::vector<SoakSample>& samples, const std::vector<RecordingCheck>& recordings,
                               const SoakLimits& limits = {});
