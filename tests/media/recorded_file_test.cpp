#include "recorded_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "prompts.h"

namespace nuvix {
namespace {

class TempDir {
 public:
  TempDir() {
    std::string pattern = ::testing::TempDir() + "recfileXXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    path_ = ::mkdtemp(buf.data());
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A record as the video tab writes it: image header, then payload.
std::vector<uint8_t> VideoRecord(uint32_t payload, uint8_t fill, uint32_t headerSize = 40,
                                 uint32_t payloadField = UINT32_MAX) {
  std::vector<uint8_t> r(40 + payload, fill);
  std::memset(r.data(), 0, 40);
  PutLe32(r, 0, headerSize);
  PutLe32(r, 4, 352);
  PutLe32(r, 8, 288);
  r[12] = 1;
  r[14] = 32;
  PutLe32(r, 16, FOURCC_H263);
  PutLe32(r, 20, payloadField == UINT32_MAX ? payload : payloadField);
  return r;
}

std::vector<uint8_t> FileHeader(const char tag[4], uint32_t parameter) {
  std::vector<uint8_t> h(8);
  std::memcpy(h.data(), tag, 4);
  PutLe32(h, 4, parameter);
  return h;
}

void WriteRaw(const std::string& path, const std::vector<std::vector<uint8_t>>& parts) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& p : parts) out.write(reinterpret_cast<const char*>(p.data()), static_cast<std::streamsize>(p.size()));
}

void Append(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Opens for reading, scans and indexes; -1 when the scan refuses the file.
long Index(RecordedFile& f, const std::string& path) {
  EXPECT_TRUE(f.SetPath("%s", path.c_str()));
  if (!f.Open(RecordedFile::kRead)) return -2;
  if (!f.ScanHeader()) return -1;
  return f.BuildIndex();
}

TEST(RecordedFile, WrittenVideoFileIndexesCompleteRecordsOnly) {
  TempDir dir;
  const std::string path = dir.File("take.MJ_00.MJP");
  const auto r0 = VideoRecord(1500, 0xA0), r1 = VideoRecord(2100, 0xA1), r2 = VideoRecord(900, 0xA2);
  {
    RecordedFile w;
    ASSERT_TRUE(w.SetPath("%s_%02d.MJP", dir.File("take.MJ").c_str(), 0));
    EXPECT_EQ(w.path(), path);
    ASSERT_TRUE(w.Open(RecordedFile::kWrite));
    w.WriteHeader(true, 5);
    for (const auto* r : {&r0, &r1, &r2}) {
      EXPECT_EQ(w.Transfer(static_cast<const void*>(r->data()), static_cast<uint32_t>(r->size())), r->size());
    }
    w.Close();
    EXPECT_FALSE(w.isOpen());
  }
  std::vector<uint8_t> bytes(8);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), 8);
  EXPECT_EQ(0, std::memcmp(bytes.data(), "VIDE\x05\0\0\0", 8));

  RecordedFile f;
  ASSERT_EQ(Index(f, path), 3);
  EXPECT_EQ(f.tag(), FOURCC_VIDE);
  EXPECT_EQ(f.parameter(), 5u);
  EXPECT_EQ(f.firstHeader().biWidth, 352);
  EXPECT_EQ(f.firstHeader().biSizeImage, 1500u);
  EXPECT_EQ(f.offset(1), 8u + r0.size());
  EXPECT_EQ(f.offset(2), 8u + r0.size() + r1.size());

  std::vector<uint8_t> payload(524288);
  BITMAPINFOHEADER h{};
  EXPECT_EQ(f.ReadRecord(1, payload.data(), static_cast<uint32_t>(payload.size()), &h), r1.size());
  EXPECT_EQ(h.biCompression, FOURCC_H263);
  EXPECT_EQ(h.biSizeImage, 2100u);
  EXPECT_EQ(0, std::memcmp(payload.data(), r1.data() + 40, 2100));
  // A payload larger than the caller's buffer is refused, not written past it.
  EXPECT_EQ(f.ReadRecord(1, payload.data(), 2099, &h), 0u);
  EXPECT_EQ(f.ReadRecord(3, payload.data(), static_cast<uint32_t>(payload.size()), &h), 0u);
  f.Close();

