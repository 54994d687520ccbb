// The simulated board's audio playback: argument checks, the two halves played
// in turn at the sample rate and scaled by the volume, the wait's pacing and
// its breaking calls, and the WAV file of what was played.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0;
// The smallest halves (512 bytes, 256 samples) at 22,050 Hz: 11.6 ms each.
constexpr uint32_t kRateIndex = 4, kRateFactor = 1, kRate = 22050;
constexpr uint32_t kHalfBytes = kRateFactor * 512, kHalfSamples = kHalfBytes / 2;

std::vector<int16_t> Ramp(int16_t first, size_t count, int16_t step = 1) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(first + static_cast<int>(i) * step);
  return samples;
}

std::vector<int16_t> Scaled(std::vector<int16_t> samples, int volume) {
  for (int16_t& s : samples) s = static_cast<int16_t>(s * volume / 127);
  return samples;
}

// Takes played samples until count are there or two seconds have passed.
std::vector<int16_t> TakePlayed(size_t count) {
  std::vector<int16_t> out;
  const auto deadline = Clock::now() + 2s;
  while (out.size() < count && Clock::now() < deadline) {
    int16_t chunk[1024];
    const size_t n = NUVIXI_SIM_TakePlayedAudio(kBoard, chunk, std::min<size_t>(1024, count - out.size()));
    out.insert(out.end(), chunk, chunk + n);
    if (n == 0) std::this_thread::sleep_for(2ms);
  }
  return out;
}

class AudioPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_APLAY, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  uint32_t Load(uint32_t offset, const std::vector<int16_t>& samples) {
    return NUVIXI_APLAY_LOAD(kBoard, kRateIndex, offset, samples.data(), static_cast<uint32_t>(samples.size() * 2));
  }
  NUVIXI_SIM_APLAY_STATE State() {
    NUVIXI_SIM_APLAY_STATE state{};
    EXPECT_EQ(NUVIXI_SIM_AudioPlayState(kBoard, &state), 0);
    return state;
  }
};

TEST_F(AudioPlay, BadLoadsAreRefusedAndWriteNothing) {
  const std::vector<int16_t> good = Ramp(100, kHalfSamples);
  ASSERT_EQ(Load(0, good), NUVIXI_SUCCESS);
  ASSERT_EQ(Load(kHalfBytes, Ramp(-500, kHalfSamples)), NUVIXI_SUCCESS);
  const std::vector<int16_t> junk(22528 / 2 + 8, 0x7777);
  struct Case {
    uint32_t parameter, offset, length;
    const void* data;
  } cases[] = {
      {kRateIndex, 45056, 2, junk.data()},          // starts at the end of the buffer
      {kRateIndex, 45054, 4, junk.data()},          // runs past the end
      {kRateIndex, 0, 45058, junk.data()},          // longer than the buffer
      {kRateIndex, 0xFFFFFFFE, 4, junk.data()},     // offset + length wraps
      {kRateIndex, 2, 0xFFFFFFFE, junk.data()},     // length wraps
      {kRateIndex, 0, 0, junk.data()},              // nothing
      {kRateIndex, 0, 3, junk.data()},              // half a sample
      {kRateIndex, 1, 2, junk.data()},              // between two samples
      {kRateIndex, 0, 512, nullptr},                // no data
      {0, 0, 512, junk.data()},                     // rate index below 1
      {5, 0, 512, junk.data()},                     // rate index above 4
  };
  for (const Case& c : cases)
    EXPECT_EQ(NUVIXI_APLAY_LOAD(kBoard, c.parameter, c.offset, c.data, c.length), NUVIXI_ERR_INVALID_ARGUMENT)
        << c.offset << "+" << c.length;
  EXPECT_EQ(NUVIXI_APLAY_LOAD(kBoard, kRateIndex, 45056 - 2, junk.data(), 2), NUVIXI_SUCCESS) << "last sample";

  ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_SUCCESS);
  const std::vector<int16_t> played = TakePlayed(2 * kHalfSamples);
  std::vector<int16_t> expected = good;
  const std::vector<int16_t> second = Ramp(-500, kHalfSamples);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(played, expected);
}

