// The simulated board's search, detail, open and close, its control surface
// and the refusal of blocks it does not simulate.
#include <gtest/gtest.h>

#include <string>

#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

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

}  // namespace
