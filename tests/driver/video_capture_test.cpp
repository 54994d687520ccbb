// The simulated board's video capture: slot lists and the rates they give,
// camera presence, transfers on and off, lost frames (slow consumer,
// bandwidth limit), the buffers' lifetime and the pictures' byte layout.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board_threads.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0;

// Polls until done() holds; false when the limit passed first.
template <typename Done>
bool PollUntil(Done done, std::chrono::milliseconds limit = 10s) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// Drains one channel's waits on its own thread, like a capture worker.
class Consumer {
 public:
  Consumer(uint32_t channel, std::chrono::milliseconds holdEach = 0ms)
      : channel_(channel), hold_(holdEach), thread_([this] { Run(); }) {}
  ~Consumer() { Stop(); }

  // Breaks until the worker has ended: a board need not keep a break that
  // comes while the worker is between two waits.
  void Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    do NUVIXI_CancelLockWait4GetImageAddress(kBoard, channel_);
    while (!EndedWithin(5ms));
    thread_.join();
  }
  int Frames() const { return frames_.load(); }
  // The result that ended the worker's loop, after waiting up to 1 s for it to end.
  uint32_t EndResult() const { return EndedWithin(1s) ? last_.load() : 0; }

 private:
  bool EndedWithin(std::chrono::milliseconds limit) const {
    for (const auto deadline = Clock::now() + limit; !ended_ && Clock::now() < deadline;)
      std::this_thread::sleep_for(1ms);
    return ended_;
  }
  void Run() {
    while (!stop_) {
      void* address = nullptr;
      const uint32_t code = NUVIXI_LockWait4GetImageAddress(kBoard, channel_, &address, NUVIXI_INFINITE);
      last_ = code;
      if (code != NUVIXI_SUCCESS) break;
      ++frames_;
      if (hold_ > 0ms) std::this_thread::sleep_for(hold_);
    }
    ended_ = true;
  }

  const uint32_t channel_;
  const std::chrono::milliseconds hold_;
  std::atomic<bool> stop_{false};
  std::atomic<int> frames_{0};
  std::atomic<uint32_t> last_{0};
  std::atomic<bool> ended_{false};
  std::thread thread_;
};

struct Pixel {
  int y, u, v;
};

// Reads pixel (x, row) of a frame in the documented packed layouts.
Pixel At(const uint8_t* frame, uint32_t fourcc, int width, int x, int row) {
  if (fourcc == NUVIXI_FOURCC_Y41P) {
    static constexpr int kLuma[8] = {1, 3, 5, 7, 8, 9, 10, 11};
    const uint8_t* group = frame + static_cast<size_t>(row) * ((width + 7) / 8 * 12) + x / 8 * 12;
    const int i = x % 8;
    return {group[kLuma[i]], group[i < 4 ? 0 : 4], group[i < 4 ? 2 : 6]};
  }
  const uint8_t* pair = frame + static_cast<size_t>(row) * width * 2 + x / 2 * 4;
  if (fourcc == NUVIXI_FOURCC_UYVY) return {pair[1 + 2 * (x % 2)], pair[0], pair[2]};
  return {pair[2 * (x % 2)], pair[1], pair[3]};  // YUY2
}

size_t FrameBytes(uint32_t fourcc, int width, int height) {
  const size_t stride = fourcc == NUVIXI_FOURCC_Y41P ? (width + 7) / 8 * 12 : width * 2;
  return stride * height;
}

// Slot list of a second in which channel takes every step-th slot from first.
std::vector<int32_t> Every(int step, int first, int32_t channel, int slots = 30,
                           std::vector<int32_t> base = {}) {
  if (base.empty()) base.assign(slots, NUVIXI_EMPTY_SLOT);
  for (int i = first; i < slots; i += step) base[i] = channel;
  return base;
}

// The board's clock threads, given a joined thread a moment to leave the task list.
int ClockThreads(int expected) { return ThreadsNamedSettled("nuvixi clock", expected); }

