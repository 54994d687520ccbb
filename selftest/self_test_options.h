// What a self-test run is asked to do (nuvixsdk --self-test and its options).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct SelfTestOptions {
  static constexpr int kAllBoards = -1;
  int board = kAllBoards;     // a board index, or every board found
  uint32_t standard = 1;      // NUVIXI_STANDARD_NTSC or _PAL
  std::string jsonPath;       // empty: no JSON file
  std::string reportPath;     // empty: no HTML report (--report)
  std::string junitPath;      // empty: no JUnit XML file (--junit)
  std::string logPath;        // empty: no log file (--log)
  bool quick = false;
  std::optional<std::array<uint8_t, 8>> eepromKey;
};