  // Half a record at the end is not offered.
  auto half = VideoRecord(3000, 0xA3);
  half.resize(half.size() / 2);
  Append(path, half);
  RecordedFile again;
  EXPECT_EQ(Index(again, path), 3);
  // Reading the cut record itself fails instead of returning a short payload.
  EXPECT_EQ(again.ReadRecord(3, payload.data(), static_cast<uint32_t>(payload.size()), &h), 0u);
}

TEST(RecordedFile, AudioBlocksFollowTheRateParameter) {
  TempDir dir;
  const struct {
    uint32_t parameter, factor;
  } cases[] = {{1, 16}, {2, 22}, {3, 32}, {4, 44}, {0, 16}, {9, 16}};
  for (const auto& c : cases) {
    const uint32_t block = c.factor * 512;
    std::vector<uint8_t> samples(block * 3 + block / 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i / block + 1);
    const std::string path = dir.File("a.PCM");
    WriteRaw(path, {FileHeader("AUDI", c.parameter), samples});

    RecordedFile f;
    ASSERT_EQ(Index(f, path), 3) << "parameter " << c.parameter;
    EXPECT_EQ(f.rateFactor(), c.factor);
    EXPECT_EQ(f.blockSize(), block);
    EXPECT_TRUE(f.isAudio());
    std::vector<uint8_t> data(block);
    ASSERT_EQ(f.ReadRecord(2, data.data(), block, nullptr), block);
    EXPECT_EQ(data.front(), 3);
    EXPECT_EQ(data.back(), 3);
    EXPECT_EQ(f.ReadRecord(2, data.data(), block - 1, nullptr), 0u);
  }
}

TEST(RecordedFile, WithoutAPathNothingIsOpenedOrWritten) {
  RecordedFile f;
  EXPECT_TRUE(f.Open(RecordedFile::kWrite));
  EXPECT_FALSE(f.isOpen());
  f.WriteHeader(true, 1);
  const uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(f.Transfer(static_cast<const void*>(bytes), 4), 0u);
  EXPECT_TRUE(f.Open(RecordedFile::kRead));
  EXPECT_FALSE(f.ScanHeader());
  EXPECT_EQ(f.NextRecordLength(), 0u);
  f.Close();
}

TEST(RecordedFile, OpenRefusesUnknownModesAndMissingFiles) {
  TempDir dir;
  RecordedFile f;
  ASSERT_TRUE(f.SetPath("%s", dir.File("missing.MJP").c_str()));
  EXPECT_FALSE(f.Open(RecordedFile::kRead));
  EXPECT_FALSE(f.Open(2));
  EXPECT_FALSE(f.isOpen());
  ASSERT_TRUE(f.SetPath("%s", dir.File("no/such/dir.MJP").c_str()));
  EXPECT_FALSE(f.Open(RecordedFile::kWrite));
}

TEST(RecordedFile, AnyTagButAudiIsReadAsVideo) {
  TempDir dir;
  const std::string path = dir.File("x.XPG");
  WriteRaw(path, {FileHeader("XPG1", 7), VideoRecord(3000, 1), VideoRecord(1200, 2)});
  RecordedFile f;
  ASSERT_EQ(Index(f, path), 2);
  EXPECT_FALSE(f.isAudio());
  EXPECT_EQ(f.tag(), NUVIX_FOURCC('X', 'P', 'G', '1'));
}

TEST(RecordedFile, SmallFilesAreRefused) {
  TempDir dir;
  const std::string path = dir.File("small.MJP");
  WriteRaw(path, {FileHeader("VIDE", 1), VideoRecord(4096 - 48, 1)});
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  ASSERT_EQ(st.st_size, 4096);
  RecordedFile f;
  EXPECT_EQ(Index(f, path), -1);
  Append(path, {0});
  RecordedFile g;
  EXPECT_EQ(Index(g, path), 1);
}

// Records whose sizes would make the scan stand still, walk backwards, wrap
// around 32 bits or reach past the end stop the index after the good ones.
TEST(RecordedFile, CorruptRecordSizesEndTheScan) {
  TempDir dir;
  const struct {
    const char* what;
    uint32_t headerSize, payloadField;
  } cases[] = {
      {"header smaller than itself", 16, 24},
      {"zero header", 0, 5000},
      {"length wrapping to 24 bytes", 40, 0xFFFFFFF0},
      {"length reading as -16", 0xFFFFFFF0, 0},
      {"header size beyond the file", 0x7FFFFFFF, 0},
      {"payload one byte past the end", 40, 4001},
  };
  for (const auto& c : cases) {
    const std::string path = dir.File("bad.MJP");
    WriteRaw(path, {FileHeader("VIDE", 2), VideoRecord(3000, 9), VideoRecord(4000, 8, c.headerSize, c.payloadField)});
    RecordedFile f;
    EXPECT_EQ(Index(f, path), 1) << c.what;
    EXPECT_EQ(f.offset(1), 3048u) << c.what;
  }
}

TEST(RecordedFile, RandomFilesIndexOnlyWhatLiesInside) {
  TempDir dir;
  std::mt19937 rng(99);
  const std::string path = dir.File("noise.MJP");
  for (int round = 0; round < 150; ++round) {
    std::vector<uint8_t> body(4100 + rng() % 20000);
    for (auto& b : body) b = static_cast<uint8_t>(rng());
    // Plant small plausible sizes now and then so the scan gets somewhere.
    for (size_t at = 0; at + 40 <= body.size(); at += 40 + rng() % 400) {
      if (rng() % 2) {
        PutLe32(body, at, 40 + rng() % 3);
        PutLe32(body, at + 20, rng() % 700);
      }
    }
    WriteRaw(path, {FileHeader(round % 4 ? "VIDE" : "AUDI", rng() % 6), body});
    RecordedFile f;
    const long n = Index(f, path);
    ASSERT_GE(n, 0);
    const uint64_t size = body.size() + 8;
    uint32_t previous = 0;
    for (long i = 0; i <= n; ++i) {
      ASSERT_GT(f.offset(static_cast<uint32_t>(i)), previous) << "round " << round;
      ASSERT_LE(f.offset(static_cast<uint32_t>(i)), size);
      previous = f.offset(static_cast<uint32_t>(i));
    }
  }
}

TEST(RecordedFile, IndexGrowsInStepsAndStopsAtTheRecordLimit) {
  TempDir dir;
  const std::string path = dir.File("g.MJP");
  WriteRaw(path, {FileHeader("VIDE", 1), VideoRecord(5000, 1)});
  RecordedFile f;
  ASSERT_EQ(Index(f, path), 1);
  const uint32_t initial = f.indexCapacity();
  EXPECT_EQ(initial, (5048u + 8) / 4096 + 1);
  EXPECT_TRUE(f.StoreOffset(initial, 77));
  EXPECT_EQ(f.indexCapacity(), initial + 10000);
  EXPECT_TRUE(f.StoreOffset(initial + 25000, 88));
  EXPECT_EQ(f.indexCapacity(), initial + 30000);
  EXPECT_EQ(f.offset(initial), 77u);
  EXPECT_EQ(f.offset(initial + 25000), 88u);
  EXPECT_FALSE(f.StoreOffset(RecordedFile::kMaxRecords, 1));
}

class ScriptedPrompts : public Prompts {
 public:
  std::optional<std::string> answer;
  bool openForRead = false;
  std::string extension, filter;
  void MessageBox(const std::string&, const std::string&, MessageIcon) override {}
  std::optional<std::string> ChooseFile(bool read, const std::string& ext, const std::string& f) override {
    openForRead = read;
    extension = ext;
    filter = f;
    return answer;
  }
  std::optional<ChosenFont> ChooseFont() override { return std::nullopt; }
};

TEST(RecordedFile, ChooseFileAsksThePromptsAndForgetsThePathOnCancel) {
  auto prompts = std::make_shared<ScriptedPrompts>();
  auto previous = InstallPrompts(prompts);
  RecordedFile f;
  prompts->answer = "/tmp/clip.MJ";
  EXPECT_TRUE(f.ChooseFile(false, "MJ", "MJ FILE|*.MJP;*.MJ*;*.*||"));
  EXPECT_FALSE(prompts->openForRead);
  EXPECT_EQ(prompts->extension, "MJ");
  EXPECT_EQ(prompts->filter, "MJ FILE|*.MJP;*.MJ*;*.*||");
  EXPECT_TRUE(f.hasPath());
  EXPECT_EQ(f.path(), "/tmp/clip.MJ");

  prompts->answer.reset();
  EXPECT_FALSE(f.ChooseFile(true, "NUV", "NUV FILE|*.PCM;*.MJP;*.MJ*;*.XPG;*.*||"));
  EXPECT_TRUE(prompts->openForRead);
  EXPECT_FALSE(f.hasPath());
  EXPECT_TRUE(f.Open(RecordedFile::kWrite));  // no path: nothing opened
  EXPECT_FALSE(f.isOpen());
  InstallPrompts(previous);
}

TEST(RecordedFile, OverlongPathIsNotSetRatherThanCut) {
  RecordedFile f;
  ASSERT_TRUE(f.SetPath("%s", "/tmp/a"));
  const std::string longName(5000, 'x');
  EXPECT_FALSE(f.SetPath("%s_%02d.MJP", longName.c_str(), 3));
  EXPECT_FALSE(f.hasPath());
  EXPECT_TRUE(f.Open(RecordedFile::kWrite));
  EXPECT_FALSE(f.isOpen());
}

}  // namespace
}  // namespace nuvix
