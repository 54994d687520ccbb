#include "soak_criteria.h"

#include <algorithm>
#include <cstdio>

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// The first sample at or after the warm-up (never past the middle of the run).
size_t WarmSample(const std::vector<SoakSample>& samples, double warmUpSeconds) {
  const double warm = std::min(warmUpSeconds, samples.back().seconds / 2);
  size_t i = 0;
  while (i + 1 < samples.size() && samples[i].seconds < warm) ++i;
  return i;
}

Verdict Memory(const std::vector<SoakSample>& samples, size_t warm, const SoakLimits& limits) {
  const uint64_t base = samples[warm].residentKb;
  uint64_t peak = base;
  for (size_t i = warm; i < samples.size(); ++i) peak = std::max(peak, samples[i].residentKb);
  const uint64_t growth = peak - base;
  return {"memory growth after warm-up", growth < limits.memoryGrowthKb,
          Format("%.1f MB at %.0f s, peak %.1f MB after it: +%llu kB (limit %llu kB)", base / 1024.0,
                 samples[warm].seconds, peak / 1024.0, static_cast<unsigned long long>(growth),
                 static_cast<unsigned long long>(limits.memoryGrowthKb))};
}

template <typename Field>
Verdict Constant(const char* name, const std::vector<SoakSample>& samples, Field field) {
  auto [low, high] = std::minmax_element(samples.begin(), samples.end(),
                                         [&](const SoakSample& a, const SoakSample& b) { return field(a) < field(b); });
  return {name, field(*low) == field(*high),
          Format("%u to %u over %zu samples", field(*low), field(*high), samples.size())};
}

// Every frame the board captured reached the tab and was written, but for the
// few on their way at the moment of the sample.
Verdict Frames(const SoakSample& last, const SoakLimits& limits) {
  const double ratio = last.capturedFrames ? static_cast<double>(last.processedFrames) / last.capturedFrames : 0.0;
  const bool pass = last.droppedFrames == 0 && last.capturedFrames > 0 && last.processedFrames <= last.capturedFrames &&
                    last.capturedFrames - last.processedFrames <= limits.framesInFlight;
  return {"processed / captured frames", pass,
          Format("%.4f (%llu processed of %llu captured, %llu lost)", ratio,
                 static_cast<unsigned long long>(last.processedFrames),
                 static_cast<unsigned long long>(last.capturedFrames),
                 static_cast<unsigned long long>(last.droppedFrames))};
}

Verdict Recordings(const std::vector<RecordingCheck>& recordings) {
  size_t whole = 0;
  uint64_t counted = 0, indexed = 0;
  std::string firstBad;
  for (const RecordingCheck& r : recordings) {
    counted += r.counted;
    indexed += r.indexed;
    if (r.counted > 0 && r.indexed == r.counted)
      ++whole;
    else if (firstBad.empty())
      firstBad = Format("; %s: %llu indexed, %llu counted", r.path.c_str(), static_cast<unsigned long long>(r.indexed),
                        static_cast<unsigned long long>(r.counted));
  }
  return {"recordings index their counted records", !recordings.empty() && whole == recordings.size(),
          Format("%zu of %zu files; %llu records indexed, %llu counted", whole, recordings.size(),
                 static_cast<unsigned long long>(indexed), static_cast<unsigned long long>(counted)) +
              firstBad};
}

Verdict Traffic(const SoakSample& last) {
  const bool pass = last.audioLost == 0 && last.serialSent > 0 && last.serialBack == last.serialSent &&
                    last.digitalChecks > 0 && last.digitalMismatches == 0;
  return {"audio, serial and digital I/O intact", pass,
          Format("audio blocks %llu written, %llu lost; serial %llu bytes sent, %llu back; digital I/O %llu polls "
                 "checked, %llu wrong",
                 static_cast<unsigned long long>(last.audioBlocks), static_cast<unsigned long long>(last.audioLost),
                 static_cast<unsigned long long>(last.serialSent), static_cast<unsigned long long>(last.serialBack),
                 static_cast<unsigned long long>(last.digitalChecks),
                 static_cast<unsigned long long>(last.digitalMismatches))};
}

}  // namespace

std::vector<Verdict> JudgeSoak(const std::vector<SoakSample>& samples, const std::vector<RecordingCheck>& recordings,
                               const SoakLimits& limits) {
  if (samples.size() < 2) return {{"samples", false, Format("%zu samples; a run needs two or more", samples.size())}};
  const size_t warm = WarmSample(samples, limits.warmUpSeconds);
  return {Memory(samples, warm, limits),
          Constant("open file descriptors", samples, [](const SoakSample& s) { return s.openFds; }),
          Constant("threads", samples, [](const SoakSample& s) { return s.threads; }),
          Frames(samples.back(), limits),
          Recordings(recordings),
          Traffic(samples.back())};
}
