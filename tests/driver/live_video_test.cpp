// The simulated QLA board's live display: the split picture it writes into
// the overlay surface (cameras per cell, colour settings, scan modes,
// on-screen text), when it writes and when it must not, and argument checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

#include "nuvix_wintypes.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0;
constexpr uint32_t kWidth = 704, kHeight = 480, kPitch = 1472;  // pitch with 64 bytes of padding per row
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 4096;

struct Cell {
  int x, y, w, h;
};

// Cell k of a g × g split of the surface.
Cell GridCell(int g, int k) {
  const int x0 = (static_cast<int>(kWidth) * (k % g) / g) & ~1, x1 = (static_cast<int>(kWidth) * (k % g + 1) / g) & ~1;
  const int y0 = static_cast<int>(kHeight) * (k / g) / g, y1 = static_cast<int>(kHeight) * (k / g + 1) / g;
  return {x0, y0, x1 - x0, y1 - y0};
}

class LiveVideo : public ::testing::Test {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText("QLA16,QCA08"), 0);
    surface_.assign(kPitch * kHeight + kGuardBytes, kGuard);
  }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  void Open(uint32_t board = kBoard, uint32_t flags = 0x73) {
    ASSERT_EQ(NUVIXI_BDOpen(board, flags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  }
  uint32_t Configure(uint32_t fourcc = NUVIXI_FOURCC_UYVY) {
    return NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, fourcc, surface_.data(), kPitch);
  }
  void Shape(int32_t shape, int32_t start = 0) {
    ASSERT_EQ(NUVIXI_LiveVideoShape(kBoard, 0, 0xFFFF, &shape, &start), NUVIXI_SUCCESS);
  }
  void Sequence(const std::vector<int32_t>& sequence) {
    ASSERT_EQ(NUVIXI_LiveVideoChSequence(kBoard, sequence.data()), NUVIXI_SUCCESS);
  }
  static NUVIXI_SIM_LIVE_STATUS Status(uint32_t board = kBoard) {
    NUVIXI_SIM_LIVE_STATUS status{};
    EXPECT_EQ(NUVIXI_SIM_LiveStatus(board, &status), 0);
    return status;
  }
  // Waits until the board has written `fields` more fields; false after 5 s.
  static bool WaitFields(uint64_t fields) {
    const uint64_t target = Status().fieldsWritten + fields;
    const auto deadline = Clock::now() + 5s;
    while (Status().fieldsWritten < target) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }
  // Runs live DMA for a few fields and stops it, so the surface can be read
  // without the board writing into it.
  void RunFields(uint64_t fields = 3) {
    ASSERT_EQ(NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_SUCCESS);
    ASSERT_TRUE(WaitFields(fields));
    ASSERT_EQ(NUVIXI_LiveVideoTransferOFF(kBoard), NUVIXI_SUCCESS);
  }

  // Pixel (x, y) of the surface as luma and chroma (U, V of its pair).
  struct Pixel {
    int y, u, v;
  };
  Pixel At(int x, int y, uint32_t fourcc = NUVIXI_FOURCC_UYVY) const {
    const uint8_t* pair = surface_.data() + static_cast<size_t>(y) * kPitch + (x & ~1) * 2;
    if (fourcc == NUVIXI_FOURCC_UYVY) return {pair[1 + 2 * (x & 1)], pair[0], pair[2]};
    return {pair[2 * (x & 1)], pair[1], pair[3]};
  }
  // The camera whose background chroma covers most of the cell; -1 when none covers half.
  int CameraIn(const Cell& c, uint32_t fourcc = NUVIXI_FOURCC_UYVY) const {
    int best = -1, bestCount = 0;
    for (uint32_t camera = 0; camera < 16; ++camera) {
      uint8_t colour[3];
      NUVIXI_SIM_CameraColour(camera, colour);
      int count = 0;
      for (int y = c.y; y < c.y + c.h; y += 2)
        for (int x = c.x; x < c.x + c.w; x += 2) {
          const Pixel p = At(x, y, fourcc);
          count += p.u == colour[1] && p.v == colour[2];
        }
      if (count > bestCount) best = static_cast<int>(camera), bestCount = count;
    }
    return bestCount * 4 > c.w * c.h / 2 ? best : -1;
  }
  double MeanLuma(const Cell& c) const {
    double sum = 0;
    for (int y = c.y; y < c.y + c.h; ++y)
      for (int x = c.x; x < c.x + c.w; ++x) sum += At(x, y).y;
    return sum / (c.w * c.h);
  }
  // Pixels whose line differs from both neighbouring lines while those agree: field combing.
  int CombedPixels(const Cell& c) const {
    int combed = 0;
    for (int y = c.y + 1; y + 1 < c.y + c.h; ++y)
      for (int x = c.x; x < c.x + c.w; ++x) {
        const int above = At(x, y - 1).y, here = At(x, y).y, below = At(x, y + 1).y;
        combed += std::abs(above - below) < 8 && std::abs(here - above) > 40;
      }
    return combed;
  }
  bool PaddingAndGuardIntact() const {
    for (uint32_t y = 0; y < kHeight; ++y)
      for (uint32_t x = kWidth * 2; x < kPitch; ++x)
        if (surface_[y * kPitch + x] != kGuard) return false;
    return std::all_of(surface_.end() - kGuardBytes, surface_.end(), [](uint8_t b) { return b == kGuard; });
  }
  uint64_t Checksum() const { return std::accumulate(surface_.begin(), surface_.end(), uint64_t{0}); }

  std::vector<uint8_t> surface_;
};