TEST_F(AudioPlay, HalvesPlayInTurnAtTheRateScaledByTheVolume) {
  const auto a = Ramp(-20000, kHalfSamples, 150), b = Ramp(30000, kHalfSamples, -200);
  ASSERT_EQ(NUVIXI_APLAY_Volume(kBoard, 90), NUVIXI_SUCCESS);
  ASSERT_EQ(Load(0, a), NUVIXI_SUCCESS);
  ASSERT_EQ(Load(kHalfBytes, b), NUVIXI_SUCCESS);
  constexpr int kWaits = 20;
  const auto start = Clock::now();
  for (int i = 0; i < kWaits; ++i) ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_SUCCESS);
  const auto elapsed = Clock::now() - start;
  // Each wait ends when a half has been played: never faster than the rate.
  EXPECT_GE(elapsed, std::chrono::microseconds(uint64_t{kWaits} * kHalfSamples * 1000000 / kRate) - 1ms);
  const NUVIXI_SIM_APLAY_STATE state = State();
  EXPECT_EQ(state.playing, 1u);
  EXPECT_EQ(state.sampleRate, kRate);
  EXPECT_GE(state.halvesPlayed, uint64_t{kWaits});

  const std::vector<int16_t> played = TakePlayed(4 * kHalfSamples);
  const auto sa = Scaled(a, 90), sb = Scaled(b, 90);
  ASSERT_EQ(played.size(), 4 * kHalfSamples);
  for (int half = 0; half < 4; ++half) {
    const auto& want = half % 2 == 0 ? sa : sb;
    EXPECT_TRUE(std::equal(want.begin(), want.end(), played.begin() + half * kHalfSamples)) << "half " << half;
  }
}

TEST_F(AudioPlay, PlaybackStartsWithTheHalfLoadedFirstAndTakesEachHalfWhenItStarts) {
  // Halves of half a second, so the refill below surely lands while the other half plays.
  constexpr uint32_t kFactor = 44, kBytes = kFactor * 512, kSamples = kBytes / 2;
  const auto a = Ramp(1, kSamples), b = Ramp(-12000, kSamples), c = Ramp(-3000, kSamples);
  auto load = [&](uint32_t offset, const std::vector<int16_t>& v) {
    return NUVIXI_APLAY_LOAD(kBoard, kRateIndex, offset, v.data(), kBytes);
  };
  ASSERT_EQ(load(kBytes, a), NUVIXI_SUCCESS);
  ASSERT_EQ(load(0, b), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kFactor), NUVIXI_SUCCESS);
  // The first half (a) has been played and the second (b) is playing: refill the first.
  ASSERT_EQ(load(kBytes, c), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kFactor), NUVIXI_SUCCESS);
  std::vector<int16_t> expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(TakePlayed(3 * kSamples), expected);
}