// Pixels of the right half of a row with exactly this luma: the background's
// luma is 48 on the first row and 176 on the last, whatever the frame height.
int RowLuma(const std::vector<uint8_t>& frame, uint32_t fourcc, int width, int row, int luma) {
  int count = 0;
  for (int x = width / 2; x < width; ++x) count += At(frame.data(), fourcc, width, x, row).y == luma;
  return count;
}

class VideoCapture : public ::testing::Test {
 protected:
  void SetUp() override { NUVIXI_SIM_Reset(); }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  void Open(uint32_t standard = NUVIXI_STANDARD_NTSC, uint32_t flags = NUVIXI_OPEN_VIDEO) {
    ASSERT_EQ(NUVIXI_BDOpen(kBoard, flags, standard), NUVIXI_SUCCESS);
  }
  void Slots(uint32_t group, const std::vector<int32_t>& slots) {
    ASSERT_EQ(NUVIXI_VideoSliceCtrl(kBoard, group, slots.data(), static_cast<uint32_t>(slots.size()), 0),
              NUVIXI_SUCCESS);
  }
  void On(uint32_t channel, uint32_t size = 12, uint32_t fourcc = NUVIXI_FOURCC_UYVY) {
    ASSERT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, channel, size, fourcc), NUVIXI_SUCCESS);
  }
  struct Counts {
    uint64_t delivered = 0, dropped = 0;
    uint64_t Slots() const { return delivered + dropped; }  // every slot that named a started channel with a camera
  };
  Counts CountsOf(uint32_t channel) {
    Counts counts;
    EXPECT_EQ(NUVIXI_SIM_CaptureCounters(kBoard, channel, &counts.delivered, &counts.dropped), 0);
    return counts;
  }
  int32_t Rate(uint32_t channel) {
    int32_t fps[64];
    std::memset(fps, 0xFF, sizeof fps);
    EXPECT_EQ(NUVIXI_GET_CaptureFPS(kBoard, fps), NUVIXI_SUCCESS);
    for (int i = 32; i < 64; ++i) EXPECT_EQ(fps[i], 0);
    return fps[channel];
  }
  // The next frame of channel copied out, or an empty vector after timeoutMs.
  std::vector<uint8_t> Grab(uint32_t channel, size_t bytes, uint32_t timeoutMs = 2000) {
    void* address = nullptr;
    if (NUVIXI_LockWait4GetImageAddress(kBoard, channel, &address, timeoutMs) != NUVIXI_SUCCESS) return {};
    const auto* p = static_cast<const uint8_t*>(address);
    return std::vector<uint8_t>(p, p + bytes);
  }
};

TEST_F(VideoCapture, CallsAreCheckedLikeTheDriver) {
  const std::vector<int32_t> slots(30, 0);
  int32_t table[64];
  EXPECT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, 0, 8, NUVIXI_FOURCC_UYVY), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, slots.data(), 30, 0), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_GET_CaptureFPS(kBoard, table), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 1, 50), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(3, 0), NUVIXI_ERR_BOARD_NOT_FOUND);

  ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_AUDIO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, 0, 8, NUVIXI_FOURCC_UYVY), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_CAMERA_SIGNAL(kBoard, table), NUVIXI_ERR_FUNCTION_BLOCK);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);

  Open();
  for (uint32_t size : {0u, 13u}) EXPECT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, 0, size, 0), 0x21u) << size;
  for (uint32_t format : {3u, 0x32315659u /* YV12 */})
    EXPECT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, 0, 8, format), 0x21u) << format;
  EXPECT_EQ(NUVIXI_CaptureVideoTransferON(kBoard, 32, 8, NUVIXI_FOURCC_UYVY), 0x21u);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 32), 0x21u);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 5), NUVIXI_ERR_NOT_STARTED);

  // QCA08: eight groups, group g holds g, g + 8, g + 16, g + 24.
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 1, Every(1, 0, 9).data(), 30, 0), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 1, Every(1, 0, 8).data(), 30, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 8, Every(1, 0, 8).data(), 30, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, Every(1, 0, 32).data(), 30, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, Every(1, 0, -1).data(), 30, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, slots.data(), 0, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, nullptr, 30, 0), 0x21u);
  const std::vector<int32_t> tooMany(31, 0);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(kBoard, 0, tooMany.data(), 31, 0), 0x21u);

  EXPECT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 2, 50), 0x21u);
  EXPECT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 1, 0), 0x21u);
  EXPECT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 0, 0), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_CAMERA_SIGNAL(kBoard, nullptr), 0x21u);
  EXPECT_EQ(NUVIXI_GET_CaptureFPS(kBoard, nullptr), 0x21u);
  EXPECT_EQ(ClockThreads(0), 0) << "no transfer is on";
}

