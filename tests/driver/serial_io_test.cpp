// The simulated board's remote serial port, digital I/O, watchdog, TV-out
// multiplexers with their OSD lines and picture, and EEPROM.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "mux_picture.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class SerialIo : public ::testing::Test {
 protected:
  void SetUp() override { NUVIXI_SIM_Reset(); }
  void TearDown() override { NUVIXI_SIM_Reset(); }

  void OpenBoards(const char* boards, uint32_t flags = NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_SERIAL) {
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(boards), 0);
    for (uint32_t b = 0; b < NUVIXI_SIM_BoardCount(); ++b)
      ASSERT_EQ(NUVIXI_BDOpen(b, flags, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  }
};

TEST_F(SerialIo, UartRefusesBadSettingsAndWritesAndNeedsTheSerialBlock) {
  uint8_t byte = 0x55;
  ASSERT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_VIDEO, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_RUART_CONFIG(0, 3, 1), NUVIXI_ERR_FUNCTION_BLOCK);
  EXPECT_EQ(NUVIXI_RUART_WRITE(0, &byte, 1, 5000), NUVIXI_ERR_FUNCTION_BLOCK);
  ASSERT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS);
  OpenBoards("QCA08");
  EXPECT_EQ(NUVIXI_RUART_CONFIG(0, 6, 1), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_RUART_CONFIG(0, 0, 4), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_RUART_CONFIG(0, 5, 3), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_RUART_WRITE(0, nullptr, 1, 5000), NUVIXI_ERR_INVALID_ARGUMENT);
  std::vector<uint8_t> huge(65537);
  EXPECT_EQ(NUVIXI_RUART_WRITE(0, huge.data(), static_cast<uint32_t>(huge.size()), 5000), NUVIXI_ERR_INVALID_ARGUMENT);
  uint8_t sent[4];
  EXPECT_EQ(NUVIXI_SIM_TakeSerialTx(0, sent, sizeof sent), 0) << "a refused write sends nothing";
}

// The loopback plug brings every byte back in order, each after the line
// time its bits take at the configured rate.
TEST_F(SerialIo, LoopbackIsPacedAtTheLineRate) {
  struct Case {
    uint32_t baud, parity;
    double minSeconds, maxSeconds;
  };
  // 100 bytes of 10 bits at 1200 baud, and of 11 bits (odd parity) at 2400.
  const Case cases[] = {{0, 1, 0.8, 1.0}, {1, 3, 0.44, 0.60}};
  OpenBoards("QCA08");
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  for (const Case& c : cases) {
    ASSERT_EQ(NUVIXI_RUART_CONFIG(0, c.baud, c.parity), NUVIXI_SUCCESS);
    const auto start = Clock::now();
    ASSERT_EQ(NUVIXI_RUART_WRITE(0, bytes.data(), 100, 5000), NUVIXI_SUCCESS);
    std::vector<uint8_t> back(100);
    ASSERT_EQ(NUVIXI_RUART_READ(0, back.data(), 100, 3000), NUVIXI_SUCCESS);
    const double took = SecondsSince(start);
    EXPECT_EQ(back, bytes);
    EXPECT_GE(took, c.minSeconds) << "baud index " << c.baud;
    EXPECT_LE(took, c.maxSeconds) << "baud index " << c.baud;
    std::vector<uint8_t> sent(200);
    sent.resize(static_cast<size_t>(NUVIXI_SIM_TakeSerialTx(0, sent.data(), 200)));
    EXPECT_EQ(sent, bytes) << "the transmitted bytes are read back once, in order";
  }
}

TEST_F(SerialIo, WriteBeyondTheTransmitBufferTimesOutAtItsTimeOut) {
  OpenBoards("QCA08");
  ASSERT_EQ(NUVIXI_RUART_CONFIG(0, 0, 1), NUVIXI_SUCCESS);
  std::vector<uint8_t> bytes(1000, 0x41);
  const auto start = Clock::now();
  EXPECT_EQ(NUVIXI_RUART_WRITE(0, bytes.data(), 1000, 300), NUVIXI_TIMEOUT);
  EXPECT_GE(SecondsSince(start), 0.3);
  // A short write fits the buffer and returns before its bytes are on the line.
  ASSERT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_SERIAL, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_RUART_CONFIG(0, 0, 1), NUVIXI_SUCCESS);
  const auto shortStart = Clock::now();
  EXPECT_EQ(NUVIXI_RUART_WRITE(0, bytes.data(), 50, 300), NUVIXI_SUCCESS);
  EXPECT_LT(SecondsSince(shortStart), 0.2);
}

