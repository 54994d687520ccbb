// The simulated board's screen division and TV output: the surfaces it hands
// out and how long they live, what the output shows and when it is composed,
// and the YUV4MPEG2 stream a person watches it through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "nuvixi.h"
#include "mux_picture.h"
#include "nuvixi_sim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBoard = 0;
constexpr int kWidth = 720;
constexpr uint32_t kFlags = NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_SQUAD;

struct Surfaces {
  void* merged = nullptr;
  void* image = nullptr;
  void* osd = nullptr;
};

class TvOut : public ::testing::Test {
 protected:
  void SetUp() override { NUVIXI_SIM_Reset(); }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  Surfaces On() {
    Surfaces s;
    EXPECT_EQ(NUVIXI_SQUAD_ON(kBoard, &s.merged, &s.image, &s.osd), NUVIXI_SUCCESS);
    return s;
  }
  static uint64_t Pictures() {
    uint64_t pictures = 0;
    EXPECT_EQ(NUVIXI_SIM_ReadTvOut(kBoard, nullptr, 0, nullptr, &pictures), 0);
    return pictures;
  }
  // The first picture composed after this call, once the board has composed it.
  static std::vector<uint8_t> NextPicture(int lines) {
    const uint64_t seen = Pictures();
    std::vector<uint8_t> picture(static_cast<size_t>(kWidth) * lines * 2);
    uint64_t pictures = seen;
    const auto deadline = Clock::now() + 5s;
    while (pictures <= seen && Clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
      NUVIXI_SIM_ReadTvOut(kBoard, picture.data(), picture.size(), nullptr, &pictures);
    }
    EXPECT_GT(pictures, seen) << "the board composed no picture";
    return picture;
  }
};

uint16_t WordAt(const std::vector<uint8_t>& picture, int line, int x) {
  uint16_t word;
  std::memcpy(&word, picture.data() + (static_cast<size_t>(line) * kWidth + x) * 2, 2);
  return word;
}

// Pixel pairs of a line near the bottom whose chroma is camera's own colour:
// most of them when the output shows that camera's picture.
int CameraPairs(const std::vector<uint8_t>& picture, uint32_t camera, int line) {
  uint8_t yuv[3];
  NUVIXI_SIM_CameraColour(camera, yuv);
  int count = 0;
  for (int x = 0; x < kWidth; x += 2) {
    const uint8_t* pair = picture.data() + (static_cast<size_t>(line) * kWidth + x) * 2;
    count += pair[0] == yuv[1] && pair[2] == yuv[2];
  }
  return count;
}

TEST_F(TvOut, SurfacesAreHandedOutOnceAndOutliveTheSwitchOff) {
  struct Case {
    uint32_t standard;
    int lines;
  };
  for (const Case c : {Case{NUVIXI_STANDARD_NTSC, 480}, Case{NUVIXI_STANDARD_PAL, 576}}) {
    SCOPED_TRACE(c.lines);
    ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, c.standard), NUVIXI_SUCCESS);
    void* p = nullptr;
    EXPECT_EQ(NUVIXI_SQUAD_ON(kBoard, nullptr, &p, &p), NUVIXI_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_ERR_NOT_STARTED);
    const Surfaces first = On();
    ASSERT_TRUE(first.merged && first.image && first.osd);
    EXPECT_TRUE(first.merged != first.image && first.image != first.osd && first.osd != first.merged);
    const Surfaces second = On();
    EXPECT_EQ(second.merged, first.merged);
    EXPECT_EQ(second.image, first.image);
    EXPECT_EQ(second.osd, first.osd);
    // What a renderer finds at the start: grey pictures under a transparent OSD.
    const size_t bytes = static_cast<size_t>(kWidth) * c.lines * 2;
    const auto* osd = static_cast<const uint8_t*>(first.osd);
    EXPECT_EQ(osd[0], 0x80);
    EXPECT_EQ(osd[bytes - 1], 0x10);
    EXPECT_EQ(static_cast<const uint8_t*>(first.image)[bytes - 1], 0x80);
    EXPECT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_SQUAD_OFF(kBoard), NUVIXI_SUCCESS);
    EXPECT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_ERR_NOT_STARTED);
    // A renderer deleted after the switch-off still draws into all of them.
    for (void* surface : {first.merged, first.image, first.osd}) std::memset(surface, 0x55, bytes);
    const Surfaces again = On();
    EXPECT_EQ(again.image, first.image);
    EXPECT_EQ(NUVIXI_SQUAD_OFF(kBoard), NUVIXI_SUCCESS);
    ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  }
}