TEST_F(VideoCapture, PalHasTwentyFiveSlotsAndQlaListsNameOneChannel) {
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText("QLA16,QCA04:ch=24"), 0);
  // A QLA board captures only when opened with the capture bits (0x73).
  ASSERT_EQ(NUVIXI_BDOpen(0, 0x71, NUVIXI_STANDARD_PAL), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(0, 5, Every(1, 0, 5, 25).data(), 25, 0), NUVIXI_ERR_FUNCTION_BLOCK);
  ASSERT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDOpen(0, 0x73, NUVIXI_STANDARD_PAL), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(0, 5, Every(1, 0, 5, 30).data(), 30, 0), 0x21u) << "PAL has 25 slots";
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(0, 5, Every(2, 0, 6, 25).data(), 25, 0), 0x21u) << "list of channel 5 only";
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(0, 16, Every(1, 0, 16, 25).data(), 25, 0), 0x21u);
  EXPECT_EQ(NUVIXI_VideoSliceCtrl(0, 5, Every(1, 0, 5, 25).data(), 25, 0), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferON(0, 16, 8, 0), 0x21u) << "a QLA16 has 16 channels";

  // The tab's colour format number 0 stands for UYVY; size 1 is 720 x 576 in PAL.
  ASSERT_EQ(NUVIXI_CaptureVideoTransferON(0, 5, 1, 0), NUVIXI_SUCCESS);
  const auto frame = Grab(5, FrameBytes(NUVIXI_FOURCC_UYVY, 720, 576));
  ASSERT_FALSE(frame.empty());
  // The background's luma reaches its bottom value on the last row, so the frame is 576 rows high.
  EXPECT_GT(RowLuma(frame, NUVIXI_FOURCC_UYVY, 720, 575, 176), 720 / 8);
  EXPECT_GT(RowLuma(frame, NUVIXI_FOURCC_UYVY, 720, 0, 48), 720 / 8);

  // Inputs beyond a board's capture channels have no camera.
  ASSERT_EQ(NUVIXI_BDOpen(1, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  int32_t signal[32];
  ASSERT_EQ(NUVIXI_CAMERA_SIGNAL(1, signal), NUVIXI_SUCCESS);
  for (int ch = 0; ch < 32; ++ch) EXPECT_EQ(signal[ch], ch < 24 ? 1 : 0) << ch;
}

TEST_F(VideoCapture, SlotsSetEachChannelsRate) {
  Open();
  // Group 0: channel 0 in 10 slots, channel 8 in 20; channel 16 started but in
  // no slot. Group 1: channel 1 in every slot.
  Slots(0, Every(3, 0, 0, 30, Every(3, 1, 8, 30, Every(3, 2, 8))));
  Slots(1, Every(1, 0, 1));
  Consumer c0(0), c8(8), c16(16), c1(1);
  const auto started = Clock::now();
  for (uint32_t ch : {0u, 8u, 16u, 1u}) On(ch);
  EXPECT_EQ(ClockThreads(1), 1);
  // The board's own count against the time that actually passed, however
  // late this thread wakes on a loaded machine: between the frames due when
  // the reading starts and those due when it ends; the board's clock may run
  // a little late, never early.
  ASSERT_TRUE(PollUntil([&] { return CountsOf(0).Slots() >= 20; }, 20s));
  const double before0 = CountsOf(0).Slots(), before8 = CountsOf(8).Slots(), before1 = CountsOf(1).Slots();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  const double after0 = CountsOf(0).Slots(), after8 = CountsOf(8).Slots(), after1 = CountsOf(1).Slots();
  constexpr double kEarly = 0.1, kLate = 0.25;
  EXPECT_GE(after0 + 1, 10 * (seconds - kLate)) << before0;
  EXPECT_LE(before0 - 1, 10 * (seconds + kEarly)) << after0;
  EXPECT_GE(after8 + 1, 20 * (seconds - kLate)) << before8;
  EXPECT_LE(before8 - 1, 20 * (seconds + kEarly)) << after8;
  EXPECT_GE(after1 + 1, 30 * (seconds - kLate)) << before1;
  EXPECT_LE(before1 - 1, 30 * (seconds + kEarly)) << after1;
  EXPECT_EQ(c16.Frames(), 0);
  // The reported rates cover the last second: once one has passed they show
  // the slots (a consumer held up on a loaded machine may cost a frame now and then).
  int32_t r0 = 0, r8 = 0, r1 = 0;
  EXPECT_TRUE(PollUntil([&] {
    r0 = Rate(0), r8 = Rate(8), r1 = Rate(1);
    return std::abs(r0 - 100) <= 10 && std::abs(r8 - 200) <= 20 && std::abs(r1 - 300) <= 30;
  })) << r0 << " " << r8 << " " << r1;
  EXPECT_EQ(Rate(16), 0);
  EXPECT_EQ(Rate(2), 0);
}

TEST_F(VideoCapture, ChannelWithoutCameraGetsNoFrames) {
  ASSERT_EQ(NUVIXI_SIM_SetCameraSignal(kBoard, 3, 0), 0);
  EXPECT_EQ(NUVIXI_SIM_SetCameraSignal(kBoard, 32, 0), -1);
  EXPECT_EQ(NUVIXI_SIM_SetCameraSignal(7, 0, 0), -1);
  Open();
  int32_t signal[32];
  ASSERT_EQ(NUVIXI_CAMERA_SIGNAL(kBoard, signal), NUVIXI_SUCCESS);
  for (int ch = 0; ch < 32; ++ch) EXPECT_EQ(signal[ch], ch == 3 ? 0 : 1) << ch;

  Slots(3, Every(2, 0, 3, 30, Every(2, 1, 11)));
  On(3);
  On(11);
  EXPECT_FALSE(Grab(11, 4).empty()) << "the group runs";
  EXPECT_TRUE(Grab(3, 4, 300).empty());
  // A camera plugged in while capturing delivers from then on; unplugged, it stops.
  ASSERT_EQ(NUVIXI_SIM_SetCameraSignal(kBoard, 3, 1), 0);
  EXPECT_FALSE(Grab(3, 4).empty());
  ASSERT_EQ(NUVIXI_SIM_SetCameraSignal(kBoard, 3, 0), 0);
  for (int i = 0; i < 4; ++i) Grab(3, 4, 0);  // what was queued before
  EXPECT_TRUE(Grab(3, 4, 300).empty());
}

TEST_F(VideoCapture, TransferOffStopsDeliveryAndTheChannelStartsAgain) {
  Open();
  Slots(2, Every(1, 0, 2));
  On(2, 12);
  ASSERT_FALSE(Grab(2, 4).empty());
  ASSERT_TRUE(PollUntil([&] { return CountsOf(2).delivered >= 3; })) << "frames queue up";
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 2), NUVIXI_SUCCESS);
  EXPECT_EQ(ClockThreads(0), 0) << "no transfer left on";
  EXPECT_TRUE(Grab(2, 4, 200).empty()) << "queued frames are withdrawn at the stop";
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 2), NUVIXI_ERR_NOT_STARTED);
  EXPECT_EQ(Rate(2), 0);

  // Restarted in another size and format: 352 x 240 YUY2.
  On(2, 8, NUVIXI_FOURCC_YUY2);
  const auto frame = Grab(2, FrameBytes(NUVIXI_FOURCC_YUY2, 352, 240));
  ASSERT_FALSE(frame.empty());
  EXPECT_GT(RowLuma(frame, NUVIXI_FOURCC_YUY2, 352, 239, 176), 352 / 8);
  // Switching a started channel on again restarts it with the new size.
  On(2, 11, NUVIXI_FOURCC_UYVY);
  std::vector<uint8_t> small;
  for (int i = 0; i < 8 && small.empty(); ++i) {
    auto f = Grab(2, FrameBytes(NUVIXI_FOURCC_UYVY, 176, 120));
    if (!f.empty() && RowLuma(f, NUVIXI_FOURCC_UYVY, 176, 119, 176) > 176 / 8) small = std::move(f);
  }
  EXPECT_FALSE(small.empty()) << "no 176 x 120 frame after the restart";
}

