#include "y4m_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <new>

namespace nuvixsim {
namespace {

// A viewer that stops reading gets this long before the stream gives up on it.
constexpr int kStallMs = 1000;

// A FIFO whose reader left raises SIGPIPE; the calling thread keeps it
// blocked and takes it back so the process is not killed.
void SwallowBrokenPipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  const timespec none{};
  while (sigtimedwait(&set, nullptr, &none) > 0) {
  }
}

}  // namespace

Y4mStream::Y4mStream(std::string path, int width, int lines, uint32_t rate, uint32_t seconds)
    : path_(std::move(path)), width_(width), lines_(lines), rate_(rate), limit_(uint64_t{seconds} * rate) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

Y4mStream::~Y4mStream() { CloseFile(); }

void Y4mStream::CloseFile() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool Y4mStream::EnsureOpen() {
  if (fd_ >= 0) return true;
  if (finished_ || path_.empty()) return false;
  if (retryIn_ > 0) {
    --retryIn_;
    return false;
  }
  struct stat info {};
  fifo_ = stat(path_.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
  // A FIFO opens without waiting for a reader (ENXIO until one comes).
  fd_ = fifo_ ? open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)
              : open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    if (!fifo_) {
      std::fprintf(stderr, "libnuvixi (simulated board): cannot write the TV output to %s\n", path_.c_str());
      finished_ = true;
    }
    retryIn_ = rate_;
    return false;
  }
  if (!planar_) planar_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(width_) * lines_ * 2]);
  char header[96];
  const int length =
      std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%u:1 Ip A1:1 C422\n", width_, lines_, rate_);
  if (!planar_ || !WriteAll(reinterpret_cast<const uint8_t*>(header), static_cast<size_t>(length))) {
    CloseFile();
    return false;
  }
  return true;
}

bool Y4mStream::WriteAll(const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t written = write(fd_, bytes, count);
    if (written > 0) {
      bytes += written;
      count -= static_cast<size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EAGAIN) {
      pollfd ready{fd_, POLLOUT, 0};
      if (poll(&ready, 1, kStallMs) > 0 && !(ready.revents & (POLLERR | POLLHUP))) continue;
    }
    SwallowBrokenPipe();
    return false;
  }
  return true;
}

void Y4mStream::Write(const uint8_t* uyvy) {
  if (!EnsureOpen()) return;
  const size_t pixels = static_cast<size_t>(width_) * lines_;
  uint8_t* y = planar_.get();
  uint8_t* u = y + pixels;
  uint8_t* v = u + pixels / 2;
  for (size_t pair = 0; pair < pixels / 2; ++pair) {
    const uint8_t* p = uyvy + pair * 4;
    u[pair] = p[0];
    y[pair * 2] = p[1];
    v[pair] = p[2];
    y[pair * 2 + 1] = p[3];
  }
  static constexpr char kFrame[] = "FRAME\n";
  if (!WriteAll(reinterpret_cast<const uint8_t*>(kFrame), sizeof kFrame - 1) || !WriteAll(planar_.get(), pixels * 2)) {
    // The viewer left (or a full disk): a FIFO waits for the next viewer.
    CloseFile();
    finished_ = !fifo_;
    retryIn_ = rate_;
    return;
  }
  ++pictures_;
  if (!fifo_ && limit_ > 0 && pictures_ >= limit_) {
    CloseFile();
    finished_ = true;
  }
}

}  // namespace nuvixsim