TEST_F(TvOut, CallsAreRefusedWithoutTheBlockOrOnQlaBoards) {
  Surfaces s;
  EXPECT_EQ(NUVIXI_SQUAD_ON(kBoard, &s.merged, &s.image, &s.osd), NUVIXI_ERR_NOT_OPEN);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_SQUAD_ON(kBoard, &s.merged, &s.image, &s.osd), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_ERR_FUNCTION_BLOCK);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  // A QLA board's 0x20 block is its live display, which has no such surfaces:
  // there the call switches the live picture's text and hands out nothing.
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText("QLA16"), 0);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, 0x73, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  Surfaces none;
  EXPECT_EQ(NUVIXI_SQUAD_ON(kBoard, &none.merged, &none.image, &none.osd), NUVIXI_SUCCESS);
  EXPECT_EQ(none.merged, nullptr);
  EXPECT_EQ(none.image, nullptr);
  EXPECT_EQ(none.osd, nullptr);
}

TEST_F(TvOut, OutputIsTheOsdOverTheImageInBothLayouts) {
  constexpr int kLines = 480;
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  // Before screen division the output is multiplexer 1's camera (camera 1 at open).
  EXPECT_GT(CameraPairs(NextPicture(kLines), 0, 470), kWidth / 4);
  const Surfaces s = On();
  auto* image = static_cast<uint16_t*>(s.image);
  auto* osd = static_cast<uint16_t*>(s.osd);
  for (int line = 0; line < kLines; ++line)
    for (int x = 0; x < kWidth; ++x) image[line * kWidth + x] = static_cast<uint16_t>(line << 6 | (x & 63));
  // The OSD lies bottom line first: its last line covers the output's top line.
  for (int x = 100; x < 200; ++x) osd[(kLines - 1) * kWidth + x] = 0xEB80;
  osd[0] = 0x2233;  // the output's bottom-left pixel
  ASSERT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_SUCCESS);
  const std::vector<uint8_t> picture = NextPicture(kLines);
  for (int line : {0, 1, 2, 239, 240, 478, 479})
    for (int x : {0, 99, 100, 199, 200, 719}) {
      const uint16_t expected = line == 0 && x >= 100 && x < 200 ? 0xEB80
                                : line == kLines - 1 && x == 0   ? 0x2233
                                                                 : static_cast<uint16_t>(line << 6 | (x & 63));
      EXPECT_EQ(WordAt(picture, line, x), expected) << "line " << line << ", x " << x;
    }
  // The merged surface holds the same picture as two fields, even lines first.
  const auto* merged = static_cast<const uint8_t*>(s.merged);
  for (int line : {0, 1, 2, 3, 478, 479}) {
    const size_t field = (static_cast<size_t>(line / 2) + (line % 2 ? kLines / 2 : 0)) * kWidth * 2;
    EXPECT_EQ(std::memcmp(merged + field, picture.data() + static_cast<size_t>(line) * kWidth * 2, kWidth * 2), 0)
        << "line " << line;
  }
  // Switched off, the output goes back to what the board shows on its own.
  ASSERT_EQ(NUVIXI_SQUAD_OFF(kBoard), NUVIXI_SUCCESS);
  EXPECT_GT(CameraPairs(NextPicture(kLines), 0, 470), kWidth / 4);
}

TEST_F(TvOut, WithoutScreenDivisionTheOutputIsMultiplexerOnesCameraWithItsTextLines) {
  using nuvixsim::MuxPicture;
  constexpr int kLines = 480;
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_TVOUT(kBoard, 2), NUVIXI_SUCCESS);
  const uint32_t tour[4] = {'T' - 16, 'O' - 16, 'U' - 16, 'R' - 16};
  ASSERT_EQ(NUVIXI_OSD2(kBoard, 0, 4, tour), NUVIXI_SUCCESS);
  const std::vector<uint8_t> picture = NextPicture(kLines);
  EXPECT_GT(CameraPairs(picture, 2, 470), kWidth / 4) << "camera 3 fills the output";
  // The four written cells of the second line are dark blocks with white
  // glyphs; the blank cells after them let the camera through.
  const int top = MuxPicture::LineTop(1, kLines);
  int white = 0, dark = 0;
  for (int line = top; line < top + MuxPicture::kCellHeight; ++line)
    for (int x = 1; x < 4 * MuxPicture::kCellWidth; x += 2) {
      const uint8_t luma = picture[(static_cast<size_t>(line) * kWidth + x) * 2 + 1];
      white += luma >= 200;
      dark += luma <= 32;
    }
  EXPECT_GT(white, 4 * 20) << "glyph dots";
  EXPECT_GT(dark, white) << "cell blocks";
  EXPECT_GT(CameraPairs(picture, 2, top + MuxPicture::kCellHeight / 2), kWidth / 4);
}

TEST_F(TvOut, PicturesAreComposedOnlyWhenSomethingChanged) {
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  On();
  NextPicture(480);
  const uint64_t before = Pictures();
  std::this_thread::sleep_for(300ms);  // nine picture periods at least
  EXPECT_EQ(Pictures(), before);
  // A burst of updates within one period gives one picture, not one each.
  for (int i = 0; i < 50; ++i) ASSERT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_SUCCESS);
  NextPicture(480);
  EXPECT_LE(Pictures() - before, 2u);
}

// Reads a YUV4MPEG2 stream: the header line and whole frames.
struct Y4m {
  std::string header;
  std::vector<std::vector<uint8_t>> frames;
};