// Closing the board frees a read that waits for bytes that never come.
TEST_F(SerialIo, CloseFreesAWaitingRead) {
  OpenBoards("QCA08");
  uint32_t result = 0;
  std::thread reader([&] {
    uint8_t byte;
    result = NUVIXI_RUART_READ(0, &byte, 1, NUVIXI_INFINITE);
  });
  std::this_thread::sleep_for(milliseconds(50));
  ASSERT_EQ(NUVIXI_BDClose(0), NUVIXI_SUCCESS);
  reader.join();
  EXPECT_EQ(result, NUVIXI_ERR_ESCAPED);
}

// Reads up to count bytes from fd until timeout.
std::string ReadFor(int fd, size_t count, int timeoutMs) {
  std::string got;
  const auto end = Clock::now() + milliseconds(timeoutMs);
  while (got.size() < count && Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

TEST_F(SerialIo, PseudoTerminalCarriesBytesBothWays) {
  ::setenv("NUVIXI_SIM_UART", "pty", 1);
  NUVIXI_SIM_Reset();
  OpenBoards("QCA08");
  ::unsetenv("NUVIXI_SIM_UART");
  char path[128] = {};
  if (NUVIXI_SIM_SerialPortPath(0, path, sizeof path) <= 0) GTEST_SKIP() << "this machine offers no pseudo-terminal";
  const int fd = ::open(path, O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0) << path;
  termios raw{};
  ::tcgetattr(fd, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(fd, TCSANOW, &raw);
  ASSERT_EQ(NUVIXI_RUART_CONFIG(0, 5, 1), NUVIXI_SUCCESS);

  ASSERT_EQ(::write(fd, "ping\n", 5), 5);
  char in[6] = {};
  EXPECT_EQ(NUVIXI_RUART_READ(0, in, 5, 2000), NUVIXI_SUCCESS);
  EXPECT_STREQ(in, "ping\n");

  EXPECT_EQ(NUVIXI_RUART_WRITE(0, "pong\r\n", 6, 5000), NUVIXI_SUCCESS);
  EXPECT_EQ(ReadFor(fd, 6, 2000), "pong\r\n");
  char extra;
  EXPECT_EQ(NUVIXI_RUART_READ(0, &extra, 1, 100), NUVIXI_TIMEOUT) << "no loopback while the terminal is connected";
  ::close(fd);
}

TEST_F(SerialIo, DigitalOutputsReachTheInputsThroughTheTestPlug) {
  OpenBoards("QCA08", NUVIXI_OPEN_VIDEO);
  uint32_t outputs[32] = {};
  outputs[0] = outputs[17] = outputs[31] = 1;
  ASSERT_EQ(NUVIXI_DIGITALOUT_SIGNAL(0, outputs), NUVIXI_SUCCESS);

  uint32_t bad[32] = {};
  bad[3] = 2;
  EXPECT_EQ(NUVIXI_DIGITALOUT_SIGNAL(0, bad), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_DIGITALOUT_SIGNAL(0, nullptr), NUVIXI_ERR_INVALID_ARGUMENT);
  uint32_t readBack[32];
  ASSERT_EQ(NUVIXI_SIM_DigitalOutputs(0, readBack), 0);
  EXPECT_TRUE(std::equal(readBack, readBack + 32, outputs)) << "a refused call changes no output";

  ASSERT_EQ(NUVIXI_SIM_SetDigitalInput(0, 5, 1), 0);
  // The caller's buffer is 168 bytes; the board fills the first 128 only.
  std::array<uint8_t, 168> buffer;
  buffer.fill(0xAB);
  ASSERT_EQ(NUVIXI_DIGITALIN_SIGNAL(0, buffer.data()), NUVIXI_SUCCESS);
  uint32_t inputs[32];
  std::memcpy(inputs, buffer.data(), sizeof inputs);
  for (int k = 0; k < 32; ++k) EXPECT_EQ(inputs[k], (outputs[k] || k == 5) ? 1u : 0u) << "input " << k;
  for (size_t i = sizeof inputs; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << "byte " << i;

  ASSERT_EQ(NUVIXI_SIM_SetTestPlug(0, 0), 0);
  ASSERT_EQ(NUVIXI_DIGITALIN_SIGNAL(0, inputs), NUVIXI_SUCCESS);
  for (int k = 0; k < 32; ++k) EXPECT_EQ(inputs[k], k == 5 ? 1u : 0u) << "unplugged input " << k;
}

// Board 0 is armed once and expires once; board 1 is re-armed every second
// and never expires; board 2 is closed while armed and never expires.
TEST_F(SerialIo, WatchdogExpiresOnceUnlessReArmedAndNeverAfterClose) {
  OpenBoards("QCA08,QCA08,QCA08", NUVIXI_OPEN_VIDEO);
  EXPECT_EQ(NUVIXI_WDOGEnable(0, 2), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_WDOGEnable(0, 251), NUVIXI_ERR_INVALID_ARGUMENT);
  const auto start = Clock::now();
  for (uint32_t b = 0; b < 3; ++b) ASSERT_EQ(NUVIXI_WDOGEnable(b, 3), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDClose(2), NUVIXI_SUCCESS);

  uint64_t expired[3] = {};
  double firstExpiry = 0;
  auto nextReArm = start + std::chrono::seconds(1);
  // Until board 0 has expired and board 1 has lived past its first three
  // seconds, however late this thread runs on a loaded machine.
  while ((expired[0] == 0 || SecondsSince(start) < 4.5) && SecondsSince(start) < 15) {
    if (Clock::now() >= nextReArm) {
      ASSERT_EQ(NUVIXI_WDOGEnable(1, 3), NUVIXI_SUCCESS);
      nextReArm += std::chrono::seconds(1);
    }
    ASSERT_EQ(NUVIXI_SIM_WatchdogExpiries(0, &expired[0]), 0);
    if (expired[0] == 1 && firstExpiry == 0) firstExpiry = SecondsSince(start);
    std::this_thread::sleep_for(milliseconds(20));
  }
  for (uint32_t b = 0; b < 3; ++b) ASSERT_EQ(NUVIXI_SIM_WatchdogExpiries(b, &expired[b]), 0);
  EXPECT_EQ(expired[0], 1u);
  EXPECT_GE(firstExpiry, 3.0);
  EXPECT_EQ(expired[1], 0u);
  EXPECT_EQ(expired[2], 0u);
  EXPECT_EQ(NUVIXI_WDOGDisable(1), NUVIXI_SUCCESS);
}

TEST_F(SerialIo, MultiplexersAndOsdLinesCheckTheirBounds) {
  OpenBoards("QCA08,QCA04:ch=8:tvout=1", NUVIXI_OPEN_VIDEO);
  EXPECT_EQ(NUVIXI_TVOUT(0, 31), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_TVOUT(0, 32), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_TVOUT2(0, 4), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_TVOUT(1, 8), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_TVOUT2(1, 0), NUVIXI_ERR_FUNCTION_BLOCK) << "a board with one TV output has no second multiplexer";

  const uint32_t codes[24] = {49, 127, 50};
  EXPECT_EQ(NUVIXI_OSD(0, 21, 3, codes), NUVIXI_SUCCESS);
  EXPECT_EQ(NUVIXI_OSD(0, 22, 3, codes), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_OSD2(0, 0xFFFFFFFF, 2, codes), NUVIXI_ERR_INVALID_ARGUMENT) << "start + count must not wrap";
  EXPECT_EQ(NUVIXI_OSD2(0, 0, 3, nullptr), NUVIXI_ERR_INVALID_ARGUMENT);
  const uint32_t beyond[1] = {128};
  EXPECT_EQ(NUVIXI_OSD2(0, 0, 1, beyond), NUVIXI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(NUVIXI_OSD2(0, 1, 2, codes), NUVIXI_SUCCESS);

  NUVIXI_SIM_TVOUT_STATE state{};
  ASSERT_EQ(NUVIXI_SIM_TvOutState(0, &state), 0);
  EXPECT_EQ(state.camera[0], 31u);
  EXPECT_EQ(state.camera[1], 4u);
  for (uint32_t i = 0; i < 24; ++i) {
    EXPECT_EQ(state.osd[0][i], i >= 21 ? codes[i - 21] : 127u) << "line 1 cell " << i;
    EXPECT_EQ(state.osd[1][i], i >= 1 && i <= 2 ? codes[i - 1] : 127u) << "line 2 cell " << i;
  }
}

TEST_F(SerialIo, EepromGivesItsBlockOnlyForTheRightKey) {
  OpenBoards("QCA08,QCA04:id=7:eekey=0011223344556677:eeprom=000102030405060708090A0B0C0D0E0F", NUVIXI_OPEN_VIDEO);
  uint8_t block[16];
  ASSERT_EQ(NUVIXI_EEPROM_READ_Control(0, reinterpret_cast<const uint8_t*>("NUVIXSDK"), block), NUVIXI_SUCCESS);
  const uint8_t expected[16] = {'N', 'X', 5, 32, 0, 0, 1, 2, 6, 3, 1, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(block, block + 16, expected));

  const uint8_t key[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
  ASSERT_EQ(NUVIXI_EEPROM_READ_Control(1, key, block), NUVIXI_SUCCESS);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[i], i);

  uint8_t untouched[16];
  std::memset(untouched, 0xEE, sizeof untouched);
  const uint8_t wrong[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x76};
  EXPECT_EQ(NUVIXI_EEPROM_READ_Control(1, wrong, untouched), NUVIXI_ERR_INVALID_ARGUMENT);
  for (uint8_t b : untouched) ASSERT_EQ(b, 0xEE) << "a wrong key writes nothing";
  EXPECT_EQ(NUVIXI_EEPROM_READ_Control(1, nullptr, block), NUVIXI_ERR_INVALID_ARGUMENT);

  ASSERT_EQ(NUVIXI_SIM_SetEeprom(1, wrong, nullptr), 0);
  EXPECT_EQ(NUVIXI_EEPROM_READ_Control(1, wrong, block), NUVIXI_SUCCESS);
  EXPECT_EQ(block[15], 15) << "a new key keeps the block";

  for (const char* bad : {"QCA08:eekey=00112233", "QCA08:eekey=0011223344556677FF", "QCA08:eeprom=00",
                          "QCA08:eekey=00112233445566G7", "QCA08:eekey=-011223344556677"})
    EXPECT_EQ(NUVIXI_SIM_SetBoardsFromText(bad), -1) << bad;
}

// What a person reads on the TV output: camera picture under the two OSD lines.
class MuxPictureTest : public ::testing::Test {
 protected:
  static constexpr int kLines = 480;
  using Line = std::array<uint32_t, nuvixsim::MuxPicture::kCells>;

  static Line Codes(const std::string& text, uint32_t start = 0) {
    Line line;
    line.fill(127);
    for (size_t i = 0; i < text.size(); ++i) line[start + i] = text[i] == ' ' ? 127u : static_cast<uint32_t>(text[i] - 16);
    return line;
  }
  uint8_t Luma(int x, int y) const { return picture_[static_cast<size_t>(y) * 1440 + static_cast<size_t>(x) * 2 + 1]; }

  // Reads an OSD line back: a cell without its dark box is a blank; a boxed
  // cell is matched dot by dot against every glyph of the font.
  std::string ReadLine(int line) const {
    using P = nuvixsim::MuxPicture;
    std::string text;
    const int top = P::LineTop(line, kLines);
    for (uint32_t cell = 0; cell < P::kCells; ++cell) {
      const int left = static_cast<int>(cell) * P::kCellWidth;
      if (Luma(left, top) != 16 || Luma(left + P::kCellWidth - 1, top + P::kCellHeight - 1) != 16) {
        text += ' ';
        continue;
      }
      char found = '#';
      for (char c = 0x21; c < 0x7F && found == '#'; ++c) {
        const uint8_t* glyph = P::Glyph(c);
        bool same = true;
        for (int col = 0; col < P::kGlyphColumns && same; ++col)
          for (int row = 0; row < P::kGlyphRows && same; ++row) {
            const bool lit = Luma(left + 4 + col * P::kDot + 1, top + (row + 1) * P::kDot + 1) == 235;
            same = lit == ((glyph[col] >> row) & 1);
          }
        if (same) found = c;
      }
      text += found;
    }
    return text;
  }

  std::vector<uint8_t> picture_ = std::vector<uint8_t>(720 * 2 * kLines);
};

TEST_F(MuxPictureTest, ShowsTheCameraWithBothOsdLinesReadable) {
  nuvixsim::MuxPicture mux;
  const Line first = Codes("Mux1-CAM 03"), second = Codes("TOUR", 12);
  ASSERT_TRUE(mux.Render(picture_.data(), kLines, 2, first, second, 0, 0, 30));
  EXPECT_EQ(ReadLine(0), "Mux1-CAM 03             ");
  EXPECT_EQ(ReadLine(1), "            TOUR        ");

  // Between the lines the picture is camera 3's: its background chroma
  // covers most of a row near the bottom.
  uint8_t yuv[3];
  NUVIXI_SIM_CameraColour(2, yuv);
  const int y = kLines * 3 / 4;
  int own = 0;
  for (int pair = 0; pair < 360; ++pair)
    own += picture_[static_cast<size_t>(y) * 1440 + pair * 4] == yuv[1] && picture_[static_cast<size_t>(y) * 1440 + pair * 4 + 2] == yuv[2];
  EXPECT_GT(own, 180);

  // Blank lines leave the camera picture as the camera delivers it.
  Line blank;
  blank.fill(127);
  ASSERT_TRUE(mux.Render(picture_.data(), kLines, 0, blank, blank, 7, 9, 30));
  nuvixsim::CameraPicture camera;
  ASSERT_TRUE(camera.Prepare(0, nuvixsim::GeometryOf(720, kLines, nuvixsim::PixelFormat::kUyvy)));
  std::vector<uint8_t> plain(picture_.size());
  camera.Render(plain.data(), 7, 9, 30);
  EXPECT_TRUE(plain == picture_);
}

}  // namespace
