// The simulated board's search, detail, open and close, its control surface
// and the refusal of blocks it does not simulate.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "board_threads.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Journal() {
  std::string text(NUVIXI_SIM_ReadJournal(nullptr, 0), '\0');
  NUVIXI_SIM_ReadJournal(text.data(), text.size() + 1);
  return text;
}

class BoardAccess : public ::testing::Test {
 protected:
  void SetUp() override { NUVIXI_SIM_Reset(); }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  void UseBoards(const char* text) { ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(text), 0) << text; }
};

TEST_F(BoardAccess, DefaultIsOneQca08WithBoardId32) {
  NUVIXI_SEARCH_RESULT search{};
  ASSERT_EQ(NUVIXI_BDSearch(&search), NUVIXI_SUCCESS);
  EXPECT_EQ(search.boardCount, 1u);
  EXPECT_EQ(search.modelCode[0], NUVIXI_MODEL_QCA08);
  NUVIXI_BOARD_DETAIL detail{};
  ASSERT_EQ(NUVIXI_BDDetailInfo(0, &detail), NUVIXI_SUCCESS);
  EXPECT_EQ(detail.boardId, 32u);
  EXPECT_EQ(detail.maxCaptureChannels, 32u);
}

TEST_F(BoardAccess, BoardIndexBeyondTheBoardsFoundIsRefused) {
  NUVIXI_BOARD_DETAIL detail{};
  EXPECT_EQ(NUVIXI_BDDetailInfo(1, &detail), NUVIXI_ERR_BOARD_NOT_FOUND);
  EXPECT_EQ(NUVIXI_BDOpen(1, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_ERR_BOARD_NOT_FOUND);
  EXPECT_EQ(NUVIXI_BDClose(4), NUVIXI_ERR_BOARD_NOT_FOUND);
  EXPECT_EQ(NUVIXI_BDSearch(nullptr), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_BDDetailInfo(0, nullptr), NUVIXI_ERR_INVALID_ARGUMENT);
}

TEST_F(BoardAccess, CallsNeedAnOpenBoardAndUnsimulatedBlocksAreRefused) {
  int32_t signal[32] = {};
  EXPECT_EQ(NUVIXI_CAMERA_SIGNAL(0, signal), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_BDClose(0), NUVIXI_ERR_NOT_OPEN);
  ASSERT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_SQUAD_UPT(0), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_SQUAD_UPT(0), NUVIXI_ERR_NOT_OPEN);
}