TEST_F(VideoCapture, SlowConsumerLosesFramesAndTheRateShowsIt) {
  Open();
  Slots(0, Every(1, 0, 0));
  On(0);
  Consumer slow(0, 100ms);  // at most 10 frames a second of the 30
  ASSERT_TRUE(PollUntil([&] { return CountsOf(0).dropped > 15; }));
  // Over two seconds, whatever this thread's lateness: the last second of
  // slots, which the rate covers, delivered at most what the consumer took
  // meanwhile and the ring's four buffers, and at least one frame.
  const int takenBefore = slow.Frames();
  std::this_thread::sleep_for(2s);
  const int32_t rate = Rate(0);
  const int taken = slow.Frames() - takenBefore;
  EXPECT_LE(rate, (taken + 4) * 10);
  EXPECT_GT(rate, 0);
  EXPECT_LT(rate, 300);
  const Counts counts = CountsOf(0);
  EXPECT_LE(counts.delivered, static_cast<uint64_t>(slow.Frames()) + 4) << "at most the ring's buffers wait queued";
}

TEST_F(VideoCapture, BandwidthLimitDropsFramesUntilSwitchedOff) {
  Open();
  Slots(0, Every(1, 0, 0));
  On(0, 2);  // 704 x 480 UYVY: 675840 bytes, 20.3 MB/s at 30 frames per second
  Consumer fast(0);
  ASSERT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 1, 10), NUVIXI_SUCCESS);
  const auto limited = Clock::now();
  const Counts atLimit = CountsOf(0);
  // 10 MB/s carries 14.8 such frames a second: 14 or 15 of a second's 30
  // slots deliver once the consumer keeps up, 16 at most, never more.
  int32_t rate = 0;
  EXPECT_TRUE(PollUntil([&] {
    rate = Rate(0);
    return Clock::now() - limited >= 1100ms && rate >= 140 && rate <= 160;
  })) << rate;
  const Counts counts = CountsOf(0);
  const auto seconds = std::chrono::duration<double>(Clock::now() - limited).count();
  const uint64_t slots = counts.Slots() - atLimit.Slots();
  // Against the slots that passed: no more frames than the bytes allowed
  // (a second's allowance at the start, one frame's overdraft at the end)...
  constexpr double kFramesPerSlot = 10e6 / 30 / 675840;
  EXPECT_LE(static_cast<double>(counts.delivered - atLimit.delivered), (slots + 1) * kFramesPerSlot + 1);
  EXPECT_GT(counts.dropped - atLimit.dropped, 10u);
  // ...and no more slots than the time allowed.
  EXPECT_LE(static_cast<double>(slots), seconds * 30 + 2);

  ASSERT_EQ(NUVIXI_PCI_BAND_WIDTH_Control(kBoard, 0, 0), NUVIXI_SUCCESS);
  EXPECT_TRUE(PollUntil([&] { return (rate = Rate(0)) >= 280; })) << rate;
}