TEST_F(LiveVideo, CellsShowTheirCamerasForEachShapeAndSequence) {
  Open();
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  std::vector<int32_t> identity(16), seq1 = {5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6};
  std::iota(identity.begin(), identity.end(), 0);
  struct Case {
    int32_t shape, start;
    int grid;
    std::vector<int32_t> sequence;
  };
  const Case cases[] = {{0, 0, 1, identity}, {0, 7, 1, identity}, {1, 14, 2, identity},
                        {8, 0, 4, identity}, {8, 0, 4, seq1},     {1, 2, 2, seq1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "shape " << c.shape << " start " << c.start << " seq[0] " << c.sequence[0]);
    Shape(c.shape, c.start);
    Sequence(c.sequence);
    RunFields();
    for (int k = 0; k < c.grid * c.grid; ++k)
      EXPECT_EQ(CameraIn(GridCell(c.grid, k)), c.sequence[(c.start + k) % 16]) << "cell " << k;
    EXPECT_TRUE(PaddingAndGuardIntact()) << "the board writes only the picture's bytes";
  }
}

TEST_F(LiveVideo, YuyTwoSurfaceGetsItsOwnLayout) {
  Open();
  ASSERT_EQ(Configure(NUVIXI_FOURCC_YUY2), NUVIXI_SUCCESS);
  Shape(1, 0);
  RunFields();
  for (int k = 0; k < 4; ++k) EXPECT_EQ(CameraIn(GridCell(2, k), NUVIXI_FOURCC_YUY2), k);
  EXPECT_EQ(CameraIn(GridCell(2, 0), NUVIXI_FOURCC_UYVY), -1) << "the bytes are not UYVY";
}

TEST_F(LiveVideo, ColourSettingsOfOneInputChangeOnlyItsCell) {
  Open();
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  Shape(1, 0);
  RunFields();
  double before[4];
  for (int k = 0; k < 4; ++k) before[k] = MeanLuma(GridCell(2, k));
  ASSERT_EQ(NUVIXI_BRIGHTNESSControl(kBoard, 2, 170), NUVIXI_SUCCESS);
  RunFields();
  for (int k = 0; k < 4; ++k) {
    const double change = MeanLuma(GridCell(2, k)) - before[k];
    if (k == 2) EXPECT_GT(change, 30) << "input 2 is brighter";
    else EXPECT_LT(std::abs(change), 8) << "cell " << k << " keeps its brightness";
  }
  // Saturation 0 leaves the cell grey: no camera's colour is left in it.
  ASSERT_EQ(NUVIXI_SATURATIONUControl(kBoard, 3, 0), NUVIXI_SUCCESS);
  RunFields();
  EXPECT_EQ(CameraIn(GridCell(2, 3)), -1);
  EXPECT_EQ(At(GridCell(2, 3).x + 150, GridCell(2, 3).y + 200).u, 128);
  EXPECT_EQ(CameraIn(GridCell(2, 0)), 0);
  // Hue 0 turns the chroma half a circle: the cell takes the opposite colour.
  ASSERT_EQ(NUVIXI_HUEControl(kBoard, 1, 0), NUVIXI_SUCCESS);
  RunFields();
  uint8_t colour[3];
  NUVIXI_SIM_CameraColour(1, colour);
  const Cell cell = GridCell(2, 1);
  int opposite = 0, samples = 0;
  for (int y = cell.y; y < cell.y + cell.h; y += 4)
    for (int x = cell.x; x < cell.x + cell.w; x += 4, ++samples) {
      const Pixel p = At(x, y);
      opposite += std::abs(p.u - (256 - colour[1])) <= 2 && std::abs(p.v - (256 - colour[2])) <= 2;
    }
  EXPECT_GT(opposite, samples / 2);
}

