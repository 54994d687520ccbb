// The TV-output stream into a regular file: it stops after its seconds so it
// cannot fill the disk, and a path it cannot write costs nothing.
#include "y4m_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(Y4mStream, ARegularFileGetsItsSecondsOfPicturesThenIsClosed) {
  const auto path = std::filesystem::temp_directory_path() / ("nuvix-y4m-" + std::to_string(getpid()) + ".y4m");
  constexpr int kWidth = 16, kLines = 4;
  const std::vector<uint8_t> picture(kWidth * kLines * 2, 0x80);
  {
    nuvixsim::Y4mStream stream(path.string(), kWidth, kLines, 5, 2);
    for (int i = 0; i < 25; ++i) stream.Write(picture.data());
    EXPECT_EQ(stream.Pictures(), 10u);
  }
  const std::string header = "YUV4MPEG2 W16 H4 F5:1 Ip A1:1 C422\n";
  EXPECT_EQ(std::filesystem::file_size(path), header.size() + 10 * (6 + picture.size()));
  std::filesystem::remove(path);

  nuvixsim::Y4mStream nowhere("/nonexistent-directory/tvout.y4m", kWidth, kLines, 5, 2);
  for (int i = 0; i < 3; ++i) nowhere.Write(picture.data());
  EXPECT_EQ(nowhere.Pictures(), 0u);
}

}  // namespace
