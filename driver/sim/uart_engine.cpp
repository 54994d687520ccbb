#include "uart_engine.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "nuvixi.h"

namespace nuvixsim {
namespace {

constexpr int kPtyPollMs = 100;
constexpr size_t kPtyChunk = 64;

bool PtyWanted() {
  const char* mode = std::getenv("NUVIXI_SIM_UART");
  return mode && std::strcmp(mode, "pty") == 0;
}

bool StartThread(std::thread& thread, void (UartEngine::*body)(), UartEngine* engine) {
  try {
    thread = std::thread(body, engine);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

UartEngine::UartEngine(std::shared_ptr<BoardQueues> queues) : queues_(std::move(queues)) {}

UartEngine::~UartEngine() {
  Close();
  if (ptySlave_ >= 0) ::close(ptySlave_);
  if (ptyMaster_ >= 0) ::close(ptyMaster_);
}

bool UartEngine::Open() {
  if (PtyWanted() && ptyMaster_ < 0) OpenPty();
  {
    std::lock_guard lock(mutex_);
    if (running_) return true;
    running_ = true;
    tx_.clear();
    sentSinceStart_ = 0;
  }
  bool started = StartThread(transmitter_, &UartEngine::Transmit, this);
  if (started && ptyMaster_ >= 0) started = StartThread(receiver_, &UartEngine::ReceiveFromPty, this);
  if (!started) Close();
  return started;
}

void UartEngine::Close() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
    tx_.clear();
  }
  changed_.notify_all();
  room_.notify_all();
  if (transmitter_.joinable()) transmitter_.join();
  if (receiver_.joinable()) receiver_.join();
}

uint32_t UartEngine::Configure(uint32_t baudIndex, uint32_t parityIndex) {
  if (baudIndex >= std::size(kBaudRates) || parityIndex > 3) return NUVIXI_ERR_INVALID_ARGUMENT;
  {
    std::lock_guard lock(mutex_);
    baudIndex_ = baudIndex;
    parityIndex_ = parityIndex;
    // A byte on the line when the rate changes is finished at the new rate.
    lineStart_ = Clock::now();
    sentSinceStart_ = 0;
  }
  changed_.notify_all();
  return NUVIXI_SUCCESS;
}

uint32_t UartEngine::Write(const uint8_t* bytes, uint32_t length, uint32_t timeoutMs) {
  if (!bytes || length > kMaxWrite) return NUVIXI_ERR_INVALID_ARGUMENT;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(mutex_);
  uint32_t queued = 0;
  while (queued < length) {
    if (!running_) return NUVIXI_ERR_ESCAPED;
    const size_t room = kTxBufferBytes - tx_.size();
    if (room > 0) {
      const size_t n = std::min<size_t>(room, length - queued);
      if (tx_.empty()) {
        lineStart_ = Clock::now();  // an idle line starts the first byte now
        sentSinceStart_ = 0;
      }
      tx_.insert(tx_.end(), bytes + queued, bytes + queued + n);
      queued += static_cast<uint32_t>(n);
      changed_.notify_all();
      continue;
    }
    if (timeoutMs == NUVIXI_INFINITE) room_.wait(lock);
    else if (room_.wait_until(lock, deadline) == std::cv_status::timeout && tx_.size() >= kTxBufferBytes)
      return NUVIXI_TIMEOUT;
  }
  return NUVIXI_SUCCESS;
}

std::chrono::nanoseconds UartEngine::ByteTimeLocked() const {
  const uint32_t bits = 1 + 8 + (parityIndex_ == kParityNone ? 0 : 1) + 1;
  return std::chrono::nanoseconds(uint64_t{bits} * 1'000'000'000u / kBaudRates[baudIndex_]);
}

// Sends bytes at the line rate on an absolute clock: a byte leaves when its
// stop bit ends, and a late wake-up sends every byte that is due at once.
void UartEngine::Transmit() {
  pthread_setname_np(pthread_self(), "nuvixi uart tx");
  std::unique_lock lock(mutex_);
  while (running_) {
    if (tx_.empty()) {
      changed_.wait(lock, [this] { return !running_ || !tx_.empty(); });
      continue;
    }
    const auto byteTime = ByteTimeLocked();
    const uint64_t due = static_cast<uint64_t>((Clock::now() - lineStart_) / byteTime);
    if (due <= sentSinceStart_) {
      changed_.wait_until(lock, lineStart_ + byteTime * (sentSinceStart_ + 1));
      continue;
    }
    const size_t n = std::min<uint64_t>(due - sentSinceStart_, tx_.size());
    std::vector<uint8_t> out(tx_.begin(), tx_.begin() + static_cast<ptrdiff_t>(n));
    tx_.erase(tx_.begin(), tx_.begin() + static_cast<ptrdiff_t>(n));
    sentSinceStart_ += n;
    transmitted_.insert(transmitted_.end(), out.begin(), out.end());
    if (transmitted_.size() > kTxRecordBytes)
      transmitted_.erase(transmitted_.begin(),
                         transmitted_.begin() + static_cast<ptrdiff_t>(transmitted_.size() - kTxRecordBytes));
    lock.unlock();
    room_.notify_all();
    Deliver(out);
    lock.lock();
  }
}

void UartEngine::Deliver(const std::vector<uint8_t>& bytes) {
  if (ptyMaster_ < 0) {
    queues_->serialRx.Push(bytes.data(), bytes.size());
    return;
  }
  // Nobody reading the terminal is like nobody on the far end of the cable:
  // what does not fit is gone.
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(ptyMaster_, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<size_t>(n);
    else if (n < 0 && errno == EINTR) continue;
    else break;
  }
}

// Takes what the terminal sends and lets it arrive at the line rate.
void UartEngine::ReceiveFromPty() {
  pthread_setname_np(pthread_self(), "nuvixi uart rx");
  Clock::time_point next = Clock::now();
  uint8_t chunk[kPtyChunk];
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (!running_) return;
    }
    pollfd fd{ptyMaster_, POLLIN, 0};
    if (::poll(&fd, 1, kPtyPollMs) <= 0 || !(fd.revents & POLLIN)) continue;
    const ssize_t got = ::read(ptyMaster_, chunk, sizeof chunk);
    if (got <= 0) continue;
    for (ssize_t i = 0; i < got; ++i) {
      std::unique_lock lock(mutex_);
      next = std::max(next, Clock::now()) + ByteTimeLocked();
      if (changed_.wait_until(lock, next, [this] { return !running_; })) return;
      lock.unlock();
      queues_->serialRx.Push(&chunk[i], 1);
    }
  }
}

void UartEngine::OpenPty() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  char path[128] = {};
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, path, sizeof path) != 0) {
    std::fprintf(stderr, "libnuvixi (simulated board): no pseudo-terminal (%s); the serial port keeps its loopback plug\n",
                 std::strerror(errno));
    if (master >= 0) ::close(master);
    return;
  }
  termios raw{};
  ::tcgetattr(master, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(master, TCSANOW, &raw);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  ptySlave_ = ::open(path, O_RDWR | O_NOCTTY);
  ptyMaster_ = master;
  {
    std::lock_guard lock(mutex_);
    ptyPath_ = path;
  }
  std::fprintf(stderr, "libnuvixi (simulated board): serial port on %s\n", path);
}

size_t UartEngine::TakeTransmitted(uint8_t* out, size_t size) {
  std::lock_guard lock(mutex_);
  const size_t n = std::min(size, transmitted_.size());
  std::copy_n(transmitted_.begin(), n, out);
  transmitted_.erase(transmitted_.begin(), transmitted_.begin() + static_cast<ptrdiff_t>(n));
  return n;
}

std::string UartEngine::PortPath() {
  std::lock_guard lock(mutex_);
  return ptyPath_;
}

}  // namespace nuvixsim