TEST_F(LiveVideo, InterlacedInputsShowCombingAndProgressiveOnesDoNot) {
  Open();
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  Shape(1, 0);
  int32_t modes[16] = {};
  modes[1] = modes[3] = 1;
  ASSERT_EQ(NUVIXI_SetLiveScanMode(kBoard, modes), NUVIXI_SUCCESS);
  RunFields(6);
  EXPECT_GT(CombedPixels(GridCell(2, 0)), 100);
  EXPECT_GT(CombedPixels(GridCell(2, 2)), 100);
  EXPECT_EQ(CombedPixels(GridCell(2, 1)), 0);
  EXPECT_EQ(CombedPixels(GridCell(2, 3)), 0);
}

TEST_F(LiveVideo, OnScreenTextIsSwitchedBySquadCallsOnAQlaBoard) {
  Open();
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  Shape(0, 0);
  const char* names[16] = {"CAM ONE", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P"};
  char* strings[16];
  for (int i = 0; i < 16; ++i) strings[i] = const_cast<char*>(names[i]);
  ASSERT_EQ(NUVIXI_XED_QUAD_STRING(kBoard, strings), NUVIXI_SUCCESS);
  // The text sits at the bottom left, where the background is bright and has the camera's colour.
  const Cell corner{0, static_cast<int>(kHeight) - 60, 200, 60};
  auto whiteCount = [&] {
    int white = 0;
    for (int y = corner.y; y < corner.y + corner.h; ++y)
      for (int x = corner.x; x < corner.x + corner.w; ++x) white += At(x, y).y >= 230;
    return white;
  };
  RunFields();
  const int without = whiteCount();
  ASSERT_EQ(NUVIXI_SQUAD_ON(kBoard, nullptr, nullptr, nullptr), NUVIXI_SUCCESS);
  EXPECT_EQ(Status().osd, 1u);
  RunFields();
  EXPECT_GT(whiteCount(), without + 200) << "the string is drawn";
  ASSERT_EQ(NUVIXI_SQUAD_OFF(kBoard), NUVIXI_SUCCESS);
  RunFields();
  EXPECT_EQ(whiteCount(), without);
}

TEST_F(LiveVideo, StopMeansNoFurtherWritesAndTvOutIsReported) {
  Open();
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_SUCCESS);
  EXPECT_EQ(Status().running, 1u);
  EXPECT_EQ(Status().tvOut, 1u);
  ASSERT_TRUE(WaitFields(2));
  ASSERT_EQ(NUVIXI_LiveVideoTransferOFF(kBoard), NUVIXI_SUCCESS);
  const uint64_t sum = Checksum(), fields = Status().fieldsWritten;
  std::this_thread::sleep_for(150ms);  // several field periods
  EXPECT_EQ(Checksum(), sum);
  EXPECT_EQ(Status().fieldsWritten, fields);
  EXPECT_EQ(NUVIXI_LiveVideoTransferOFF(kBoard), NUVIXI_ERR_NOT_STARTED);
  ASSERT_EQ(NUVIXI_LiveVideoTransferON(kBoard, 0), NUVIXI_SUCCESS);
  EXPECT_EQ(Status().tvOut, 0u);
}

