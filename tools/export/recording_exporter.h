// Turns one recorded file into a file standard players open: MJPG records
// into Motion-JPEG AVI as they are, H.263 records into AVI or raw H.263 with
// standard picture headers (or re-coded as MJPG), PCM into WAV.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media_writer.h"
#include "mjpg_transcoder.h"
#include "nuvix_wintypes.h"

namespace nuvix {

class RecordedFile;

class RecordingExporter {
 public:
  struct Options {
    std::string input;
    std::string output;  // empty: the input's name with .avi (video) or .wav (audio)
    int fps = 0;         // 0: the full rate of the recording's video standard
    bool transcode = false;
    // Called after every picture or sample block with the input bytes done and in all.
    std::function<void(uint64_t done, uint64_t total)> progress;
  };

  struct Result {
    bool ok = false;
    std::string output;
    std::string error;    // why nothing usable was written
    std::string warning;  // what was left out of a file that was written
    bool audio = false;
    uint32_t pictures = 0;
    uint64_t samples = 0;
    double seconds = 0;
    uint64_t bytesWritten = 0;
  };

  static constexpr int kMaxFps = 240;

  Result Run(const Options& options);

  // The output name for an input: its extension replaced by extension.
  static std::string DefaultOutput(const std::string& input, const std::string& extension);
  // Sample rate of an audio file's rate index (1..4; others read as 1).
  static int SampleRateOf(uint32_t parameter);
  // Full frame rate of a recording of this many lines: 30 for the NTSC sizes, else 25.
  static int FrameRateOf(int32_t height);

 private:
  bool ExportVideo(RecordedFile& file);
  bool ExportAudio(RecordedFile& file);
  bool OpenWriter(MediaWriter::Content content, int width, int height, int rate);
  bool WritePicture(const BITMAPINFOHEADER& header, const uint8_t* payload, uint32_t i);
  bool Refuse(std::string error);
  void Warn(const std::string& text);
  void Report(uint64_t done, uint64_t total) const;

  Options options_;
  Result result_;
  MediaWriter writer_;
  MediaWriter::Content content_ = MediaWriter::Content::kMjpgAvi;
  std::unique_ptr<MjpgTranscoder> transcoder_;  // with options.transcode only
  std::vector<uint8_t> converted_;
};

}  // namespace nuvix
