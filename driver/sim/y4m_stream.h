// The board's TV output as a YUV4MPEG2 stream into a file or a FIFO, so a
// person can watch it with a video player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace nuvixsim {

class Y4mStream {
 public:
  // A stream of width x lines pictures at rate pictures per second into path.
  // A regular file is closed after seconds of pictures (0: never). Blocks
  // SIGPIPE on the calling thread, which must be the one that writes.
  Y4mStream(std::string path, int width, int lines, uint32_t rate, uint32_t seconds);
  ~Y4mStream();
  Y4mStream(const Y4mStream&) = delete;
  Y4mStream& operator=(const Y4mStream&) = delete;

  // Writes one packed UYVY picture (top line first). A FIFO without a reader
  // is tried again about once a second; a reader that goes away ends the
  // stream until the next one opens the FIFO (it gets a fresh header).
  void Write(const uint8_t* uyvy);
  // Pictures written since the stream started.
  uint64_t Pictures() const { return pictures_; }

 private:
  bool EnsureOpen();
  bool WriteAll(const uint8_t* bytes, size_t count);
  void CloseFile();

  const std::string path_;
  const int width_;
  const int lines_;
  const uint32_t rate_;
  const uint64_t limit_;  // pictures a regular file gets; 0: no limit
  int fd_ = -1;
  bool fifo_ = false;
  bool finished_ = false;  // a regular file got its pictures
  uint32_t retryIn_ = 0;   // pictures to skip before the FIFO is tried again
  uint64_t pictures_ = 0;
  std::unique_ptr<uint8_t[]> planar_;  // one picture as planar 4:2:2
};

}  // namespace nuvixsim