TEST_F(LiveVideo, ReleasedOrReplacedSurfaceIsNeverWrittenAgain) {
  Open();
  auto released = std::make_unique<std::vector<uint8_t>>(kPitch * kHeight, 0);
  ASSERT_EQ(NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, released->data(), kPitch),
            NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_SUCCESS);
  ASSERT_TRUE(WaitFields(2));
  NUVIXI_MemoryReleased(released->data() + 1000, 16);  // any overlap counts
  released.reset();  // AddressSanitizer reports any later write
  EXPECT_EQ(Status().surface, nullptr);
  const uint64_t fields = Status().fieldsWritten;
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(Status().fieldsWritten, fields);
  EXPECT_EQ(Status().running, 1u) << "live DMA stays on, with nowhere to write";

  // A new configuration takes over at once; the old surface stays as it was.
  std::vector<uint8_t> old(surface_.size(), kGuard);
  ASSERT_EQ(NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, old.data(), kPitch),
            NUVIXI_SUCCESS);
  ASSERT_TRUE(WaitFields(2));
  ASSERT_EQ(Configure(), NUVIXI_SUCCESS);
  const std::vector<uint8_t> snapshot = old;
  ASSERT_TRUE(WaitFields(3));
  EXPECT_EQ(old, snapshot);
  ASSERT_EQ(NUVIXI_LiveVideoTransferOFF(kBoard), NUVIXI_SUCCESS);
  EXPECT_EQ(CameraIn(GridCell(1, 0)), 0);
}

TEST_F(LiveVideo, BadCallsReturnTheirCodesAndWriteNothing) {
  Open();
  int32_t zero = 0, bad = 10, negative = -1;
  int32_t value = 0;
  std::vector<int32_t> sequence(16, 0), badSequence(16, 0);
  badSequence[7] = 16;
  std::vector<int32_t> badModes(16, 0);
  badModes[3] = 2;
  char* nullStrings[16] = {};
  const std::vector<uint8_t> pristine = surface_;
  struct Case {
    const char* what;
    uint32_t result, expected;
  };
  const Case cases[] = {
      {"start before any configuration", NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_ERR_INVALID_ARGUMENT},
      {"stop when not started", NUVIXI_LiveVideoTransferOFF(kBoard), NUVIXI_ERR_NOT_STARTED},
      {"null surface", NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, nullptr, kPitch),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"pitch below width x 2",
       NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, surface_.data(), kWidth * 2 - 2),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"width not a multiple of 8",
       NUVIXI_SetLiveVideoConfig(kBoard, 0, 700, kHeight, NUVIXI_FOURCC_UYVY, surface_.data(), kPitch),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"PAL height on an NTSC board",
       NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, 576, NUVIXI_FOURCC_UYVY, surface_.data(), kPitch),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"format the live block cannot write",
       NUVIXI_SetLiveVideoConfig(kBoard, 0, kWidth, kHeight, NUVIXI_FOURCC_Y41P, surface_.data(), kPitch),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"start after only bad configurations", NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_ERR_INVALID_ARGUMENT},
      {"TV-out flag 2", NUVIXI_LiveVideoTransferON(kBoard, 2), NUVIXI_ERR_INVALID_ARGUMENT},
      {"shape 10", NUVIXI_LiveVideoShape(kBoard, 0, 0xFFFF, &bad, &zero), NUVIXI_ERR_INVALID_ARGUMENT},
      {"start -1", NUVIXI_LiveVideoShape(kBoard, 0, 0xFFFF, &zero, &negative), NUVIXI_ERR_INVALID_ARGUMENT},
      {"null shape", NUVIXI_LiveVideoShape(kBoard, 0, 0xFFFF, nullptr, &zero), NUVIXI_ERR_INVALID_ARGUMENT},
      {"input 16 in the sequence", NUVIXI_LiveVideoChSequence(kBoard, badSequence.data()),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"scan mode 2", NUVIXI_SetLiveScanMode(kBoard, badModes.data()), NUVIXI_ERR_INVALID_ARGUMENT},
      {"brightness 256", NUVIXI_BRIGHTNESSControl(kBoard, 0, 256), NUVIXI_ERR_INVALID_ARGUMENT},
      {"hue of channel 16 on a 16-input board", NUVIXI_HUEControl(kBoard, 16, 0), NUVIXI_ERR_INVALID_ARGUMENT},
      {"filter value 4", NUVIXI_WRITE_HSCALE_FILTER_Y(kBoard, 0, &(value = 4)), NUVIXI_ERR_INVALID_ARGUMENT},
      {"filter read into null", NUVIXI_READ_VSCALE_FILTER_Y(kBoard, 0, nullptr), NUVIXI_ERR_INVALID_ARGUMENT},
      {"null string", NUVIXI_XED_QUAD_STRING(kBoard, nullStrings), NUVIXI_ERR_INVALID_ARGUMENT},
      {"null font", NUVIXI_XED_SET_CHOSE_FONT(kBoard, nullptr), NUVIXI_ERR_INVALID_ARGUMENT},
      {"empty font configuration", NUVIXI_XED_FONT_CONFIG(kBoard, reinterpret_cast<const uint8_t*>("x"), 0),
       NUVIXI_ERR_INVALID_ARGUMENT},
      {"board not open", NUVIXI_LiveVideoTransferON(1, 1), NUVIXI_ERR_NOT_OPEN},
      {"board not found", NUVIXI_LiveVideoTransferON(2, 1), NUVIXI_ERR_BOARD_NOT_FOUND},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  EXPECT_EQ(Status().running, 0u);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(surface_, pristine);
}

