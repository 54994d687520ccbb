// nuvix-export on recordings made by the capture path: FFmpeg reads what it
// writes (codec, size, picture count, rate), its pictures and samples match
// ours, and bad inputs end with a clear message and the right exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "h263_context.h"
#include "h263_decoder.h"
#include "mjpg_context.h"
#include "recorded_file.h"

namespace nuvix {
namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "export_" + std::to_string(::getpid()) + "_" + name;
}

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and error
};

ToolRun Shell(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ToolRun Export(const std::string& arguments) { return Shell(std::string(NUVIX_EXPORT_TOOL) + " " + arguments); }

// ffprobe's view of the first stream: key=value pairs.
std::map<std::string, std::string> Probe(const std::string& path) {
  const ToolRun run = Shell("ffprobe -v error -count_frames -show_entries "
                        "stream=codec_name,width,height,nb_read_frames,avg_frame_rate,sample_rate,channels,"
                        "nb_read_packets -of default=nw=1 '" + path + "'");
  std::map<std::string, std::string> values;
  size_t start = 0;
  for (size_t end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = run.output.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

// A UYVY frame: moving bars and a ramp, different in every frame.
std::vector<uint8_t> UyvyFrame(int w, int h, int t) {
  std::vector<uint8_t> frame(size_t(w) * h * 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; x += 2) {
      uint8_t* p = &frame[(size_t(y) * w + x) * 2];
      p[0] = uint8_t(128 + ((x / 16 + t) % 4) * 20);
      p[1] = uint8_t(16 + (x + y + 3 * t) % 220);
      p[2] = uint8_t(128 - ((y / 16) % 4) * 20);
      p[3] = uint8_t(16 + (x + 1 + y + 3 * t) % 220);
    }
  return frame;
}

// Planar 4:2:0: a moving box over a ramp with some fresh noise per frame.
void PlanarFrame(uint8_t* yuv, int w, int h, int t) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool box = x >= 40 + 3 * t && x < 100 + 3 * t && y >= 30 && y < 90;
      const uint32_t noise = ((uint32_t(x * 31 + y * 17 + t * 13) * 2654435761u) >> 27) & 15u;
      yuv[y * w + x] = box ? 220 : uint8_t(16 + (x + y + t) % 200 + noise);
    }
  for (int i = 0; i < w * h / 4; ++i) {
    yuv[w * h + i] = uint8_t(100 + (i / w) % 40);
    yuv[w * h + w * h / 4 + i] = uint8_t(150 - (i % 37));
  }
}

class Recording {
 public:
  explicit Recording(const std::string& path, bool video, uint32_t parameter) {
    EXPECT_TRUE(file_.SetPath("%s", path.c_str()));
    EXPECT_TRUE(file_.Open(RecordedFile::kWrite));
    file_.WriteHeader(video, parameter);
  }
  void Append(const void* data, uint32_t bytes) { EXPECT_EQ(file_.Transfer(data, bytes), bytes); }

 private:
  RecordedFile file_;
};

// MJPG records as the video tab writes them; returns the JPEG payloads.
std::vector<std::vector<uint8_t>> RecordMjpg(const std::string& path, int w, int h, int frames) {
  MjpgContext codec;
  codec.OpenCodec(0);
  codec.SetInput(w, h, FOURCC_UYVY);
  Recording recording(path, true, 8);
  std::vector<std::vector<uint8_t>> payloads;
  for (int t = 0; t < frames; ++t) {
    int32_t size = 0;
    HANDLE block = codec.Compress(UyvyFrame(w, h, t).data(), 5000, &size);
    if (!block) break;
    const auto* record = static_cast<const uint8_t*>(GlobalLock(block));
    recording.Append(record, record[0] + uint32_t(size));
    payloads.emplace_back(record + record[0], record + record[0] + size);
    GlobalUnlock(block);
    GlobalFree(block);
  }
  return payloads;
}

// H.263 records as the video tab writes them; returns what our decoder shows.
std::vector<std::vector<uint8_t>> RecordH263(const std::string& path, int w, int h, int frames) {
  H263Context coder;
  coder.CreateCodec(true);
  coder.Setup(w, h);
  CH263Decoder* decoder = CreateCorvaneDecoder();
  decoder->Init(0);
  Recording recording(path, true, 4);
  std::vector<std::vector<uint8_t>> pictures;
  std::vector<uint8_t> decoded(kH263MaxPictureBytes);
  for (int t = 0; t < frames; ++t) {
    PlanarFrame(coder.YuvBuffer(), w, h, t);
    int32_t bytes = 0;
    coder.EncodeFrame(8, &bytes);
    if (bytes <= 40) break;
    recording.Append(coder.Record(), uint32_t(bytes));
    if (!decoder->Decode(coder.Record() + 40, decoded.data(), bytes - 40)) break;
    pictures.emplace_back(decoded.begin(), decoded.begin() + w * h * 3 / 2);
  }
  decoder->Release();
  return pictures;
}

// Every packet of the file's first stream, and the decoded pictures (planar
// 4:2:0) when decode is set.
struct Demuxed {
  std::vector<std::vector<uint8_t>> packets;
  std::vector<std::vector<uint8_t>> pictures;
};

Demuxed Demux(const std::string& path, bool decode) {
  Demuxed out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(format, nullptr);
  const AVCodecParameters* par = format->streams[0]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(ctx, par);
  ctx->thread_count = 1;
  // Our decoder's inverse DCT rounds as FFmpeg's floating-point one does; its
  // default integer one drifts a few levels over an intra period of P pictures.
  ctx->idct_algo = FF_IDCT_FAAN;
  if (decode) avcodec_open2(ctx, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto receive = [&] {
    while (avcodec_receive_frame(ctx, frame) == 0) {
      const int w = frame->width, h = frame->height;
      std::vector<uint8_t> picture;
      for (int plane = 0; plane < 3; ++plane)
        for (int r = 0; r < (plane ? h / 2 : h); ++r) {
          const uint8_t* row = frame->data[plane] + r * frame->linesize[plane];
          picture.insert(picture.end(), row, row + (plane ? w / 2 : w));
        }
      out.pictures.push_back(std::move(picture));
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    out.packets.emplace_back(packet->data, packet->data + packet->size);
    if (decode && avcodec_send_packet(ctx, packet) == 0) receive();
    av_packet_unref(packet);
  }
  if (decode && avcodec_send_packet(ctx, nullptr) == 0) receive();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  avformat_close_input(&format);
  return out;
}

std::vector<uint8_t> TurboYuv(const std::vector<uint8_t>& jpeg) {
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, subsamp = 0, colorspace = 0;
  std::vector<uint8_t> yuv;
  if (tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &w, &h, &subsamp, &colorspace) == 0) {
    yuv.resize(tjBufSizeYUV2(w, 1, h, subsamp));
    if (tjDecompressToYUV2(tj, jpeg.data(), jpeg.size(), yuv.data(), w, 1, h, 0) != 0) yuv.clear();
  }
  tjDestroy(tj);
  return yuv;
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return 256;
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(NuvixExport, MjpgRecordingBecomesAviWithTheSameJpegPictures) {
  const std::string input = TempPath("mjpg.MJP"), output = TempPath("mjpg.avi");
  const auto payloads = RecordMjpg(input, 352, 288, 12);
  ASSERT_EQ(payloads.size(), 12u);

  const ToolRun run = Export("'" + input + "' '" + output + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("12 pictures, 0.48 s"), std::string::npos) << run.output;

  auto probe = Probe(output);
  EXPECT_EQ(probe["codec_name"], "mjpeg");
  EXPECT_EQ(probe["width"], "352");
  EXPECT_EQ(probe["height"], "288");
  EXPECT_EQ(probe["nb_read_frames"], "12");
  EXPECT_EQ(probe["avg_frame_rate"], "25/1");

  const Demuxed avi = Demux(output, false);
  ASSERT_EQ(avi.packets.size(), payloads.size());
  for (size_t i = 0; i < payloads.size(); ++i) {
    const std::vector<uint8_t> ours = TurboYuv(payloads[i]);
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(TurboYuv(avi.packets[i]), ours) << "picture " << i;
  }

  // The default name and a rate of the user's choice, the value apart or after "=".
  for (const char* rate : {"-q --fps 12", "--quiet --fps=12"}) {
    SCOPED_TRACE(rate);
    const ToolRun quiet = Export(std::string(rate) + " '" + input + "'");
    ASSERT_EQ(quiet.status, 0) << quiet.output;
    EXPECT_EQ(quiet.output, "");
    const std::string named = input.substr(0, input.size() - 4) + ".avi";
    EXPECT_EQ(Probe(named)["avg_frame_rate"], "12/1");
    std::remove(named.c_str());
  }
  // A recording whose name starts with a dash, after "--".
  const std::string dashed = "-dashed_" + std::to_string(::getpid());
  ASSERT_EQ(std::rename(input.c_str(), (::testing::TempDir() + dashed + ".MJP").c_str()), 0);
  const ToolRun run2 = Shell("cd '" + ::testing::TempDir() + "' && " + NUVIX_EXPORT_TOOL + " -- " + dashed + ".MJP");
  EXPECT_EQ(run2.status, 0) << run2.output;
  EXPECT_EQ(Probe(::testing::TempDir() + dashed + ".avi")["nb_read_frames"], "12");
  for (const char* extension : {".MJP", ".avi"}) std::remove((::testing::TempDir() + dashed + extension).c_str());
  std::remove(output.c_str());
}

struct H263Case {
  int width, height;
  const char* extension;
};

// Standard sizes keep the short header, the others get the extended one; both
// decode in FFmpeg to our decoder's pictures up to the two IDCTs' rounding.
TEST(NuvixExport, H263RecordingsPlayInFfmpegAtEveryEncoderSize) {
  const H263Case cases[] = {{720, 576, "avi"}, {352, 240, "avi"}, {320, 288, "avi"},
                            {352, 288, "avi"}, {176, 144, "263"}, {640, 480, "263"}};
  for (const H263Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "." + c.extension);
    const std::string input = TempPath("h263.MJP"), output = TempPath(std::string("h263.") + c.extension);
    const auto ours = RecordH263(input, c.width, c.height, 35);  // crosses an intra period
    ASSERT_EQ(ours.size(), 35u);
    const ToolRun run = Export("-q '" + input + "' '" + output + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");

    auto probe = Probe(output);
    EXPECT_EQ(probe["codec_name"], "h263");
    EXPECT_EQ(probe["width"], std::to_string(c.width));
    EXPECT_EQ(probe["height"], std::to_string(c.height));
    EXPECT_EQ(probe["nb_read_frames"], "35");
    if (std::string(c.extension) == "avi") {
      EXPECT_EQ(probe["avg_frame_rate"], c.height % 120 ? "25/1" : "30/1");
    }

    const Demuxed decoded = Demux(output, true);
    ASSERT_EQ(decoded.pictures.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i)
      ASSERT_LE(LargestDifference(decoded.pictures[i], ours[i]), 3) << "picture " << i;
    std::remove(input.c_str());
    std::remove(output.c_str());
  }
}

TEST(NuvixExport, TranscodedH263IsMotionJpegCloseToOurDecoder) {
  const std::string input = TempPath("tc.MJP"), output = TempPath("tc.avi");
  const auto ours = RecordH263(input, 352, 240, 8);
  ASSERT_EQ(ours.size(), 8u);
  const ToolRun run = Export("--transcode '" + input + "' '" + output + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  auto probe = Probe(output);
  EXPECT_EQ(probe["codec_name"], "mjpeg");
  EXPECT_EQ(probe["nb_read_frames"], "8");
  const Demuxed avi = Demux(output, false);
  ASSERT_EQ(avi.packets.size(), ours.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    const std::vector<uint8_t> jpeg = TurboYuv(avi.packets[i]);
    ASSERT_EQ(jpeg.size(), ours[i].size());
    double squared = 0;
    for (size_t k = 0; k < jpeg.size(); ++k) squared += (jpeg[k] - ours[i][k]) * (jpeg[k] - ours[i][k]);
    const double psnr = 10 * std::log10(255.0 * 255.0 * double(jpeg.size()) / std::max(squared, 1.0));
    EXPECT_GT(psnr, 35.0) << "picture " << i;
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
}

TEST(NuvixExport, PcmRecordingBecomesWavWithTheSameSamples) {
  struct Case {
    uint32_t rateIndex;
    const char* rate;
    size_t bytes;  // sample bytes after the header
  };
  for (const Case c : {Case{1, "8000", 3 * 8192 + 1000}, Case{4, "22050", 22528}, Case{3, "16000", 9001}}) {
    SCOPED_TRACE(c.rate);
    const std::string input = TempPath("audio.PCM"), output = TempPath("audio.wav");
    std::vector<uint8_t> samples(c.bytes);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t((i * 7919u) >> 3);
    {
      Recording recording(input, false, c.rateIndex);
      recording.Append(samples.data(), uint32_t(samples.size()));
    }
    const ToolRun run = Export("'" + input + "' '" + output + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    const bool odd = c.bytes % 2;
    EXPECT_EQ(run.output.find("half a sample") != std::string::npos, odd) << run.output;
    EXPECT_NE(run.output.find(std::to_string(c.bytes / 2) + " samples"), std::string::npos) << run.output;

    auto probe = Probe(output);
    EXPECT_EQ(probe["codec_name"], "pcm_s16le");
    EXPECT_EQ(probe["sample_rate"], c.rate);
    EXPECT_EQ(probe["channels"], "1");
    std::vector<uint8_t> read;
    for (const auto& packet : Demux(output, false).packets) read.insert(read.end(), packet.begin(), packet.end());
    samples.resize(c.bytes & ~size_t(1));
    EXPECT_EQ(read, samples);
    std::remove(input.c_str());
    std::remove(output.c_str());
  }
}

TEST(NuvixExport, BadInputsEndWithAClearMessage) {
  const std::string good = TempPath("good.MJP"), cut = TempPath("cut.MJP");
  const auto payloads = RecordMjpg(good, 176, 144, 6);
  ASSERT_EQ(payloads.size(), 6u);
  const std::string whole = Bytes(good);
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 100);
  const std::string lines120 = TempPath("h263_120.MJP");
  ASSERT_EQ(RecordH263(lines120, 160, 120, 30).size(), 30u);
  const std::string empty = TempPath("empty.MJP"), junk = TempPath("junk.MJP");
  std::ofstream(empty, std::ios::binary).flush();
  std::ofstream(junk, std::ios::binary) << "RIFF" << std::string(8000, 'x');
  const std::string small = TempPath("small.MJP"), header = TempPath("header.MJP");
  std::ofstream(small, std::ios::binary) << whole.substr(0, 4096);
  // What a channel that recorded nothing leaves behind: the file header alone.
  std::ofstream(header, std::ios::binary) << whole.substr(0, RecordedFile::kHeaderBytes);
  const std::string out = TempPath("bad.avi"), full = TempPath("full.avi");
  ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);

  struct Case {
    std::string arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"'" + empty + "' " + out, 1, "is empty"},
      {"'" + junk + "' " + out, 1, "is not a recording (no picture record"},
      {"'" + small + "' " + out, 1, "is not a recording: it holds 4096 bytes or less"},
      {"'" + header + "' " + out, 1, "nuvix-export: " + header + " holds no records: nothing was recorded after its file header\n"},
      {"'" + TempPath("missing.MJP") + "' " + out, 1, "cannot read"},
      {"'" + good + "' /nonexistent-folder/x.avi", 1, "cannot write /nonexistent-folder/x.avi"},
      {"'" + good + "' " + full, 1, "cannot write " + full + ": No space left on device"},
      {"'" + good + "' " + TempPath("x.mp4"), 1, "exported to a .avi file"},
      {"'" + good + "' " + TempPath("x.263"), 1, "H.263 pictures only"},
      {"--transcode '" + good + "' " + out, 1, "MJPG already"},
      // A command line it cannot use: exit code 2 and the usage, as the other programs answer.
      {"--fps 0 '" + good + "'", 2, "nuvix-export: --fps takes a frame rate 1..240: 0\nusage: nuvix-export"},
      {"--fps=x '" + good + "'", 2, "nuvix-export: --fps takes a frame rate 1..240: x\n"},
      {"'" + good + "' --fps", 2, "nuvix-export: --fps needs a frame rate 1..240\n"},
      {"--transcode=yes '" + good + "'", 2, "nuvix-export: --transcode takes no value\n"},
      {"--bogus '" + good + "'", 2, "nuvix-export: unknown option: --bogus\n"},
      {"'" + good + "' a.avi b.avi", 2, "nuvix-export: too many files given\n"},
      {"", 2, "nuvix-export: no recording given\n"},
      {"'" + cut + "' " + out, 0, "5 pictures"},
      {"'" + lines120 + "' " + out, 0, "bottom macroblock row of 120-line pictures uncoded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ToolRun run = Export(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
  // The file that could not be written was not left behind.
  struct stat st {};
  EXPECT_NE(lstat(full.c_str(), &st), 0);
  // The cut file's complete records were exported, and the user was told of the rest.
  const ToolRun run = Export("'" + cut + "' " + out);
  EXPECT_NE(run.output.find("incomplete record"), std::string::npos) << run.output;
  EXPECT_EQ(Probe(out)["nb_read_frames"], "5");
  for (const std::string& path : {good, cut, lines120, empty, junk, small, header, out}) std::remove(path.c_str());
}

}  // namespace
}  // namespace nuvix
