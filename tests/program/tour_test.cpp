// The program's scripted tour, run as a user would run it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <filesystem>
#include <fstream>
#include <string>

#include "recorded_file.h"

namespace {

TEST(Tour, WalksEveryTabAndLeavesAScreenshotPerStep) {
  namespace fs = std::filesystem;
  const fs::path directory = fs::temp_directory_path() / ("nuvix-tour-" + std::to_string(::getpid()));
  fs::remove_all(directory);
  const std::string command =
      "QT_QPA_PLATFORM=offscreen NUVIXI_SIM_BOARDS= '" NUVIXSDK_PATH "' --tour '" + directory.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << output;

  for (const char* line : {"RV(80) = NUVIXI_GetVersion():Result:1.4.2.7 \n", "RV(80) = <-- NUVIX BOARD 1 EA FOUND --> \n",
                           "RV(80) = GetDetail()::0th BD <ID:5> SELECT \n",
                           "RV(80) = NUVIXI_dw_BDOpen(0,3F,1) SUCCESS \n", "RV(80) = NUVIXI_no_BDClose(0) OK \n"})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n--- output:\n" << output;
  EXPECT_EQ(output.find('\r'), std::string::npos);

  // Every step leaves a screenshot named NN-step.png, numbered in order.
  std::vector<std::string> shots;
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().extension() == ".png") {
      shots.push_back(entry.path().filename().string());
      EXPECT_GT(fs::file_size(entry.path()), 1000u) << entry.path();
    }
  std::sort(shots.begin(), shots.end());
  ASSERT_GE(shots.size(), 12u);
  EXPECT_EQ(shots.front(), "01-start.png");
  EXPECT_EQ(shots.back().substr(2), "-close.png");
  for (const char* step : {"-search.png", "-open.png", "-video-tab.png", "-video-capturing.png", "-video-dc-window.png",
                           "-squad-tab.png", "-squad-16ch.png", "-squad-tvout-16ch.png", "-squad-tvout-30ch.png",
                           "-play-tab.png"})
    EXPECT_TRUE(std::any_of(shots.begin(), shots.end(), [&](const std::string& s) { return s.find(step) == 2; }))
        << step;

  // The capture step recorded four channels whose files index, and the files
  // still hold what it reported when the tour ends: later steps, which start
  // sixteen cameras, leave them and create no other.
  std::vector<std::string> recordings;
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().extension() == ".MJP") recordings.push_back(entry.path().filename().string());
  std::sort(recordings.begin(), recordings.end());
  EXPECT_EQ(recordings, (std::vector<std::string>{"tour_00.MJP", "tour_01.MJP", "tour_02.MJP", "tour_03.MJP"}));
  for (int ch = 0; ch < 4; ++ch) {
    const std::string file = (directory / ("tour_0" + std::to_string(ch) + ".MJP")).string();
    const size_t at = output.find("tour: " + file + " indexes ");
    ASSERT_NE(at, std::string::npos) << file;
    const uint32_t reported = static_cast<uint32_t>(std::stoul(output.substr(at + file.size() + 15)));
    EXPECT_GT(reported, 10u) << output.substr(at, 80);
    nuvix::RecordedFile kept;
    kept.SetPath("%s", file.c_str());
    ASSERT_TRUE(kept.Open(nuvix::RecordedFile::kRead) && kept.ScanHeader()) << file;
    EXPECT_EQ(kept.BuildIndex(), reported) << file;
  }
  // The first recording was exported, and ffprobe read every record of it as a picture.
  const std::string first = (directory / "tour_00.MJP").string();
  const size_t indexed = output.find("tour: " + first + " indexes ");
  ASSERT_NE(indexed, std::string::npos);
  const std::string records = std::to_string(std::stoi(output.substr(indexed + first.size() + 15)));
  EXPECT_NE(output.find("tour: exported " + (directory / "tour_00.avi").string() + ", ffprobe reads mjpeg," + records +
                        "\n"),
            std::string::npos)
      << output;
  fs::remove_all(directory);
}

// Width and height from a PNG file's header.
std::pair<uint32_t, uint32_t> PngSize(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[24] = {};
  file.read(reinterpret_cast<char*>(header), sizeof header);
  auto word = [&](int at) {
    return uint32_t{header[at]} << 24 | uint32_t{header[at + 1]} << 16 | uint32_t{header[at + 2]} << 8 | header[at + 3];
  };
  return {word(16), word(20)};
}

TEST(Tour, OnAQlaBoardShowsLiveVideoInTheOverlayWindow) {
  namespace fs = std::filesystem;
  const fs::path directory = fs::temp_directory_path() / ("nuvix-tour-qla-" + std::to_string(::getpid()));
  fs::remove_all(directory);
  // fontconfig and cairo, under the live picture's labels, keep a few hundred bytes (see the suppressions).
  const std::string leaks =
      "LSAN_OPTIONS=suppressions='" NUVIX_SOURCE_DIR "/tests/driver/lsan.supp:fast_unwind_on_malloc=0'";
  const std::string command = "QT_QPA_PLATFORM=offscreen NUVIXI_SIM_BOARDS=QLA16 " + leaks + " '" NUVIXSDK_PATH
                              "' --tour '" + directory.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << output;
  for (const char* line : {"RV(80) = OVERLAY WINDOW OPEN() \n", "RV(80) = NUVIXI_LiveVideoShape  (0,8,0) \n",
                           "RV(80) = NUVIXI_SQUAD_ON(0) \n", "RV(80) = NUVIXI_LiveVideoTransferON(0) \n",
                           "RV(80) = NUVIXI_LiveVideoTransferOFF(0) \n", "RV(80) = OVERLAY WINDOW CLOSE() \n"})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n--- output:\n" << output;
  fs::path overlay;
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().filename().string().find("-live-overlay-view.png") == 2) overlay = entry.path();
  ASSERT_FALSE(overlay.empty());
  EXPECT_EQ(PngSize(overlay), (std::pair<uint32_t, uint32_t>{704, 480}));
  EXPECT_GT(fs::file_size(overlay), 20000u) << "16 camera pictures, not an empty window";
  fs::remove_all(directory);
}

}  // namespace