TEST_F(VideoCapture, PicturesAreStudioRangeInTheRequestedLayout) {
  Open();
  Slots(0, Every(1, 0, 0));
  Slots(1, Every(1, 0, 1));
  Slots(2, Every(1, 0, 2));
  struct Case {
    uint32_t channel, size, fourcc;
    int width, height;
  };
  // 180 pixels make 22.5 groups of Y41P: the row holds 23.
  const Case cases[] = {{0, 11, NUVIXI_FOURCC_UYVY, 176, 120},
                        {1, 11, NUVIXI_FOURCC_YUY2, 176, 120},
                        {2, 10, NUVIXI_FOURCC_Y41P, 180, 120}};
  for (const Case& c : cases) On(c.channel, c.size, c.fourcc);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    const size_t bytes = FrameBytes(c.fourcc, c.width, c.height);
    const auto first = Grab(c.channel, bytes);
    const auto second = Grab(c.channel, bytes);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second) << "two moments of a camera differ";

    uint8_t colour[3];
    NUVIXI_SIM_CameraColour(c.channel, colour);
    int cameraChroma = 0, white = 0, numberArea = 0;
    double topLuma = 0, bottomLuma = 0;
    int topCount = 0, bottomCount = 0;
    for (int row = 0; row < c.height; ++row) {
      for (int x = 0; x < c.width; ++x) {
        const Pixel p = At(first.data(), c.fourcc, c.width, x, row);
        ASSERT_TRUE(p.y >= 16 && p.y <= 235 && p.u >= 16 && p.u <= 240 && p.v >= 16 && p.v <= 240)
            << x << "," << row;
        const bool background = p.u == colour[1] && p.v == colour[2];
        cameraChroma += background;
        // The camera number sits in the middle, half the frame high.
        if (row >= c.height / 4 && row < c.height * 3 / 4 && x >= c.width / 4 && x < c.width * 3 / 4) {
          ++numberArea;
          white += p.y == 235 && p.u == 128 && p.v == 128;
        }
        if (background && x >= c.width * 3 / 4 && row == 1) topLuma += p.y, ++topCount;
        if (background && x >= c.width * 3 / 4 && row == c.height - 2) bottomLuma += p.y, ++bottomCount;
      }
    }
    EXPECT_GT(cameraChroma, c.width * c.height / 2) << "the camera's colour is the background";
    EXPECT_GT(white, numberArea / 20) << "the camera number is drawn in white";
    ASSERT_GT(topCount, 0);
    ASSERT_GT(bottomCount, 0);
    EXPECT_GT(bottomLuma / bottomCount, topLuma / topCount + 100) << "luma grows downwards: rows go top first";
  }
  uint8_t a[3], b[3];
  NUVIXI_SIM_CameraColour(0, a);
  NUVIXI_SIM_CameraColour(1, b);
  EXPECT_TRUE(a[1] != b[1] || a[2] != b[2]) << "two cameras differ";
}

