// One stream into a container file through libavformat: AVI with Motion-JPEG
// or H.263 pictures, raw H.263, or WAV with 16-bit mono samples.
#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVPacket;

namespace nuvix {

class MediaWriter {
 public:
  enum class Content { kMjpgAvi, kH263Avi, kH263Raw, kPcmWav };

  MediaWriter() = default;
  ~MediaWriter();
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  // Creates the file and writes the container header. Video: width, height
  // and frames per second; audio: rate is the sample rate. False with error()
  // set when the file cannot be created or written.
  bool Open(const std::string& path, Content content, int width, int height, int rate);

  // Appends one picture (or a block of samples) with its time stamp in units
  // of 1/rate (pictures: the picture number; samples: the first sample).
  bool Write(const uint8_t* data, int size, int64_t timestamp, bool key);

  // Writes the container's trailer and closes the file; false when writing
  // failed. A file that was not finished (a failure, or no Finish before the
  // writer ends) is removed, so no half-written file is left behind.
  bool Finish();

  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& what, int code);
  void Close();

  AVFormatContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
  bool headerWritten_ = false;
  bool created_ = false;  // the file exists and is not finished
  int rate_ = 1;  // time stamps count 1/rate_ seconds
  std::string path_;
  std::string error_;
};

}  // namespace nuvix