Y4m ParseY4m(const std::string& bytes, size_t frameBytes) {
  Y4m stream;
  size_t at = bytes.find('\n');
  if (at == std::string::npos) return stream;
  stream.header = bytes.substr(0, at);
  ++at;
  while (bytes.compare(at, 6, "FRAME\n") == 0 && at + 6 + frameBytes <= bytes.size()) {
    stream.frames.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(at + 6),
                               bytes.begin() + static_cast<ptrdiff_t>(at + 6 + frameBytes));
    at += 6 + frameBytes;
  }
  return stream;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

class TvOutStream : public TvOut {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("nuvix-tvout-" + std::to_string(getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
    path_ = (directory_ / "tvout.y4m").string();
    TvOut::SetUp();
  }
  void TearDown() override {
    unsetenv("NUVIXI_SIM_TVOUT");
    TvOut::TearDown();
    std::filesystem::remove_all(directory_);
  }
  std::filesystem::path directory_;
  std::string path_;
};

TEST_F(TvOutStream, FileHoldsTheOutputAsYuv4mpeg2ThatFfmpegReads) {
  setenv("NUVIXI_SIM_TVOUT", path_.c_str(), 1);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  const Surfaces s = On();
  auto* image = static_cast<uint8_t*>(s.image);
  for (size_t i = 0; i < static_cast<size_t>(kWidth) * 480; ++i) {
    image[i * 2] = static_cast<uint8_t>(i % 2 ? 200 : 60);  // U on even pixels, V on odd
    image[i * 2 + 1] = static_cast<uint8_t>(16 + i / kWidth % 200);
  }
  ASSERT_EQ(NUVIXI_SQUAD_UPT(kBoard), NUVIXI_SUCCESS);
  NextPicture(480);
  // The stream carries every picture period, changed or not: wait for two more.
  const size_t frameBytes = static_cast<size_t>(kWidth) * 480 * 2;
  const auto fileSize = [&] {
    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    return error ? uintmax_t{0} : size;
  };
  const uintmax_t wanted = fileSize() + 2 * (frameBytes + 6);
  for (const auto deadline = Clock::now() + 5s; fileSize() < wanted && Clock::now() < deadline;)
    std::this_thread::sleep_for(10ms);
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);

  std::ifstream file(path_, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const Y4m stream = ParseY4m(bytes, frameBytes);
  EXPECT_EQ(stream.header, "YUV4MPEG2 W720 H480 F30:1 Ip A1:1 C422");
  ASSERT_GE(stream.frames.size(), 2u);
  // The last frame is the picture: planar Y, then U and V at half width.
  const std::vector<uint8_t>& frame = stream.frames.back();
  for (int line : {0, 100, 479}) {
    EXPECT_EQ(frame[static_cast<size_t>(line) * kWidth + 7], 16 + line % 200) << line;
    EXPECT_EQ(frame[kWidth * 480 + static_cast<size_t>(line) * 360 + 3], 60) << line;
    EXPECT_EQ(frame[kWidth * 480 + 360 * 480 + static_cast<size_t>(line) * 360 + 3], 200) << line;
  }
  const std::string probe = RunCommand(
      "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
      "stream=width,height,r_frame_rate,pix_fmt,nb_read_frames -of default=nw=1 '" +
      path_ + "' 2>&1");
  EXPECT_NE(probe.find("width=720"), std::string::npos) << probe;
  EXPECT_NE(probe.find("height=480"), std::string::npos) << probe;
  EXPECT_NE(probe.find("r_frame_rate=30/1"), std::string::npos) << probe;
  EXPECT_NE(probe.find("pix_fmt=yuv422p"), std::string::npos) << probe;
  EXPECT_NE(probe.find("nb_read_frames=" + std::to_string(stream.frames.size())), std::string::npos) << probe;
}

TEST_F(TvOutStream, AViewerLeavingTheFifoNeitherKillsNorStallsTheBoard) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  setenv("NUVIXI_SIM_TVOUT", path_.c_str(), 1);
  ASSERT_EQ(NUVIXI_BDOpen(kBoard, kFlags, NUVIXI_STANDARD_PAL), NUVIXI_SUCCESS);
  // The board streams nothing until a viewer comes; the viewer reads the
  // header and part of a frame, then goes away.
  std::string seen;
  std::thread viewer([&] {
    const int fd = open(path_.c_str(), O_RDONLY);
    if (fd < 0) return;
    char buffer[4096];
    while (seen.size() < 100000) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
  });
  viewer.join();
  EXPECT_EQ(seen.rfind("YUV4MPEG2 W720 H576 F25:1 Ip A1:1 C422\nFRAME\n", 0), 0u) << seen.substr(0, 60);
  // The board goes on composing and closes promptly.
  On();
  NUVIXI_SQUAD_UPT(kBoard);
  NextPicture(576);
  const auto start = Clock::now();
  ASSERT_EQ(NUVIXI_BDClose(kBoard), NUVIXI_SUCCESS);
  EXPECT_LT(Clock::now() - start, 2s);
}

}  // namespace