TEST_F(LiveVideo, SettingsReadBackAsWrittenAndAreForgottenAtClose) {
  Open();
  for (uint32_t ch : {0u, 15u}) {
    for (bool vertical : {false, true}) {
      const int32_t written = vertical ? 3 : 2;
      ASSERT_EQ((vertical ? NUVIXI_WRITE_VSCALE_FILTER_Y : NUVIXI_WRITE_HSCALE_FILTER_Y)(kBoard, ch, &written),
                NUVIXI_SUCCESS);
      int32_t read = -1;
      ASSERT_EQ((vertical ? NUVIXI_READ_VSCALE_FILTER_Y : NUVIXI_READ_HSCALE_FILTER_Y)(kBoard, ch, &read),
                NUVIXI_SUCCESS);
      EXPECT_EQ(read, written);
    }
  }
  LOGFONTA font{};
  std::strcpy(font.lfFaceName, "DejaVu Serif");
  EXPECT_EQ(NUVIXI_XED_SET_CHOSE_FONT(kBoard, &font), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  Open();
  int32_t read = -1;
  ASSERT_EQ(NUVIXI_READ_HSCALE_FILTER_Y(kBoard, 0, &read), NUVIXI_SUCCESS);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(NUVIXI_LiveVideoTransferON(kBoard, 1), NUVIXI_ERR_INVALID_ARGUMENT) << "the surface is forgotten too";
}

TEST_F(LiveVideo, QcaBoardRefusesLiveDisplayButItsCapturePicturesFollowTheColourControls) {
  Open(1, NUVIXI_OPEN_ALL & ~NUVIXI_OPEN_LIVE);
  const int32_t zero = 0;
  EXPECT_EQ(NUVIXI_SetLiveVideoConfig(1, 0, kWidth, kHeight, NUVIXI_FOURCC_UYVY, surface_.data(), kPitch),
            NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_LiveVideoShape(1, 0, 0xFFFF, &zero, &zero), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_LiveVideoTransferON(1, 1), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_WRITE_HSCALE_FILTER_Y(1, 0, &zero), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_SQUAD_ON(1, nullptr, nullptr, nullptr), NUVIXI_ERR_INVALID_ARGUMENT)
      << "a QCA board's screen division hands out surfaces; it is not the live text";

  // Channel 20 (group 4 of 8): brightness up, then every captured frame is brighter.
  constexpr uint32_t kChannel = 20;
  const std::vector<int32_t> slots(30, kChannel);
  ASSERT_EQ(NUVIXI_VideoSliceCtrl(1, kChannel % 8, slots.data(), 30, 0), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_CaptureVideoTransferON(1, kChannel, 11, NUVIXI_FOURCC_UYVY), NUVIXI_SUCCESS);
  auto meanLuma = [&] {
    void* address = nullptr;
    EXPECT_EQ(NUVIXI_LockWait4GetImageAddress(1, kChannel, &address, 3000), NUVIXI_SUCCESS);
    if (!address) return 0.0;
    const auto* p = static_cast<const uint8_t*>(address);
    double sum = 0;
    for (int i = 0; i < 176 * 120; ++i) sum += p[2 * i + 1];
    return sum / (176 * 120);
  };
  const double before = meanLuma();
  ASSERT_EQ(NUVIXI_BRIGHTNESSControl(1, kChannel, 200), NUVIXI_SUCCESS);
  meanLuma();  // a frame may have been rendered before the change
  EXPECT_GT(meanLuma(), before + 40);
  EXPECT_EQ(NUVIXI_CONTRASTControl(1, 32, 100), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_CaptureVideoTransferOFF(1, kChannel), NUVIXI_SUCCESS);
}

}  // namespace