TEST_F(AudioPlay, WaitsAreBrokenByEscapeAndCloseAndNothingPlaysBeforeALoad) {
  // Without a loaded half the wait does not return by itself.
  auto blocked = std::async(std::launch::async, [] { return NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor); });
  EXPECT_EQ(blocked.wait_for(100ms), std::future_status::timeout);
  EXPECT_EQ(NUVIXI_APLAY_ESCAPE(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(blocked.get(), NUVIXI_ERR_ESCAPED);
  EXPECT_EQ(State().playing, 0u);

  // A queued refill lets one wait through without anything played.
  ASSERT_EQ(NUVIXI_SIM_QueueAudioRefill(kBoard), 0);
  EXPECT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_SUCCESS);
  EXPECT_EQ(State().samplesWaiting, 0u);

  // Playing at the slowest rate with the largest halves: a wait lasts 1.4 s unless closed.
  ASSERT_EQ(NUVIXI_APLAY_LOAD(kBoard, 1, 0, Ramp(0, 11264).data(), 22528), NUVIXI_SUCCESS);
  auto playing = std::async(std::launch::async, [] { return NUVIXI_APLAY_ON(kBoard, 1, 44); });
  const auto deadline = Clock::now() + 2s;
  while (State().playing == 0 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(State().sampleRate, 8000u);
  const auto start = Clock::now();
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(playing.get(), NUVIXI_ERR_ESCAPED);
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(NUVIXI_APLAY_ON(kBoard, 1, 44), NUVIXI_ERR_NOT_OPEN);
}

TEST_F(AudioPlay, SettingsAreCheckedStoredAndOffStops) {
  EXPECT_EQ(State().volume, 127u) << "full volume after open";
  EXPECT_EQ(NUVIXI_APLAY_Volume(kBoard, 128), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_APLAY_Volume(kBoard, 0), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_APLAY_Monitor(kBoard, 2, 0, 1), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_APLAY_Monitor(kBoard, 1, 16, 1), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_APLAY_Monitor(kBoard, 1, 15, 1), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_APLAY_ON(kBoard, 0, 16), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_APLAY_ON(kBoard, 1, 45), NUVIXI_ERR_INVALID_ARGUMENT);
  NUVIXI_SIM_APLAY_STATE state = State();
  EXPECT_EQ(state.volume, 0u);
  EXPECT_EQ(state.monitorEnable, 1u);
  EXPECT_EQ(state.monitorChannel, 15u);

  ASSERT_EQ(Load(0, Ramp(5, kHalfSamples)), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_SUCCESS);
  const std::vector<int16_t> silent = TakePlayed(kHalfSamples);
  EXPECT_EQ(silent, std::vector<int16_t>(kHalfSamples, 0)) << "volume 0 plays silence";
  EXPECT_EQ(NUVIXI_APLAY_OFF(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(State().playing, 0u);

  // Calls need the playback block.
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_APLAY_Volume(kBoard, 10), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(Load(0, Ramp(5, kHalfSamples)), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_ERR_FUNCTION_BLOCK);
}

// A standard reader's view of a 16-bit mono WAV file: rate and samples, or
// nothing when any header field is off.
std::optional<std::pair<uint32_t, std::vector<int16_t>>> ReadWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&](size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
  };
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); };
  if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " || std::string(b.begin() + 36, b.begin() + 40) != "data")
    return std::nullopt;
  if (u32(4) != b.size() - 8 || u32(40) != b.size() - 44 || u16(20) != 1 || u16(22) != 1 || u16(34) != 16 ||
      u32(28) != u32(24) * 2 || u16(32) != 2)
    return std::nullopt;
  std::vector<int16_t> samples((b.size() - 44) / 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(u16(44 + 2 * i));
  return std::make_pair(u32(24), samples);
}

TEST_F(AudioPlay, WavFileHoldsWhatWasPlayedAndIsFinishedByOffAndByClose) {
  const auto dir = std::filesystem::temp_directory_path() / ("aplay-wav-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "played.wav";
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  ::setenv("NUVIXI_SIM_APLAY_WAV", path.c_str(), 1);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_APLAY, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  ::unsetenv("NUVIXI_SIM_APLAY_WAV");

  for (bool byClose : {false, true}) {
    ASSERT_EQ(NUVIXI_APLAY_Volume(kBoard, 64), NUVIXI_SUCCESS);
    ASSERT_EQ(Load(0, Ramp(-7000, kHalfSamples, 3)), NUVIXI_SUCCESS);
    ASSERT_EQ(Load(kHalfBytes, Ramp(9000, kHalfSamples, -5)), NUVIXI_SUCCESS);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(NUVIXI_APLAY_ON(kBoard, kRateIndex, kRateFactor), NUVIXI_SUCCESS);
    ASSERT_EQ(byClose ? NUVIXI_BDClose(kBoard) : NUVIXI_APLAY_OFF(kBoard), NUVIXI_SUCCESS);
    std::vector<int16_t> played(64 * kHalfSamples);
    played.resize(NUVIXI_SIM_TakePlayedAudio(kBoard, played.data(), played.size()));

    const auto wav = ReadWav(path);
    ASSERT_TRUE(wav.has_value()) << (byClose ? "after close" : "after off");
    EXPECT_EQ(wav->first, kRate);
    EXPECT_GE(wav->second.size(), 7 * kHalfSamples);
    EXPECT_EQ(wav->second, played);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
