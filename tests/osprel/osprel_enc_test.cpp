// The osprel-enc tool, run as a user would run it.
#include "bit_strings.h"
#include "encoder.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out, err;
};

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
  // Runs the tool through the shell (args may redirect its streams), in the
  // test's folder when asked.
  ToolRun Tool(const std::string& args, bool inFolder = false) const {
    const fs::path errFile = dir_ / "stderr";
    const std::string cmd = (inFolder ? "cd '" + dir_.string() + "' && " : std::string()) + OSPREL_ENC + " " + args +
                            " 2>" + errFile.string();
    FILE* p = popen(cmd.c_str(), "r");
    ToolRun r{-1, {}, {}};
    char buf[256];
    while (p && fgets(buf, sizeof buf, p)) r.out += buf;
    const int s = p ? pclose(p) : -1;
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    const auto err = ReadAll(errFile);
    r.err.assign(err.begin(), err.end());
    return r;
  }
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

// --luma-skip gives the library's luma-only rule byte for byte, the default its
// own-residual rule; with standard error not a terminal no progress lines.
TEST_F(OsprelEnc, SkipRules) {
  const std::vector<uint8_t> clip = ReadAll(In());
  const size_t frameBytes = osprel_test::FrameBytes(176, 144);
  std::vector<uint8_t> streams[2];
  for (const bool lumaSkip : {false, true}) {
    SCOPED_TRACE(lumaSkip ? "--luma-skip" : "default");
    const ToolRun r = Tool(std::string(lumaSkip ? "--luma-skip " : "") + "-s 176x144 -q 5 -g 4 " + In() + " " + Out("r.263"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    auto e = std::make_unique<osprel::Encoder>();
    ASSERT_EQ(e->Init(176, 144, 5), 1);
    e->SetGOP(4);
    e->SetSkipRule(lumaSkip ? OSPREL_SKIP_LUMA_ONLY : OSPREL_SKIP_OWN_RESIDUAL);
    std::vector<uint8_t> expected, out(OSPREL_MAX_PICTURE_BYTES(176, 144));
    for (size_t at = 0; at + frameBytes <= clip.size(); at += frameBytes) {
      int bytes = 0, intra = 0;
      e->Encode(clip.data() + at, out.data(), &bytes, &intra, 0);
      expected.insert(expected.end(), out.begin(), out.begin() + bytes);
    }
    streams[lumaSkip] = ReadAll(Out("r.263"));
    EXPECT_EQ(streams[lumaSkip], expected);
  }
  EXPECT_NE(streams[0], streams[1]) << "the clip's colour moves: the rules must differ";
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

// Arguments and inputs it cannot use: the exit code, a message that names what
// was wrong, and no output file left behind.
TEST_F(OsprelEnc, RefusesWhatItCannotUseAndSaysWhy) {
  std::ofstream(Out("short.yuv"), std::ios::binary) << std::string(100, '\x80');
  std::ofstream(Out("empty.yuv"), std::ios::binary).flush();
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"-s 175x144 " + In(), 2, "175x144 is not a coded size"},
      {"-s abc " + In(), 2, "-s takes a picture size WxH, e.g. 352x288: abc\n"},
      {"-s 176x144junk " + In(), 2, "-s takes a picture size WxH, e.g. 352x288: 176x144junk\n"},
      {"--size=176 " + In(), 2, "-s takes a picture size WxH, e.g. 352x288: 176\n"},
      {In(), 2, "-s WxH is required"},
      {"--standard-header -s 320x240 " + In(), 2, "320x240 has no standard source format"},
      {"-s 176x144 -g 0 " + In(), 2, "GOP must be at least 1, not 0"},
      {"-s 176x144 -g three " + In(), 2, "-g takes an intra period in frames: three\n"},
      {"-s 176x144 --gop= " + In(), 2, "-g needs an intra period in frames\n"},
      {"-s 176x144 -q 31 " + In(), 2, "QP must be 1..30, not 31"},
      {"-s 176x144 -q 4x " + In(), 2, "-q takes a quantiser 1..30: 4x\n"},
      {"-s 176x144 --standard-header=no " + In(), 2, "--standard-header takes no value\n"},
      {"-s 176x144 --bogus " + In(), 2, "unknown option: --bogus\n"},
      {"-s 176x144 " + dir_.string(), 1, dir_.string() + " is a directory"},
      {"-s 176x144 " + Out("short.yuv"), 1, "holds 100 bytes, less than one 176x144 frame (38016 bytes)"},
      {"-s 176x144 " + Out("empty.yuv"), 1, "holds 0 bytes"},
      {"-s 176x144 " + Out("missing.yuv"), 1, "No such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = Tool(c.args + " " + Out("x.263"));
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    // A command line it cannot use is answered with the usage, as the other programs answer.
    if (c.status == 2) {
      EXPECT_EQ(r.err.rfind("osprel-enc: ", 0), 0u) << r.err;
      EXPECT_NE(r.err.find("\nusage: osprel-enc -s WxH"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(Out("x.263")));
  }
  EXPECT_EQ(Tool("-s 176x144 " + In()).status, 2) << "one file name";
}

// The forms users type by habit give the stream the spelled-out form gives:
// values after "=" or joined to a short option, and "--" before a file name
// that starts with a dash.
TEST_F(OsprelEnc, TakesOptionsInEveryUsualForm) {
  ASSERT_EQ(Tool("-s 176x144 -q 6 -g 3 " + In() + " " + Out("spelled.263")).status, 0);
  fs::copy_file(In(), dir_ / "-clip.yuv");
  const struct {
    std::string args, output;
  } forms[] = {
      {"-s176x144 -q6 -g3 " + In() + " " + Out("joined.263"), "joined.263"},
      {"--size=176x144 --quantiser=6 --gop=3 " + In() + " " + Out("equals.263"), "equals.263"},
      {"--gop 3 " + In() + " --size 176x144 " + Out("mixed.263") + " --quantiser 6", "mixed.263"},
  };
  for (const auto& form : forms) {
    SCOPED_TRACE(form.args);
    const ToolRun r = Tool(form.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(Out(form.output.c_str())), ReadAll(Out("spelled.263")));
  }
  const ToolRun dashed = Tool("-s 176x144 -q 6 -g 3 -- -clip.yuv dashed.263", true);
  ASSERT_EQ(dashed.status, 0) << dashed.err;
  EXPECT_EQ(ReadAll(Out("dashed.263")), ReadAll(Out("spelled.263")));
}

// "-" reads standard input and writes standard output, byte for byte the
// stream a file would get; the summary then goes to standard error.
TEST_F(OsprelEnc, StandardStreams) {
  ASSERT_EQ(Tool("-s 176x144 -q 6 -g 3 " + In() + " " + Out("file.263")).status, 0);
  const ToolRun piped = Tool("-s 176x144 -q 6 -g 3 - - < " + In() + " > " + Out("piped.263"));
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(ReadAll(Out("piped.263")), ReadAll(Out("file.263")));
  EXPECT_NE(piped.err.find("frames: 7 (I 3, P 4)"), std::string::npos) << piped.err;
  EXPECT_NE(piped.err.find("ignored 3 bytes of an incomplete last frame"), std::string::npos) << piped.err;
}

}  // namespace
