// A capture thread renders camera images into cells while the layout thread
// rebuilds the layout, holding the cells while it redraws.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "zmb_test_support.h"

namespace zmb_test {
namespace {

constexpr int kSourceWidth = 176;
constexpr int kSourceHeight = 144;

std::vector<uint8_t> Uniform(uint8_t value) {
  return std::vector<uint8_t>(static_cast<size_t>(kSourceWidth) * kSourceHeight * 2, value);
}

class ZmbConcurrency : public BoardTest {
 protected:
  // Four cells of one of two layouts; cell numbers 0..3 or 4..7.
  void ApplyLayout(int variant) {
    int32_t cells[4];
    ASSERT_EQ(ZMB_CLEAR_ALLCELL(board_), ZMB_RESULT_SUCCESS);
    for (int p = 0; p < 4; ++p) {
      cells[p] = 4 * variant + p;
      const RECT rect = variant == 0 ? RECT{360 * (p % 2), 288 * (p / 2), 360 * (p % 2) + 360, 288 * (p / 2) + 288}
                                     : RECT{180 * p, 0, 180 * p + 180, 144};
      ASSERT_EQ(ZMB_REGIST_CELL(board_, cells[p], &rect), ZMB_RESULT_SUCCESS);
    }
    ASSERT_EQ(ZMB_CHANGE_CELLTBL(board_, cells, 4, 1, 1), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_IMG_CLEAR(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_CLEAR(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_GDI_CELL_BORDER(board_, 80, 0x101010), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_RENDER_OSD_SURFACE(board_), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_CHANGE_CELLTBL(board_, cells, 4, 1, 0), ZMB_RESULT_SUCCESS);
  }
};

TEST_F(ZmbConcurrency, RenderingWhileTheLayoutChangesKeepsEveryCellWhole) {
  std::vector<std::vector<uint8_t>> frames;
  for (int i = 0; i < 8; ++i) frames.push_back(Uniform(static_cast<uint8_t>(16 + 20 * i)));

  std::atomic<bool> stop{false};
  std::atomic<int> rendered{0};
  std::thread capture([&] {
    int frame = 0;
    while (!stop.load()) {
      for (int32_t cell = 0; cell < 8; ++cell, ++frame) {
        const std::vector<uint8_t>& image = frames[static_cast<size_t>(frame) % frames.size()];
        if (ZMB_RENDER_IMG_CELL(board_, cell, image.data(), kSourceWidth, kSourceHeight) != ZMB_RESULT_SUCCESS) {
          ADD_FAILURE() << "render refused";
          return;
        }
        rendered.fetch_add(1);
      }
    }
  });
  struct StopOnExit {
    std::atomic<bool>& stop;
    std::thread& thread;
    ~StopOnExit() {
      stop = true;
      if (thread.joinable()) thread.join();
    }
  } stopOnExit{stop, capture};
  for (int round = 0; round < 12; ++round) {
    ApplyLayout(round % 2);
    ASSERT_EQ(ZMB_RENDER_MRG_SURFACE(board_), ZMB_RESULT_SUCCESS);
    // Let some frames through between layouts.
    const int target = rendered.load() + 16;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (rendered.load() < target && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_GE(rendered.load(), target) << "the capture thread stalled";
  }
  stop = true;
  capture.join();

  // The last layout (variant 1) is in place: each cell holds one whole frame,
  // and nothing is drawn outside the cells.
  for (int p = 0; p < 4; ++p) {
    const uint8_t value = ImageGroup(180 * p, 0)[0];
    bool isFrameValue = false;
    for (const auto& f : frames) isFrameValue |= f[0] == value;
    EXPECT_TRUE(isFrameValue) << static_cast<int>(value);
    for (int y = 0; y < 144; ++y) {
      for (int x = 180 * p; x < 180 * p + 180; x += 2) {
        ASSERT_EQ(ImageGroup(x, y), (std::array<uint8_t, 4>{value, value, value, value})) << x << "," << y;
      }
    }
  }
  for (int y = 144; y < lines_; y += 5) {
    for (int x = 0; x < kWidth; x += 2) {
      ASSERT_EQ(ImageGroup(x, y), (std::array<uint8_t, 4>{0x80, 0x80, 0x80, 0x80})) << x << "," << y;
    }
  }
}

// A capture thread keeps rendering into whatever board the layout thread has
// created last, while that thread deletes and re-creates the board: a render
// either finds the board whole or is refused, never touches a freed one.
TEST(ZmbBoardLifetime, DeleteWaitsForRendersInFlight) {
  const std::vector<uint8_t> frame = Uniform(0x60);
  std::atomic<int32_t> current{0};
  std::atomic<bool> stop{false};
  std::atomic<int> rendered{0};
  std::thread capture([&] {
    while (!stop.load()) {
      const int32_t index = current.load();
      for (const int32_t result : {ZMB_RENDER_IMG_CELL(index, 0, frame.data(), kSourceWidth, kSourceHeight),
                                   ZMB_RENDER_MRG_SURFACE(index)}) {
        if (result == ZMB_RESULT_SUCCESS) {
          rendered.fetch_add(1);
        } else if (result != ZMB_RESULT_INVALID_ARGUMENT) {
          ADD_FAILURE() << "render returned " << result;
          return;
        }
      }
    }
  });
  const RECT whole{0, 0, kWidth, 480};
  for (int round = 0; round < 1000; ++round) {
    int32_t index = 0;
    ASSERT_EQ(ZMB_CREATE_BOARD(ZMB_STANDARD_NTSC, &index, 1, nullptr, nullptr, nullptr), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_REGIST_CELL(index, 0, &whole), ZMB_RESULT_SUCCESS);
    ASSERT_EQ(ZMB_CHANGE_CELL(index, 0, 1, 0), ZMB_RESULT_SUCCESS);
    current = index;
    // Give the capture thread a chance to be inside a render of this board.
    if (round % 10 == 0) {
      const int target = rendered.load() + 1;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (rendered.load() < target && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    }
    ASSERT_EQ(ZMB_DELETE_BOARD(index), ZMB_RESULT_SUCCESS);
  }
  stop = true;
  capture.join();
  EXPECT_GT(rendered.load(), 0);
}

}  // namespace
}  // namespace zmb_test
