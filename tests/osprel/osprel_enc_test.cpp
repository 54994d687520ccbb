// The osprel-enc tool, run as a user would run it.
#include "bit_strings.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  const std::string cmd = std::string(OSPREL_ENC) + " " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ToolRun r{-1, {}};
  char buf[256];
  while (p && fgets(buf, sizeof buf, p)) r.out += buf;
  const int s = p ? pclose(p) : -1;
  r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return r;
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

class OsprelEnc : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("osprel_enc_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream yuv(dir_ / "in.yuv", std::ios::binary);
    std::vector<uint8_t> frame(osprel_test::FrameBytes(176, 144));
    for (int t = 0; t < 7; ++t) {
      osprel_test::MovingScene(176, 144, t, frame.data());
      yuv.write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
    }
    yuv.write("xyz", 3);  // an incomplete last frame is left out
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string In() const { return (dir_ / "in.yuv").string(); }
  std::string Out(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(OsprelEnc, EncodesAndSummarises) {
  const ToolRun r = Tool("-s 176x144 -q 6 -g 3 " + In() + " " + Out("a.263"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("frames: 7 (I 3, P 4)"), std::string::npos) << r.out;
  const auto bytes = ReadAll(Out("a.263"));
  EXPECT_NE(r.out.find("bytes: " + std::to_string(bytes.size()) + " "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PSNR: Y "), std::string::npos);
  ASSERT_GT(bytes.size(), 7u);
  // Own header: PTYPE bits 1, 0, then the 5-bit format code 4 and QP 6.
  const std::string head = osprel_test::Bits(bytes.data(), 52);
  EXPECT_EQ(head.substr(0, 22), "0000000000000000100000");
  EXPECT_EQ(head.substr(35, 5), "00100");
  EXPECT_EQ(head.substr(45, 5), "00110");
}

TEST_F(OsprelEnc, StandardHeaderForQcif) {
  ASSERT_EQ(Tool("-s 176x144 -q 6 " + In() + " " + Out("own.263")).status, 0);
  ASSERT_EQ(Tool("--standard-header -s 176x144 -q 6 " + In() + " " + Out("std.263")).status, 0);
  const auto own = ReadAll(Out("own.263")), std = ReadAll(Out("std.263"));
  const std::string head = osprel_test::Bits(std.data(), 50);
  EXPECT_EQ(head.substr(35, 3), "010");  // QCIF
  EXPECT_EQ(head.substr(38, 1), "0");    // intra
  EXPECT_EQ(head.substr(43, 5), "00110");
  // Two bits shorter per picture: each picture loses at most one byte.
  EXPECT_LE(std.size(), own.size());
  EXPECT_GE(std.size() + 7, own.size());
}

TEST_F(OsprelEnc, RefusesBadArguments) {
  EXPECT_EQ(Tool("-s 175x144 " + In() + " " + Out("x.263")).status, 2);
  EXPECT_EQ(Tool("--standard-header -s 320x240 " + In() + " " + Out("x.263")).status, 2);
  EXPECT_EQ(Tool("-s 176x144 -g 0 " + In() + " " + Out("x.263")).status, 2);
  EXPECT_EQ(Tool("-s 176x144 -q 31 " + In() + " " + Out("x.263")).status, 2);
  EXPECT_EQ(Tool("-s 176x144 " + In()).status, 2);
  EXPECT_FALSE(fs::exists(Out("x.263")));
  EXPECT_EQ(Tool("-s 176x144 " + Out("missing.yuv") + " " + Out("y.263")).status, 1);
}

}  // namespace