TEST_F(BoardAccess, OpenRefusesSecondOpenBadStandardsAndFlags) {
  UseBoards("QCA08,QLA16,QCA04:fpga=0x05012300:id=7,QCA04:fpga=0x05012400");
  EXPECT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_VIDEO, 2), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_BDOpen(0, 0x80, NUVIXI_STANDARD_PAL), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_LIVE, NUVIXI_STANDARD_PAL), NUVIXI_ERR_FUNCTION_BLOCK);
  ASSERT_EQ(NUVIXI_BDOpen(0, 0x3F, NUVIXI_STANDARD_PAL), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_BDOpen(0, 0x3F, NUVIXI_STANDARD_PAL), NUVIXI_ERR_KERNEL_OPEN);
  // QLA boards have the live block but no audio playback.
  EXPECT_EQ(NUVIXI_BDOpen(1, 0x7F, NUVIXI_STANDARD_NTSC), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_BDOpen(1, 0x77, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  // A QCA04 divides the screen only with a recent FPGA or board ID 32.
  EXPECT_EQ(NUVIXI_BDOpen(2, NUVIXI_OPEN_SQUAD, NUVIXI_STANDARD_NTSC), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_BDOpen(3, NUVIXI_OPEN_SQUAD, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
}

TEST_F(BoardAccess, SearchListsEveryConfiguredBoardUpToThirtyTwo) {
  UseBoards("QLA04,QLA08,QLA16,QCA02,QCA04,QCA08,9");
  NUVIXI_SEARCH_RESULT search{};
  ASSERT_EQ(NUVIXI_BDSearch(&search), NUVIXI_SUCCESS);
  ASSERT_EQ(search.boardCount, 7u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(search.modelCode[i], i);
  EXPECT_EQ(search.modelCode[6], 9);
}

TEST_F(BoardAccess, BoardListTextSetsEveryDetailField) {
  UseBoards("QCA04:rev=0x305:fpga=0x05012400:custom=0xABCD:ch=24:id=7:tvout=1:audio=8");
  NUVIXI_BOARD_DETAIL detail{};
  ASSERT_EQ(NUVIXI_BDDetailInfo(0, &detail), NUVIXI_SUCCESS);
  EXPECT_EQ(detail.revisionId, 0x305u);
  EXPECT_EQ(detail.fpgaRevision, 0x05012400u);
  EXPECT_EQ(detail.customId, 0xABCDu);
  EXPECT_EQ(detail.maxCaptureChannels, 24u);
  EXPECT_EQ(detail.boardId, 7u);
  EXPECT_EQ(detail.tvOutChannels, 1u);
  EXPECT_EQ(detail.audioChannels, 8u);
}

TEST_F(BoardAccess, UnparsableBoardListsChangeNothing) {
  for (const char* bad : {"", "QCA09", "QCA08:", "QCA08:id", "QCA08:id=x", "QCA08:speed=3", "QCA08,", ",",
                          "QCA08:id=-1", "QCA08:id=0x100000000"}) {
    EXPECT_EQ(NUVIXI_SIM_SetBoardsFromText(bad), -1) << bad;
    EXPECT_EQ(NUVIXI_SIM_BoardCount(), 1u) << bad;
  }
  EXPECT_EQ(NUVIXI_SIM_SetBoardsFromText("none"), 0);
  EXPECT_EQ(NUVIXI_SIM_BoardCount(), 0u);
}

TEST_F(BoardAccess, JournalRecordsCallsInOrderWithHexArguments) {
  NUVIXI_SIM_ClearJournal();
  NUVIXI_BDOpen(0, 0x3F, 1);
  NUVIXI_BRIGHTNESSControl(0, 10, 255);
  NUVIXI_BDClose(0);
  EXPECT_EQ(Journal(), "BDOpen(0,3F,1)\nBRIGHTNESSControl(0,A,FF)\nBDClose(0)\n");
  NUVIXI_SIM_ClearJournal();
  EXPECT_EQ(Journal(), "");
}

TEST_F(BoardAccess, InjectedFaultsHitTheNamedFunctionOnceEach) {
  NUVIXI_SIM_FailNext("NUVIXI_BDOpen", NUVIXI_ERR_LOCAL_BUS);
  NUVIXI_SIM_FailNext("BDOpen", NUVIXI_ERR_MALLOC);
  NUVIXI_SEARCH_RESULT search{};
  EXPECT_EQ(NUVIXI_BDSearch(&search), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_BDOpen(0, 3, 1), NUVIXI_ERR_LOCAL_BUS);
  EXPECT_EQ(NUVIXI_BDOpen(0, 3, 1), NUVIXI_ERR_MALLOC);
  EXPECT_EQ(NUVIXI_BDOpen(0, 3, 1), NUVIXI_SUCCESS);
}

void StartCapture(uint32_t board) {
  const std::vector<int32_t> slots(30, 0);
  ASSERT_EQ(NUVIXI_VideoSliceCtrl(board, 0, slots.data(), 30, 0), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_CaptureVideoTransferON(board, 0, 12, NUVIXI_FOURCC_UYVY), NUVIXI_SUCCESS);
}

TEST_F(BoardAccess, OtherBoardsGoOnWhileABoardIsStoppingItsThreads) {
  UseBoards("QCA08,QCA08");
  for (uint32_t board : {0u, 1u}) {
    ASSERT_EQ(NUVIXI_BDOpen(board, 0x3F, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
    StartCapture(board);
  }
  constexpr auto kDelay = 2000ms;
  ASSERT_EQ(NUVIXI_SIM_SetCloseDelay(0, kDelay.count()), 0);
  EXPECT_EQ(NUVIXI_SIM_SetCloseDelay(2, 10), -1);
  const auto closeStart = Clock::now();
  auto closing = std::async(std::launch::async, [] { return NUVIXI_BDClose(0); });
  int32_t signal[32];
  while (NUVIXI_CAMERA_SIGNAL(0, signal) != NUVIXI_ERR_NOT_OPEN && Clock::now() < closeStart + 1s)
    std::this_thread::sleep_for(1ms);

  // Each call to board 1 returns in a moment, though board 0's close takes two seconds.
  struct Call {
    const char* what;
    std::function<uint32_t()> call;
  };
  const Call others[] = {
      {"BDSearch", [] { NUVIXI_SEARCH_RESULT search{}; return NUVIXI_BDSearch(&search); }},
      {"BDDetailInfo", [] { NUVIXI_BOARD_DETAIL detail{}; return NUVIXI_BDDetailInfo(1, &detail); }},
      {"GET_CaptureFPS", [] { int32_t fps[64]; return NUVIXI_GET_CaptureFPS(1, fps); }},
      {"a frame", [] { void* frame = nullptr; return NUVIXI_LockWait4GetImageAddress(1, 0, &frame, 1000); }},
      {"RUART_CONFIG", [] { return NUVIXI_RUART_CONFIG(1, 3, 1); }},
      {"WDOGDisable", [] { return NUVIXI_WDOGDisable(1); }},
  };
  for (const Call& other : others) {
    const auto start = Clock::now();
    EXPECT_EQ(other.call(), NUVIXI_SUCCESS) << other.what;
    EXPECT_LT(Clock::now() - start, 300ms) << other.what;
  }
  EXPECT_LT(Clock::now() - closeStart, kDelay) << "the calls did not all come while board 0 was closing";

  // The closing board is closed for every caller.
  void* frame = nullptr;
  EXPECT_EQ(NUVIXI_LockWait4GetImageAddress(0, 0, &frame, NUVIXI_INFINITE), NUVIXI_ERR_NOT_OPEN);
  EXPECT_EQ(NUVIXI_BDClose(0), NUVIXI_ERR_NOT_OPEN);
  // Opening it again waits for the close to end, and it starts from nothing.
  EXPECT_EQ(NUVIXI_BDOpen(0, 0x3F, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_GE(Clock::now() - closeStart, kDelay);
  EXPECT_EQ(closing.get(), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(0, 0), NUVIXI_ERR_NOT_STARTED);
}

// Calls that passed the open check just before a close run into engines that
// are being stopped: each gets a code the call may return, and none leaves a
// thread running on the closed board (the sanitizers check the memory).
TEST_F(BoardAccess, CallsInFlightAtAClosePassOrFindTheBoardClosedAndStartNothing) {
  std::atomic<bool> stop{false};
  std::atomic<int> strange{0};
  std::atomic<uint32_t> firstStrange{0};
  auto check = [&](uint32_t code, std::initializer_list<uint32_t> allowed) {
    for (uint32_t ok : allowed)
      if (code == ok) return;
    if (strange++ == 0) firstStrange = code;
  };
  const std::vector<int32_t> slots(30, 0);
  std::vector<std::function<void()>> callers = {
      [&] {
        check(NUVIXI_VideoSliceCtrl(0, 0, slots.data(), 30, 0), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
        check(NUVIXI_CaptureVideoTransferON(0, 0, 12, NUVIXI_FOURCC_UYVY), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
        void* frame = nullptr;
        check(NUVIXI_LockWait4GetImageAddress(0, 0, &frame, 5),
              {NUVIXI_SUCCESS, NUVIXI_TIMEOUT, NUVIXI_ERR_ESCAPED, NUVIXI_ERR_NOT_OPEN});
        check(NUVIXI_CaptureVideoTransferOFF(0, 0), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN, NUVIXI_ERR_NOT_STARTED});
      },
      [&] {
        check(NUVIXI_CaptureAudioTransferON(0, 1, 4, 64), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
        void* block = nullptr;
        check(NUVIXI_LockWait4GetSoundAddress(0, 1, &block, 5),
              {NUVIXI_SUCCESS, NUVIXI_TIMEOUT, NUVIXI_ERR_ESCAPED, NUVIXI_ERR_NOT_OPEN});
        check(NUVIXI_CaptureAudioTransferOFF(0, 1), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN, NUVIXI_ERR_NOT_STARTED});
      },
      [&] {
        static const int16_t kHalf[512] = {};
        check(NUVIXI_APLAY_LOAD(0, 3, 0, kHalf, sizeof kHalf), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
        check(NUVIXI_APLAY_OFF(0), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
        void *merged = nullptr, *image = nullptr, *osd = nullptr;
        check(NUVIXI_SQUAD_ON(0, &merged, &image, &osd), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
      },
      [&] {
        check(NUVIXI_RUART_WRITE(0, "x", 1, 100), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN, NUVIXI_ERR_ESCAPED});
        uint8_t byte = 0;
        check(NUVIXI_RUART_READ(0, &byte, 1, 5), {NUVIXI_SUCCESS, NUVIXI_TIMEOUT, NUVIXI_ERR_ESCAPED, NUVIXI_ERR_NOT_OPEN});
        check(NUVIXI_WDOGEnable(0, 250), {NUVIXI_SUCCESS, NUVIXI_ERR_NOT_OPEN});
      },
  };
  std::vector<std::thread> threads;
  for (auto& caller : callers)
    threads.emplace_back([&stop, &caller] {
      while (!stop) caller();
    });
  for (int cycle = 0; cycle < 100; ++cycle) {
    ASSERT_EQ(NUVIXI_BDOpen(0, 0x3F, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS) << cycle;
    std::this_thread::sleep_for(std::chrono::microseconds(cycle % 7 * 500));
    ASSERT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS) << cycle;
  }
  stop = true;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(strange.load(), 0) << "first unexpected code " << firstStrange.load();
  EXPECT_EQ(ThreadsNamedSettled("nuvixi ", 0), 0) << "a call that came during a close started a thread of the closed board";
}

}  // namespace