TEST_F(VideoCapture, HandedOutBufferIsKeptUntilTheNextWait) {
  Open();
  Slots(0, Every(1, 0, 0));
  On(0, 12);
  const size_t bytes = FrameBytes(NUVIXI_FOURCC_UYVY, 160, 120);
  void* held = nullptr;
  ASSERT_EQ(NUVIXI_LockWait4GetImageAddress(kBoard, 0, &held, 2000), NUVIXI_SUCCESS);
  std::memset(held, 0xA5, bytes);
  // The ring fills up, the rest is lost.
  ASSERT_TRUE(PollUntil([&] { return CountsOf(0).dropped > 3; }));
  const auto* p = static_cast<const uint8_t*>(held);
  size_t intact = 0;
  while (intact < bytes && p[intact] == 0xA5) ++intact;
  EXPECT_EQ(intact, bytes) << "the held buffer was written";

  EXPECT_EQ(CountsOf(0).delivered, 4u) << "one held, three queued";

  // The three other buffers wait, oldest first; none is the held one.
  std::set<void*> seen{held};
  for (int i = 0; i < 3; ++i) {
    void* next = nullptr;
    ASSERT_EQ(NUVIXI_LockWait4GetImageAddress(kBoard, 0, &next, 0), NUVIXI_SUCCESS) << i;
    EXPECT_TRUE(seen.insert(next).second) << "handed out twice: " << i;
    EXPECT_NE(static_cast<const uint8_t*>(next)[0], 0xA5);
  }
  // Once given back, the buffers go round: never more than four addresses.
  for (int i = 0; i < 12; ++i) {
    void* next = nullptr;
    ASSERT_EQ(NUVIXI_LockWait4GetImageAddress(kBoard, 0, &next, 2000), NUVIXI_SUCCESS);
    seen.insert(next);
  }
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(VideoCapture, AHeldBufferOutlivesTheCloseUntilTheNextWait) {
  Open();
  Slots(0, Every(1, 0, 0));
  On(0, 1);
  void* held = nullptr;
  ASSERT_EQ(NUVIXI_LockWait4GetImageAddress(kBoard, 0, &held, 2000), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  // Still the consumer's: AddressSanitizer reports a write into freed memory.
  std::memset(held, 0x5A, FrameBytes(NUVIXI_FOURCC_UYVY, 720, 480));
  void* next = nullptr;
  EXPECT_NE(NUVIXI_LockWait4GetImageAddress(kBoard, 0, &next, 0), NUVIXI_SUCCESS);
  // Opened and started again, the retired buffers go once no one holds them.
  Open();
  Slots(0, Every(1, 0, 0));
  On(0, 12);
  EXPECT_FALSE(Grab(0, 4).empty());
}

TEST_F(VideoCapture, RestartingTransfersWhileTheClockDrawsIsSafe) {
  Open();
  Slots(0, Every(1, 0, 0, 30, Every(2, 0, 8)));
  Consumer c0(0), c8(8);
  // Sizes change under the clock at every restart; AddressSanitizer checks
  // that no frame is drawn into, or handed out from, a released ring.
  for (int i = 0; i < 60; ++i) {
    On(0, 1 + i % 12);
    On(8, 12 - i % 12);
    if (i % 3 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(i % 7));
    if (i % 5 == 0) {
      EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 8), NUVIXI_SUCCESS);
    }
  }
  EXPECT_TRUE(PollUntil([&] { return c0.Frames() > 0; })) << "the last restart delivers";
}

