// The blocking waits of the worker threads and their breaking calls, in the
// default mode (a break that finds no wait is kept for the next one, until a
// transfer starts or the board closes) and in strict mode (it is lost; a
// wait without time-out may end with a time-out; a break that meets data lets
// the data through).
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <ostream>
#include <string>
#include <thread>

#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0, kChannel = 2;
int g_item;
const uint8_t kByte = 0x5A;

// One kind of wait: the wait (what it handed out goes to *got), its breaking
// call, what hands one item to it, and the call that starts its transfer
// (none for the serial port, whose line always runs).
struct WaitKind {
  const char* name;
  uint32_t (*wait)(uint32_t timeoutMs, uintptr_t* got);
  uint32_t (*cancel)();
  void (*feed)();
  uint32_t (*start)();
  uintptr_t item;  // what the wait hands out for one feed
};

// A wait for a buffer of the channel; the address it hands out goes to *got.
template <auto Wait>
uint32_t WaitAddress(uint32_t ms, uintptr_t* got) {
  void* address = nullptr;
  const uint32_t code = Wait(kBoard, kChannel, &address, ms);
  if (code == NUVIXI_SUCCESS) *got = reinterpret_cast<uintptr_t>(address);
  return code;
}

const WaitKind kKinds[] = {
    {"image", &WaitAddress<NUVIXI_LockWait4GetImageAddress>,
     [] { return NUVIXI_CancelLockWait4GetImageAddress(kBoard, kChannel); },
     [] { NUVIXI_SIM_QueueImage(kBoard, kChannel, &g_item); },
     // No slot names the channel: the transfer runs but delivers nothing.
     [] { return NUVIXI_CaptureVideoTransferON(kBoard, kChannel, 12, NUVIXI_FOURCC_UYVY); },
     reinterpret_cast<uintptr_t>(&g_item)},
    {"sound", &WaitAddress<NUVIXI_LockWait4GetSoundAddress>,
     [] { return NUVIXI_CancelLockWait4GetSoundAddress(kBoard, kChannel); },
     [] { NUVIXI_SIM_QueueSound(kBoard, kChannel, &g_item); },
     // 4096 samples at 8000 Hz: the first block comes after half a second.
     [] { return NUVIXI_CaptureAudioTransferON(kBoard, kChannel, 1, 64); },
     reinterpret_cast<uintptr_t>(&g_item)},
    {"serial",
     [](uint32_t ms, uintptr_t* got) {
       uint8_t byte = 0;
       const uint32_t code = NUVIXI_RUART_READ(kBoard, &byte, 1, ms);
       if (code == NUVIXI_SUCCESS) *got = byte;
       return code;
     },
     [] { return NUVIXI_RUART_ESCAPE(kBoard); }, [] { NUVIXI_SIM_QueueSerialRx(kBoard, &kByte, 1); }, nullptr, kByte},
};

void PrintTo(const WaitKind& kind, std::ostream* out) { *out << kind.name; }

constexpr uintptr_t kNothing = 1;  // what *got holds while a wait handed out nothing

// How a wait without time-out ended.
struct Outcome {
  uint32_t code = 0;
  bool byItself = true;  // false: it had to be broken
  uintptr_t got = kNothing;
  Clock::duration took{};
};

// Runs wait(NUVIXI_INFINITE) on its own thread and gives it up to ms to end
// by itself; then breaks it: with one break in the default mode (kept when it
// comes first), with breaks until it ends in strict mode, where a break that
// comes before the wait has reached the board is lost. A wait still blocked
// after 5 s of breaks fails the test and is freed by closing the board.
template <typename Wait, typename Break>
Outcome WaitWithoutTimeOut(Wait wait, Break breakWait, std::chrono::milliseconds ms, bool strict) {
  Outcome outcome;
  const auto start = Clock::now();
  auto waiting = std::async(std::launch::async, [&] { return wait(&outcome.got); });
  if (waiting.wait_for(ms) != std::future_status::ready) {
    outcome.byItself = false;
    const auto giveUp = Clock::now() + 5s;
    do breakWait();
    while (strict && waiting.wait_for(5ms) != std::future_status::ready && Clock::now() < giveUp);
    if (waiting.wait_for(5s) != std::future_status::ready) {
      ADD_FAILURE() << "the breaks never reached the wait";
      NUVIXI_BDClose(kBoard);
    }
  }
  outcome.code = waiting.get();
  outcome.took = Clock::now() - start;
  return outcome;
}

