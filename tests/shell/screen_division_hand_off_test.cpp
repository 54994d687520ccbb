// The frame hand-off to the screen-division view: switching the view away
// waits for a frame that is still inside it, and no frame reaches it after.
#include "screen_division_hand_off.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A view whose frame entry can be held inside until released.
class GatedSink : public IScreenDivisionSink {
 public:
  bool IsViewActive() const override { return active; }
  void OnCameraFrame(int32_t channel, const void*, int32_t, int32_t) override {
    lastChannel = channel;
    ++frames;
    inside = true;
    while (holding) std::this_thread::yield();
    inside = false;
  }
  std::atomic<bool> active{true};
  std::atomic<bool> holding{false};
  std::atomic<bool> inside{false};
  std::atomic<int> frames{0};
  std::atomic<int32_t> lastChannel{-1};
};

bool WaitFor(const std::atomic<bool>& flag, std::chrono::milliseconds limit = 5000ms) {
  for (const auto deadline = Clock::now() + limit; !flag && Clock::now() < deadline;) std::this_thread::yield();
  return flag;
}

TEST(ScreenDivisionHandOff, FramesReachOnlyTheActiveRegisteredView) {
  CScreenDivisionHandOff handOff;
  GatedSink sink;
  handOff.Pass(1, nullptr, 0, 0);  // nobody registered
  handOff.Set(&sink);
  sink.active = false;
  handOff.Pass(2, nullptr, 0, 0);
  EXPECT_EQ(sink.frames, 0);
  sink.active = true;
  handOff.Pass(3, nullptr, 0, 0);
  EXPECT_EQ(sink.frames, 1);
  EXPECT_EQ(sink.lastChannel, 3);
  handOff.Set(nullptr);
  handOff.Pass(4, nullptr, 0, 0);
  EXPECT_EQ(sink.frames, 1);
}

TEST(ScreenDivisionHandOff, UnregisteringWaitsForTheFrameInFlight) {
  CScreenDivisionHandOff handOff;
  GatedSink sink;
  handOff.Set(&sink);
  sink.holding = true;
  std::thread worker([&] { handOff.Pass(7, nullptr, 0, 0); });
  ASSERT_TRUE(WaitFor(sink.inside));

  std::atomic<bool> unregistered{false};
  std::thread owner([&] {
    handOff.Set(nullptr);
    unregistered = true;
  });
  // While the frame is inside the view, unregistering must not return (the
  // owner would delete what the frame is using).
  EXPECT_FALSE(WaitFor(unregistered, 100ms));
  sink.holding = false;
  EXPECT_TRUE(WaitFor(unregistered));
  EXPECT_FALSE(sink.inside);
  owner.join();
  worker.join();
  // A second worker that arrives after unregistering never enters.
  std::thread late([&] { handOff.Pass(8, nullptr, 0, 0); });
  late.join();
  EXPECT_EQ(sink.frames, 1);
}

}  // namespace
