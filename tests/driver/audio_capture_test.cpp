// The simulated board's audio capture: argument checks per model, block size
// and pace per rate on the board's clock, the signal's tone, click and
// levels, lost blocks for a lagging consumer and the life of a held block.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0;
constexpr uint32_t kRates[5] = {0, 8000, 11025, 16000, 22050};

// Drains one channel like a capture worker, keeping every block's samples
// (read as blocks of the given byte size) and its arrival time.
class Collector {
 public:
  Collector(uint32_t channel, uint32_t blockBytes) : channel_(channel), samples_(blockBytes / 2) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Collector() { Stop(); }

  void Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    NUVIXI_CancelLockWait4GetSoundAddress(kBoard, channel_);
    thread_.join();
  }
  // Waits up to limit for count blocks; the number there is.
  size_t WaitBlocks(size_t count, std::chrono::milliseconds limit = 6000ms) {
    const auto until = Clock::now() + limit;
    while (Blocks() < count && Clock::now() < until) std::this_thread::sleep_for(5ms);
    return Blocks();
  }
  size_t Blocks() {
    std::lock_guard lock(mutex_);
    return arrivals_.size();
  }
  std::vector<int16_t> Samples() {
    std::lock_guard lock(mutex_);
    return stream_;
  }
  std::vector<Clock::time_point> Arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }

 private:
  void Run() {
    while (!stop_) {
      void* address = nullptr;
      if (NUVIXI_LockWait4GetSoundAddress(kBoard, channel_, &address, NUVIXI_INFINITE) != NUVIXI_SUCCESS) continue;
      const auto* block = static_cast<const int16_t*>(address);
      std::lock_guard lock(mutex_);
      stream_.insert(stream_.end(), block, block + samples_);
      arrivals_.push_back(Clock::now());
    }
  }

  const uint32_t channel_;
  const uint32_t samples_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<int16_t> stream_;
  std::vector<Clock::time_point> arrivals_;
  std::thread thread_;
};

// Power of the samples at frequency hz (Goertzel).
double PowerAt(const int16_t* samples, size_t count, double hz, uint32_t rate) {
  const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / rate);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < count; ++i) {
    const double s0 = samples[i] + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

// Start of every click: a run of at least `run` samples at +peak.
std::vector<size_t> Clicks(const std::vector<int16_t>& s, int16_t peak, size_t run) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + run <= s.size(); ++i) {
    if (std::all_of(s.begin() + i, s.begin() + i + run, [&](int16_t v) { return v == peak; })) {
      starts.push_back(i);
      i += run;
    }
  }
  return starts;
}

int16_t Peak(const std::vector<int16_t>& s) {
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return static_cast<int16_t>(peak);
}

class AudioCapture : public ::testing::Test {
 protected:
  void SetUp() override { NUVIXI_SIM_Reset(); }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  void OpenBoard(const char* boards, uint32_t flags = NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_AUDIO) {
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(boards), 0);
    ASSERT_EQ(NUVIXI_BDOpen(kBoard, flags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  }
};

TEST_F(AudioCapture, ArgumentChecksFollowTheModel) {
  struct Case {
    const char* board;
    uint32_t channels, volumeCeiling;
  };
  for (const Case& c : {Case{"QLA16", 16, 15}, Case{"QCA02", 4, 31}, Case{"QCA04", 8, 31}, Case{"QCA08", 16, 31}}) {
    SCOPED_TRACE(c.board);
    NUVIXI_SIM_Reset();
    OpenBoard(c.board, c.board[2] == 'A' && c.board[1] == 'L' ? 0x77 : NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_AUDIO);
    const uint32_t last = c.channels - 1;
    EXPECT_EQ(NUVIXI_CaptureAudioReference(kBoard, 63), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_CaptureAudioReference(kBoard, 64), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioVolume(kBoard, last, c.volumeCeiling), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_CaptureAudioVolume(kBoard, last, c.volumeCeiling + 1), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioVolume(kBoard, c.channels, 0), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioPreAMP(kBoard, last, 7), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_CaptureAudioPreAMP(kBoard, last, 8), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioPreAMP(kBoard, c.channels, 1), NUVIXI_ERR_INVALID_ARGUMENT);
    for (uint32_t rate : {0u, 5u}) EXPECT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 0, rate, 64), NUVIXI_ERR_INVALID_ARGUMENT);
    for (uint32_t units : {0u, 63u, 177u}) EXPECT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 0, 1, units), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, c.channels, 1, 64), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferOFF(kBoard, last), NUVIXI_ERR_NOT_STARTED);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, last, 4, 176), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferOFF(kBoard, last), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 0, 1, 64), NUVIXI_ERR_NOT_OPEN);
  }
  // A board opened without its audio block refuses the audio calls.
  OpenBoard("QCA08", NUVIXI_OPEN_VIDEO);
  EXPECT_EQ(NUVIXI_CaptureAudioReference(kBoard, 31), NUVIXI_ERR_FUNCTION_BLOCK);
}

