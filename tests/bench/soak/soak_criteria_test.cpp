#include "soak_criteria.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct SoakRun {
  std::vector<SoakSample> samples;
  std::vector<RecordingCheck> recordings;
};

// Two minutes sampled every 10 s with everything in order: memory grows in
// the first minute only, 240 frames a second all written.
SoakRun HealthyRun() {
  SoakRun run;
  for (int i = 0; i <= 12; ++i) {
    SoakSample s;
    s.seconds = 10.0 * i;
    s.residentKb = 300000 + static_cast<uint64_t>(std::min(i, 6)) * 4000 + (i % 2) * 100;
    s.openFds = 150;
    s.threads = 60;
    s.capturedFrames = 2400u * static_cast<uint64_t>(i);
    s.processedFrames = s.capturedFrames - (i ? 20 : 0);  // a few on their way
    s.audioBlocks = 160u * static_cast<uint64_t>(i);
    s.serialSent = s.serialBack = 4800u * static_cast<uint64_t>(i);
    s.digitalChecks = 10u * static_cast<uint64_t>(i);
    run.samples.push_back(s);
  }
  run.recordings = {{"video_00.MJP", 900, 900}, {"audio_00.PCM", 120, 120}};
  return run;
}

// The verdict named name (an empty one when there is none).
Verdict Named(const std::vector<Verdict>& verdicts, const std::string& name) {
  for (const Verdict& v : verdicts)
    if (v.name == name) return v;
  return {};
}

TEST(SoakCriteria, EachFaultFailsItsOwnCriterionAndNoOther) {
  const std::vector<std::string> names = {"memory growth after warm-up",
                                          "open file descriptors",
                                          "threads",
                                          "processed / captured frames",
                                          "recordings index their counted records",
                                          "audio, serial and digital I/O intact"};
  struct Case {
    const char* what;
    std::function<void(SoakRun&)> change;
    const char* failing;  // nullptr: every criterion passes
  };
  const Case cases[] = {
      {"a healthy run", [](SoakRun&) {}, nullptr},
      {"memory grows in the first minute only", [](SoakRun& r) { r.samples[3].residentKb += 50000; }, nullptr},
      {"2 MB more after the warm-up", [](SoakRun& r) { r.samples[10].residentKb += 2048; },
       "memory growth after warm-up"},
      {"just under 2 MB after the warm-up",
       [](SoakRun& r) { r.samples.back().residentKb = r.samples[6].residentKb + 2047; }, nullptr},
      {"one descriptor more in one sample", [](SoakRun& r) { r.samples[7].openFds++; }, "open file descriptors"},
      {"one descriptor less at the start", [](SoakRun& r) { r.samples[0].openFds--; }, "open file descriptors"},
      {"a thread more at the end", [](SoakRun& r) { r.samples.back().threads++; }, "threads"},
      {"one frame lost by the board", [](SoakRun& r) { r.samples.back().droppedFrames = 1; },
       "processed / captured frames"},
      {"frames captured but never written", [](SoakRun& r) { r.samples.back().processedFrames -= 100; },
       "processed / captured frames"},
      {"more written than captured", [](SoakRun& r) { r.samples.back().processedFrames += 2000; },
       "processed / captured frames"},
      {"nothing captured",
       [](SoakRun& r) {
         for (auto& s : r.samples) s.capturedFrames = s.processedFrames = 0;
       },
       "processed / captured frames"},
      {"a file indexes one record less", [](SoakRun& r) { r.recordings[0].indexed--; },
       "recordings index their counted records"},
      {"a file indexes one record more", [](SoakRun& r) { r.recordings[1].indexed++; },
       "recordings index their counted records"},
      {"a channel recorded nothing",
       [](SoakRun& r) {
         r.recordings[1] = {"audio_00.PCM", 0, 0};
       },
       "recordings index their counted records"},
      {"no recordings at all", [](SoakRun& r) { r.recordings.clear(); }, "recordings index their counted records"},
      {"an audio block lost", [](SoakRun& r) { r.samples.back().audioLost = 1; },
       "audio, serial and digital I/O intact"},
      {"a serial byte missing", [](SoakRun& r) { r.samples.back().serialBack--; },
       "audio, serial and digital I/O intact"},
      {"an input that did not follow", [](SoakRun& r) { r.samples.back().digitalMismatches = 1; },
       "audio, serial and digital I/O intact"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SoakRun run = HealthyRun();
    c.change(run);
    const std::vector<Verdict> verdicts = JudgeSoak(run.samples, run.recordings);
    ASSERT_EQ(verdicts.size(), names.size());
    for (const std::string& name : names) {
      const Verdict v = Named(verdicts, name);
      ASSERT_EQ(v.name, name);
      EXPECT_EQ(v.pass, c.failing == nullptr || name != c.failing) << name << ": " << v.detail;
    }
  }
}

// A short run (one minute) takes half of it as warm-up, so memory is judged
// over the second half rather than over nothing.
TEST(SoakCriteria, AShortRunJudgesMemoryOverItsSecondHalf) {
  SoakRun run = HealthyRun();
  run.samples.resize(7);  // 0 to 60 s
  for (SoakSample& s : run.samples) s.residentKb = 300000;
  EXPECT_TRUE(Named(JudgeSoak(run.samples, run.recordings), "memory growth after warm-up").pass);
  run.samples[5].residentKb = run.samples[3].residentKb + 4096;
  const Verdict memory = Named(JudgeSoak(run.samples, run.recordings), "memory growth after warm-up");
  EXPECT_FALSE(memory.pass);
  EXPECT_NE(memory.detail.find("at 30 s"), std::string::npos) << memory.detail;
}

TEST(SoakCriteria, FewerThanTwoSamplesIsAFailure) {
  SoakRun run = HealthyRun();
  for (size_t count : {0u, 1u}) {
    run.samples.resize(count);
    const std::vector<Verdict> verdicts = JudgeSoak(run.samples, run.recordings);
    ASSERT_EQ(verdicts.size(), 1u);
    EXPECT_FALSE(verdicts[0].pass);
  }
}

}  // namespace
