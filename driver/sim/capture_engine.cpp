#include "capture_engine.h"

#include <pthread.h>

#include <algorithm>
#include <bit>
#include <ctime>
#include <new>
#include <optional>
#include <system_error>

#include "nuvixi.h"

namespace nuvixsim {
namespace {

constexpr int kWidths[13] = {0, 720, 704, 640, 720, 704, 640, 360, 352, 320, 180, 176, 160};
constexpr int kHeightsPal[13] = {0, 576, 576, 576, 288, 288, 288, 288, 288, 288, 144, 144, 144};
constexpr int kHeightsNtsc[13] = {0, 480, 480, 480, 240, 240, 240, 240, 240, 240, 120, 120, 120};

// The transfer's pixel format is named by its FourCC or by the colour
// format number the capture settings use (0 UYVY, 1 Y41P, 2 YUY2).
std::optional<PixelFormat> FormatOf(uint32_t format) {
  switch (format) {
    case 0:
    case NUVIXI_FOURCC_UYVY: return PixelFormat::kUyvy;
    case 1:
    case NUVIXI_FOURCC_Y41P: return PixelFormat::kY41p;
    case 2:
    case NUVIXI_FOURCC_YUY2: return PixelFormat::kYuy2;
    default: return std::nullopt;
  }
}

}  // namespace

CaptureEngine::CaptureEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<BoardQueues> queues,
                             std::shared_ptr<const ColourControls> colours)
    : config_(config), queues_(std::move(queues)), colours_(std::move(colours)) {
  const uint32_t channels = ChannelCount();
  cameras_ = channels >= 32 ? 0xFFFFFFFFu : (1u << channels) - 1;
}

CaptureEngine::~CaptureEngine() { Close(); }

uint32_t CaptureEngine::ChannelCount() const { return std::min<uint32_t>(config_.maxCaptureChannels, kChannels); }

bool CaptureEngine::IsQla() const {
  return config_.modelCode >= NUVIXI_MODEL_QLA04 && config_.modelCode <= NUVIXI_MODEL_QLA16;
}

uint32_t CaptureEngine::GroupCount() const {
  switch (config_.modelCode) {
    case NUVIXI_MODEL_QLA04: return 4;
    case NUVIXI_MODEL_QLA08: return 8;
    case NUVIXI_MODEL_QLA16: return 16;
    case NUVIXI_MODEL_QCA02: return 2;
    case NUVIXI_MODEL_QCA04: return 4;
    case NUVIXI_MODEL_QCA08: return 8;
    default: return 1;
  }
}

void CaptureEngine::Open(uint32_t standard) {
  std::lock_guard control(control_);
  std::lock_guard lock(mutex_);
  open_ = true;
  slotsPerSecond_ = standard == NUVIXI_STANDARD_NTSC ? 30 : 25;
  openedAt_ = Clock::now();
}

void CaptureEngine::Close() {
  std::lock_guard control(control_);
  StopClock();
  std::array<Ring, kChannels> rings;
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    for (int ch = 0; ch < kChannels; ++ch) {
      rings[ch] = std::move(channels_[ch].ring);
      channels_[ch] = Channel{};
    }
    lists_ = {};
    limited_ = false;
  }
  // Closing frees every buffer, held or not: the board's memory is gone.
  for (int ch = 0; ch < kChannels; ++ch) {
    for (const auto& buffer : rings[ch].buffers) {
      if (buffer) queues_->images[ch].Retract(buffer.get());
    }
  }
  retired_.clear();
}