// Every rate on both kinds of board at once: the blocks have the model's size
// (QLA 16384 bytes, QCA block units x 128), come at the pace of their samples,
// join without a gap or an overlap (the clicks lie exactly one second of
// samples apart) and carry the input's tone.
TEST_F(AudioCapture, BlocksHaveTheModelsSizeAndPaceAndJoinSeamlessly) {
  constexpr uint32_t kUnits[5] = {0, 64, 88, 128, 176};
  for (const char* board : {"QCA08", "QLA16"}) {
    SCOPED_TRACE(board);
    NUVIXI_SIM_Reset();
    const bool qla = board[1] == 'L';
    OpenBoard(board, qla ? 0x77 : NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_AUDIO);
    std::vector<std::unique_ptr<Collector>> collectors;
    const auto started = Clock::now();
    for (uint32_t rate = 1; rate <= 4; ++rate) {
      const uint32_t channel = rate + 3;
      collectors.push_back(std::make_unique<Collector>(channel, qla ? 16384 : kUnits[rate] * 128));
      ASSERT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, channel, rate, kUnits[rate]), NUVIXI_SUCCESS);
    }
    for (uint32_t rate = 1; rate <= 4; ++rate) {
      SCOPED_TRACE(rate);
      Collector& c = *collectors[rate - 1];
      const uint32_t channel = rate + 3;
      const double blockSeconds = (qla ? 8192.0 : kUnits[rate] * 64.0) / kRates[rate];
      // At least two clicks and three blocks.
      const size_t want = std::max<size_t>(3, static_cast<size_t>(std::ceil(2.2 / blockSeconds)));
      ASSERT_GE(c.WaitBlocks(want, 8000ms), want);
      c.Stop();
      const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
      uint64_t delivered = 0, dropped = 0;
      ASSERT_EQ(NUVIXI_SIM_SoundCounters(kBoard, channel, &delivered, &dropped), 0);
      EXPECT_EQ(dropped, 0u);
      // No block before its samples have passed.
      EXPECT_LE(static_cast<double>(delivered) * blockSeconds, elapsed + 0.05);
      const auto arrivals = c.Arrivals();
      const double pace = std::chrono::duration<double>(arrivals.back() - arrivals.front()).count() /
                          static_cast<double>(arrivals.size() - 1);
      EXPECT_NEAR(pace, blockSeconds, blockSeconds * 0.15);

      const auto samples = c.Samples();
      const int16_t peak = Peak(samples);
      const auto clicks = Clicks(samples, peak, std::max<uint32_t>(kRates[rate] / 1000, 1));
      ASSERT_GE(clicks.size(), 2u);
      for (size_t i = 1; i < clicks.size(); ++i) EXPECT_EQ(clicks[i] - clicks[i - 1], kRates[rate]);
      const double tone = NUVIXI_SIM_AudioToneHz(channel);
      const size_t window = std::min<size_t>(samples.size() - clicks[0] - 50, kRates[rate] / 2);
      const int16_t* between = samples.data() + clicks[0] + 50;
      EXPECT_GT(PowerAt(between, window, tone, kRates[rate]),
                100 * PowerAt(between, window, NUVIXI_SIM_AudioToneHz(channel + 1), kRates[rate]));
      EXPECT_EQ(NUVIXI_CaptureAudioTransferOFF(kBoard, channel), NUVIXI_SUCCESS);
    }
  }
}

// The peak follows volume, gain and reference; the volume ceiling of each
// model is full volume.
TEST_F(AudioCapture, PeakFollowsVolumeGainAndReference) {
  struct Case {
    const char* board;
    uint32_t volume, gain, reference;
    double share;  // of the default setting's peak
  };
  const Case cases[] = {
      {"QCA08", 31, 1, 31, 1.0}, {"QCA08", 31, 3, 31, 2.0}, {"QCA08", 31, 7, 31, 4.0},
      {"QCA08", 31, 1, 63, 2.0}, {"QCA08", 15, 1, 31, 15.0 / 31}, {"QCA08", 0, 1, 31, 0.0},
      {"QCA08", 31, 0, 31, 0.5}, {"QLA16", 15, 1, 31, 1.0},       {"QLA16", 7, 3, 31, 14.0 / 15},
  };
  int16_t reference = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.board << " volume " << c.volume << " gain " << c.gain << " ref "
                                    << c.reference);
    NUVIXI_SIM_Reset();
    const bool qla = c.board[1] == 'L';
    OpenBoard(c.board, qla ? 0x77 : NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_AUDIO);
    ASSERT_EQ(NUVIXI_CaptureAudioReference(kBoard, c.reference), NUVIXI_SUCCESS);
    ASSERT_EQ(NUVIXI_CaptureAudioVolume(kBoard, 2, c.volume), NUVIXI_SUCCESS);
    ASSERT_EQ(NUVIXI_CaptureAudioPreAMP(kBoard, 2, c.gain), NUVIXI_SUCCESS);
    Collector collector(2, qla ? 16384 : 64 * 128);
    ASSERT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 2, 4, 64), NUVIXI_SUCCESS);
    ASSERT_EQ(collector.WaitBlocks(1), 1u);
    collector.Stop();
    const int16_t peak = Peak(collector.Samples());
    if (c.share == 1.0) reference = peak;
    ASSERT_GT(reference, 1000);
    EXPECT_NEAR(peak, reference * c.share, reference * 0.02 + 2);
  }
}

