// The program's scripted tour, run as a user would run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

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

  for (const char* shot : {"01-start.png", "02-search.png", "03-select.png", "04-open.png", "05-live-tab.png",
                           "06-video-tab.png", "09-squad-tab.png", "11-play-tab.png", "12-close.png"}) {
    const fs::path path = directory / shot;
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_GT(fs::file_size(path), 1000u) << path;
  }
  fs::remove_all(directory);
}

}  // namespace