uint32_t CaptureEngine::SetSlots(uint32_t group, const int32_t* slots, uint32_t count) {
  if (!slots || count == 0 || count > kMaxSlots) return NUVIXI_ERR_INVALID_ARGUMENT;
  const uint32_t channels = ChannelCount();
  const uint32_t groups = GroupCount();
  // A QLA board takes one channel's slots at a time: the group is the channel.
  if (group >= (IsQla() ? channels : groups)) return NUVIXI_ERR_INVALID_ARGUMENT;
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t entry = slots[i];
    if (entry == kEmptySlot) continue;
    if (entry < 0 || static_cast<uint32_t>(entry) >= channels) return NUVIXI_ERR_INVALID_ARGUMENT;
    const uint32_t owner = IsQla() ? static_cast<uint32_t>(entry) : static_cast<uint32_t>(entry) % groups;
    if (owner != group) return NUVIXI_ERR_INVALID_ARGUMENT;
  }
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  if (count > slotsPerSecond_) return NUVIXI_ERR_INVALID_ARGUMENT;
  SlotList& list = lists_[group];
  list.count = count;
  std::copy(slots, slots + count, list.slots.begin());
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::TransferOn(uint32_t channel, uint32_t sizeIndex, uint32_t format) {
  std::lock_guard control(control_);
  const auto pixel = FormatOf(format);
  if (channel >= ChannelCount() || sizeIndex < 1 || sizeIndex > 12 || !pixel) return NUVIXI_ERR_INVALID_ARGUMENT;
  uint32_t slotsPerSecond;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    slotsPerSecond = slotsPerSecond_;
  }
  const int height = slotsPerSecond == 30 ? kHeightsNtsc[sizeIndex] : kHeightsPal[sizeIndex];
  const FrameGeometry geometry = GeometryOf(kWidths[sizeIndex], height, *pixel);

  // Everything is sized here, outside the clock's lock: a frame only copies.
  CameraPicture picture;
  if (!picture.Prepare(channel, geometry)) return NUVIXI_ERR_MALLOC;
  Ring ring;
  for (auto& buffer : ring.buffers) {
    buffer.reset(new (std::nothrow) uint8_t[geometry.bytes]);
    if (!buffer) return NUVIXI_ERR_MALLOC;
  }

  Ring old;
  {
    std::lock_guard lock(mutex_);
    Channel& c = channels_[channel];
    old = std::move(c.ring);
    c = Channel{};
    c.picture = std::move(picture);
    c.ring = std::move(ring);
    c.on = true;
  }
  ReleaseRing(channel, std::move(old));
  PruneRetired();
  try {
    StartClock();
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    channels_[channel].on = false;
    return NUVIXI_ERR_MALLOC;
  }
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::TransferOff(uint32_t channel) {
  std::lock_guard control(control_);
  if (channel >= ChannelCount()) return NUVIXI_ERR_INVALID_ARGUMENT;
  Ring old;
  bool anyOn = false;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    Channel& c = channels_[channel];
    if (!c.on) return NUVIXI_ERR_NOT_STARTED;
    old = std::move(c.ring);
    c = Channel{};
    for (const Channel& other : channels_) anyOn = anyOn || other.on;
  }
  if (!anyOn) StopClock();
  ReleaseRing(channel, std::move(old));
  PruneRetired();
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::CameraSignals(int32_t signal[32]) {
  if (!signal) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  for (int ch = 0; ch < 32; ++ch) signal[ch] = static_cast<int32_t>(cameras_ >> ch & 1u);
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::CaptureRates(int32_t fps[64]) {
  if (!fps) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  // Frames delivered in the last second of slots, in tenths of a frame per second.
  const uint64_t lastSecond = (uint64_t{1} << slotsPerSecond_) - 1;
  for (int ch = 0; ch < 64; ++ch) {
    fps[ch] = ch < kChannels ? std::popcount(channels_[ch].history & lastSecond) * 10 : 0;
  }
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::LimitBandwidth(uint32_t on, uint32_t megabytesPerSecond) {
  if (on > 1 || (on == 1 && megabytesPerSecond == 0)) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  limited_ = on == 1;
  bytesPerSlot_ = limited_ ? static_cast<int64_t>(megabytesPerSecond) * 1000000 / slotsPerSecond_ : 0;
  tokens_ = bytesPerSlot_;
  return NUVIXI_SUCCESS;
}

bool CaptureEngine::SetCamera(uint32_t channel, bool present) {
  if (channel >= ChannelCount()) return false;
  std::lock_guard lock(mutex_);
  if (present) cameras_ |= 1u << channel;
  else cameras_ &= ~(1u << channel);
  return true;
}

bool CaptureEngine::Counters(uint32_t channel, uint64_t& delivered, uint64_t& dropped) {
  if (channel >= ChannelCount()) return false;
  std::lock_guard lock(mutex_);
  delivered = channels_[channel].frames;
  dropped = channels_[channel].dropped;
  return true;
}

bool CaptureEngine::ClockCpuTime(uint64_t& nanoseconds) {
  std::lock_guard control(control_);
  clockid_t clock;
  timespec used{};
  if (!clock_.joinable() || pthread_getcpuclockid(clock_.native_handle(), &clock) != 0 ||
      clock_gettime(clock, &used) != 0)
    return false;
  nanoseconds = static_cast<uint64_t>(used.tv_sec) * 1000000000u + static_cast<uint64_t>(used.tv_nsec);
  return true;
}

void CaptureEngine::ReleaseRing(uint32_t channel, Ring ring) {
  BufferQueue& queue = queues_->images[channel];
  bool held = false;
  for (const auto& buffer : ring.buffers) {
    if (!buffer) continue;
    queue.Retract(buffer.get());
    held = held || queue.Holds(buffer.get());
  }
  if (held) retired_.emplace_back(channel, std::move(ring));
}

void CaptureEngine::PruneRetired() {
  std::erase_if(retired_, [this](const auto& entry) {
    BufferQueue& queue = queues_->images[entry.first];
    return std::none_of(entry.second.buffers.begin(), entry.second.buffers.end(),
                        [&](const auto& buffer) { return buffer && queue.Holds(buffer.get()); });
  });
}

void CaptureEngine::StartClock() {
  if (clock_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopClock_ = false;
  }
  clock_ = std::thread(&CaptureEngine::RunClock, this);
}

void CaptureEngine::StopClock() {
  if (!clock_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopClock_ = true;
  }
  wake_.notify_all();
  clock_.join();
}

uint64_t CaptureEngine::TickAt(Clock::time_point t) const {
  const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t - openedAt_).count();
  return ns <= 0 ? 0 : static_cast<uint64_t>(ns) * slotsPerSecond_ / 1000000000u;
}

CaptureEngine::Clock::time_point CaptureEngine::TimeOfTick(uint64_t tick) const {
  const uint64_t ns = (tick * 1000000000u + slotsPerSecond_ - 1) / slotsPerSecond_;
  return openedAt_ + std::chrono::nanoseconds(ns);
}

void CaptureEngine::RunClock() {
  pthread_setname_np(pthread_self(), "nuvixi clock");
  std::unique_lock lock(mutex_);
  uint64_t tick = TickAt(Clock::now()) + 1;
  for (;;) {
    if (wake_.wait_until(lock, TimeOfTick(tick), [this] { return stopClock_; })) return;
    const uint64_t now = TickAt(Clock::now());
    if (now > tick + slotsPerSecond_) {
      // More than a second late (the process was stopped): those slots pass without frames.
      const uint64_t missed = now - tick;
      for (Channel& c : channels_) c.history = missed >= 64 ? 0 : c.history << missed;
      tick = now;
    }
    for (; tick <= now; ++tick) RunSlot(tick);
  }
}

void CaptureEngine::RunSlot(uint64_t tick) {
  for (Channel& c : channels_) c.history <<= 1;
  if (limited_) tokens_ = std::min(tokens_ + bytesPerSlot_, bytesPerSlot_);
  // The lists take turns at going first, so a bandwidth limit starves no group.
  const uint64_t first = tick % kChannels;
  for (uint64_t i = 0; i < kChannels; ++i) {
    const SlotList& list = lists_[(first + i) % kChannels];
    if (list.count == 0) continue;
    const int32_t channel = list.slots[tick % list.count];
    if (channel != kEmptySlot) Deliver(static_cast<uint32_t>(channel), tick);
  }
}

void CaptureEngine::Deliver(uint32_t channel, uint64_t tick) {
  Channel& c = channels_[channel];
  if (!c.on || !(cameras_ >> channel & 1u)) return;
  BufferQueue& queue = queues_->images[channel];
  // A buffer still queued or held by the consumer is never written; with
  // none free the new frame is lost, the queued ones are kept.
  int position = -1;
  for (int i = 0; i < kRingBuffers && position < 0; ++i) {
    const int candidate = (c.next + i) % kRingBuffers;
    if (!queue.Holds(c.ring.buffers[candidate].get())) position = candidate;
  }
  const auto bytes = static_cast<int64_t>(c.picture.Geometry().bytes);
  if (position < 0 || (limited_ && tokens_ <= 0)) {
    ++c.dropped;
    return;
  }
  if (limited_) tokens_ -= bytes;
  uint8_t* buffer = c.ring.buffers[position].get();
  c.next = (position + 1) % kRingBuffers;
  c.picture.Render(buffer, c.frames++, tick, slotsPerSecond_);
  colours_->Apply(channel, buffer, c.picture.Geometry());
  queue.Push(buffer);
  c.history |= 1;
}

}  // namespace nuvixsim