class WorkerWaits : public ::testing::TestWithParam<WaitKind> {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    NUVIXI_SIM_SetStrict(0);
    Open();
  }
  void TearDown() override { NUVIXI_SIM_Reset(); }
  void Open() { ASSERT_EQ(NUVIXI_BDOpen(kBoard, 0x3F, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS); }
  uint32_t Wait(uint32_t ms, uintptr_t* got = nullptr) {
    uintptr_t ignored = kNothing;
    return GetParam().wait(ms, got ? got : &ignored);
  }
  Outcome WaitUntilBroken(std::chrono::milliseconds ms, bool strict) {
    return WaitWithoutTimeOut([this](uintptr_t* got) { return Wait(NUVIXI_INFINITE, got); },
                              [this] { EXPECT_EQ(GetParam().cancel(), NUVIXI_SUCCESS); }, ms, strict);
  }
};

TEST_P(WorkerWaits, ABreakWithoutWaiterIsKeptAsOneUntilTheTransferStartsOrTheBoardCloses) {
  const uint64_t unmatched = NUVIXI_SIM_UnmatchedCancels();
  ASSERT_EQ(GetParam().cancel(), NUVIXI_SUCCESS);
  ASSERT_EQ(GetParam().cancel(), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_SIM_UnmatchedCancels() - unmatched, 2u);
  EXPECT_EQ(Wait(1000), NUVIXI_ERR_ESCAPED) << "the next wait is broken at once";
  EXPECT_EQ(Wait(50), NUVIXI_TIMEOUT) << "two breaks with no waiter are kept as one";

  if (GetParam().start) {
    ASSERT_EQ(GetParam().cancel(), NUVIXI_SUCCESS);
    ASSERT_EQ(GetParam().start(), NUVIXI_SUCCESS);
    EXPECT_NE(Wait(50), NUVIXI_ERR_ESCAPED) << "a started transfer's first wait is not broken for nothing";
  }
  ASSERT_EQ(GetParam().cancel(), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  Open();
  EXPECT_EQ(Wait(50), NUVIXI_TIMEOUT) << "the close forgot the break";

  const Outcome broken = WaitUntilBroken(20ms, false);
  EXPECT_FALSE(broken.byItself);
  EXPECT_EQ(broken.code, NUVIXI_ERR_ESCAPED);
  EXPECT_EQ(Wait(50), NUVIXI_TIMEOUT) << "the break that met its wait is not kept";
}

TEST_P(WorkerWaits, StrictModeLosesABreakWithoutWaiterAndBreaksABlockedWait) {
  NUVIXI_SIM_SetStrict(1);
  const uint64_t unmatched = NUVIXI_SIM_UnmatchedCancels();
  ASSERT_EQ(GetParam().cancel(), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_SIM_UnmatchedCancels() - unmatched, 1u);
  EXPECT_EQ(Wait(50), NUVIXI_TIMEOUT) << "the break was lost";
  // No wait ends by itself within 10 ms (an early time-out takes 20 ms at
  // least): each is broken, unless a time-out beat the breaks on a busy machine.
  int escaped = 0;
  for (int i = 0; i < 10; ++i) {
    const Outcome broken = WaitUntilBroken(10ms, true);
    EXPECT_FALSE(broken.byItself) << i;
    EXPECT_TRUE(broken.code == NUVIXI_ERR_ESCAPED || broken.code == NUVIXI_TIMEOUT) << broken.code;
    escaped += broken.code == NUVIXI_ERR_ESCAPED;
  }
  EXPECT_GT(escaped, 0);
}

TEST_P(WorkerWaits, StrictModeLetsDataThroughABreakThatMeetsIt) {
  NUVIXI_SIM_SetStrict(1);
  for (int i = 0; i < 20; ++i) {
    uintptr_t got = kNothing;
    auto waiting = std::async(std::launch::async, [&] { return Wait(2000, &got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 * 5));
    GetParam().feed();
    GetParam().cancel();
    // Whether the data or the break reached the wait first, the data is handed out.
    ASSERT_EQ(waiting.get(), NUVIXI_SUCCESS) << i;
    EXPECT_EQ(got, GetParam().item) << i;
  }
}

TEST_P(WorkerWaits, StrictModeEndsSomeWaitsWithoutTimeOutEarlyHandingOutNothing) {
  NUVIXI_SIM_SetStrict(1);
  Outcome early;
  early.byItself = false;
  for (int attempt = 0; attempt < 60 && !early.byItself; ++attempt) early = WaitUntilBroken(250ms, true);
  ASSERT_TRUE(early.byItself) << "no wait without time-out ended early in 60";
  EXPECT_EQ(early.code, NUVIXI_TIMEOUT);
  EXPECT_EQ(early.got, kNothing);
  EXPECT_GE(early.took, 20ms);
  GetParam().feed();
  uintptr_t got = kNothing;
  EXPECT_EQ(Wait(1000, &got), NUVIXI_SUCCESS) << "the early end took nothing away";
  EXPECT_EQ(got, GetParam().item);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WorkerWaits, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

// Audio playback has one wait without time-out: it returns when a half has
// been played.
class AudioPlayWait : public ::testing::Test {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    NUVIXI_SIM_SetStrict(0);
    ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_APLAY, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  }
  void TearDown() override { NUVIXI_SIM_Reset(); }
  // Loads half a block of silence; the first load since the open starts playback.
  void Load() {
    static const int16_t kSilence[1024] = {};
    ASSERT_EQ(NUVIXI_APLAY_LOAD(kBoard, 3, 0, kSilence, sizeof kSilence), NUVIXI_SUCCESS);
  }
  static uint32_t Wait() { return NUVIXI_APLAY_ON(kBoard, 3, 4); }
};

TEST_F(AudioPlayWait, AKeptBreakIsForgottenWhenPlaybackStarts) {
  ASSERT_EQ(NUVIXI_APLAY_ESCAPE(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(Wait(), NUVIXI_ERR_ESCAPED);
  ASSERT_EQ(NUVIXI_APLAY_ESCAPE(kBoard), NUVIXI_SUCCESS);
  Load();
  const auto start = Clock::now();
  EXPECT_EQ(Wait(), NUVIXI_SUCCESS) << "the first half was played, not broken for nothing";
  EXPECT_GE(Clock::now() - start, 60ms) << "1024 samples at 16000 Hz";
}

TEST_F(AudioPlayWait, StrictModeEndsSomeIdleWaitsEarlyAndLosesABreakWithoutWaiter) {
  NUVIXI_SIM_SetStrict(1);
  auto wait = [](uintptr_t*) { return Wait(); };
  auto escape = [] { EXPECT_EQ(NUVIXI_APLAY_ESCAPE(kBoard), NUVIXI_SUCCESS); };
  ASSERT_EQ(NUVIXI_APLAY_ESCAPE(kBoard), NUVIXI_SUCCESS);
  Outcome early;
  early.byItself = false;
  for (int attempt = 0; attempt < 60 && !early.byItself; ++attempt)
    early = WaitWithoutTimeOut(wait, escape, 250ms, true);
  ASSERT_TRUE(early.byItself) << "no idle wait ended early in 60";
  EXPECT_EQ(early.code, NUVIXI_TIMEOUT) << "a kept break would have ended the first wait at once";
  EXPECT_GE(early.took, 20ms);
  Load();
  EXPECT_EQ(Wait(), NUVIXI_SUCCESS) << "playback starts as usual";
}

}  // namespace