// A consumer that stops waiting keeps the block it holds intact and loses
// the blocks that find no free buffer; the board counts them, and the
// blocks queued before are still handed out, oldest first.
TEST_F(AudioCapture, LaggingConsumerLosesCountedBlocksAndKeepsItsOwn) {
  OpenBoard("QCA08");
  ASSERT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 0, 4, 64), NUVIXI_SUCCESS);  // 0.186 s per block
  const auto started = Clock::now();
  void* held = nullptr;
  ASSERT_EQ(NUVIXI_LockWait4GetSoundAddress(kBoard, 0, &held, 2000), NUVIXI_SUCCESS);
  std::vector<int16_t> copy(static_cast<const int16_t*>(held), static_cast<const int16_t*>(held) + 4096);
  uint64_t delivered = 0, dropped = 0;
  const auto until = Clock::now() + 8s;
  while (dropped < 3 && Clock::now() < until) {
    std::this_thread::sleep_for(20ms);
    NUVIXI_SIM_SoundCounters(kBoard, 0, &delivered, &dropped);
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  ASSERT_GE(dropped, 3u);
  // The held block and three queued ones: four buffers in all.
  EXPECT_EQ(delivered, 4u);
  EXPECT_LE(static_cast<double>(delivered + dropped) * 4096 / 22050, elapsed + 0.2);
  EXPECT_EQ(std::memcmp(held, copy.data(), copy.size() * 2), 0);

  std::vector<void*> queued(3);
  for (void*& address : queued) ASSERT_EQ(NUVIXI_LockWait4GetSoundAddress(kBoard, 0, &address, 0), NUVIXI_SUCCESS);
  std::sort(queued.begin(), queued.end());
  EXPECT_EQ(std::adjacent_find(queued.begin(), queued.end()), queued.end());
  EXPECT_EQ(std::find(queued.begin(), queued.end(), held), queued.end());
  EXPECT_EQ(NUVIXI_CaptureAudioTransferOFF(kBoard, 0), NUVIXI_SUCCESS);
}

// Switching a channel off while a consumer waits or holds a block breaks
// nothing, the test queue still hands out its own buffers, and closing the
// board with a transfer on frees a blocked waiter and stops the clock.
TEST_F(AudioCapture, StopAndCloseWithConsumersAndTheTestQueue) {
  OpenBoard("QCA08");
  for (int round = 0; round < 3; ++round) {
    Collector collector(1, 8192);
    ASSERT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 1, 4, 64), NUVIXI_SUCCESS);
    ASSERT_EQ(collector.WaitBlocks(1), 1u);
    EXPECT_EQ(NUVIXI_CaptureAudioTransferOFF(kBoard, 1), NUVIXI_SUCCESS);
    collector.Stop();
  }
  int16_t own[4] = {1, 2, 3, 4};
  ASSERT_EQ(NUVIXI_SIM_QueueSound(kBoard, 5, own), 0);
  void* address = nullptr;
  EXPECT_EQ(NUVIXI_LockWait4GetSoundAddress(kBoard, 5, &address, 100), NUVIXI_SUCCESS);
  EXPECT_EQ(address, own);

  // Closing with a transfer running frees a waiter that would wait for ever.
  ASSERT_EQ(NUVIXI_CaptureAudioTransferON(kBoard, 3, 4, 64), NUVIXI_SUCCESS);
  std::atomic<uint32_t> waitResult{0};
  std::thread waiter([&] {
    void* none = nullptr;
    waitResult = NUVIXI_LockWait4GetSoundAddress(kBoard, 6, &none, NUVIXI_INFINITE);
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  waiter.join();
  // Broken by the close, or (on a slow start) refused by the closed board.
  EXPECT_TRUE(waitResult == NUVIXI_ERR_ESCAPED || waitResult == NUVIXI_ERR_NOT_OPEN) << waitResult;
  EXPECT_EQ(NUVIXI_SIM_AudioClockCpuTime(kBoard, nullptr), -1);
}

}  // namespace