TEST_F(VideoCapture, CloseWhileCapturingStopsTheClockAndBreaksTheWaits) {
  Open();
  Slots(0, Every(1, 0, 0, 30, Every(2, 0, 8)));
  Slots(3, Every(1, 0, 3));
  for (uint32_t ch : {0u, 8u, 3u}) On(ch, 5);
  Consumer c0(0), c8(8), c3(3), idle(4);
  EXPECT_TRUE(PollUntil([&] { return c0.Frames() + c8.Frames() + c3.Frames() > 5; }));
  EXPECT_EQ(ClockThreads(1), 1);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(ClockThreads(0), 0);
  EXPECT_EQ(idle.EndResult(), NUVIXI_ERR_ESCAPED) << "the close broke the wait";
  // A worker busy with a frame at the close finds the board closed at its next wait.
  for (Consumer* c : {&c0, &c8, &c3}) {
    const uint32_t end = c->EndResult();
    EXPECT_TRUE(end == NUVIXI_ERR_ESCAPED || end == NUVIXI_ERR_NOT_OPEN) << end;
  }
  // Opened again, the board starts from nothing: no slots, no transfers.
  Open();
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(kBoard, 0), NUVIXI_ERR_NOT_STARTED);
  On(0);
  EXPECT_TRUE(Grab(0, 4, 200).empty()) << "slot lists were forgotten";
  Slots(0, Every(1, 0, 0));
  EXPECT_FALSE(Grab(0, 4).empty());
  // A reset while capturing stops the clock as well.
  NUVIXI_SIM_Reset();
  EXPECT_EQ(ClockThreads(0), 0);
}

TEST_F(VideoCapture, ProcessEndsCleanlyWhileCapturing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The board is left capturing with a worker blocked: the clock is stopped
  // and the buffers freed when the library goes away (LeakSanitizer checks).
  EXPECT_EXIT(
      {
        Open();
        Slots(0, Every(1, 0, 0));
        On(0, 2);
        if (Grab(0, 4).empty()) std::exit(3);
        std::thread([] {
          void* address = nullptr;
          NUVIXI_LockWait4GetImageAddress(kBoard, 0, &address, NUVIXI_INFINITE);
        }).detach();
        std::this_thread::sleep_for(100ms);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
