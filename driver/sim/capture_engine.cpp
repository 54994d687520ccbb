#include "capture_engine.h"

#include <pthread.h>

#include <algorithm>
#include <bit>
#include <new>
#include <optional>
#include <system_error>

#include "clock_thread.h"
#include "nuvixi.h"

namespace nuvixsim {
namespace {

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
  jobs_.reserve(kChannels);
}

CaptureEngine::~CaptureEngine() { Close(); }

uint32_t CaptureEngine::ChannelCount() const { return std::min<uint32_t>(config_.maxCaptureChannels, kChannels); }

void CaptureEngine::Open(uint32_t standard) {
  std::lock_guard control(control_);
  std::lock_guard lock(mutex_);
  open_ = true;
  slotsPerSecond_ = SlotsPerSecond(standard);
  openedAt_ = Clock::now();
}

void CaptureEngine::Close() {
  std::lock_guard control(control_);
  StopClock();
  std::array<TransferPtr, kChannels> transfers;
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    for (int ch = 0; ch < kChannels; ++ch) {
      transfers[ch] = std::move(channels_[ch].transfer);
      channels_[ch] = Channel{};
    }
    lists_ = {};
    limited_ = false;
  }
  for (uint32_t ch = 0; ch < kChannels; ++ch) Release(ch, std::move(transfers[ch]));
  PruneRetired();
}

uint32_t CaptureEngine::SetSlots(uint32_t group, const int32_t* slots, uint32_t count) {
  if (!slots || count == 0 || count > kMaxSlots) return NUVIXI_ERR_INVALID_ARGUMENT;
  const uint32_t channels = ChannelCount();
  const uint32_t groups = GroupCount(config_.modelCode);
  const bool qla = IsQla(config_.modelCode);
  // A QLA board takes one channel's slots at a time: the group is the channel.
  if (group >= (qla ? channels : groups)) return NUVIXI_ERR_INVALID_ARGUMENT;
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t entry = slots[i];
    if (entry == kEmptySlot) continue;
    if (entry < 0 || static_cast<uint32_t>(entry) >= channels) return NUVIXI_ERR_INVALID_ARGUMENT;
    const uint32_t owner = qla ? static_cast<uint32_t>(entry) : static_cast<uint32_t>(entry) % groups;
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
  const int height = slotsPerSecond == 30 ? kCaptureHeightsNtsc[sizeIndex] : kCaptureHeightsPal[sizeIndex];
  const FrameGeometry geometry = GeometryOf(kCaptureWidths[sizeIndex], height, *pixel);

  // Everything is sized here, outside the clock's lock: a frame only copies.
  TransferPtr transfer(new (std::nothrow) Transfer);
  if (!transfer || !transfer->picture.Prepare(channel, geometry)) return NUVIXI_ERR_MALLOC;
  for (auto& buffer : transfer->buffers) {
    buffer.reset(new (std::nothrow) uint8_t[geometry.bytes]);
    if (!buffer) return NUVIXI_ERR_MALLOC;
  }

  TransferPtr old;
  {
    std::lock_guard lock(mutex_);
    Channel& c = channels_[channel];
    old = std::move(c.transfer);
    c = Channel{};
    c.transfer = std::move(transfer);
  }
  Release(channel, std::move(old));
  PruneRetired();
  queues_->images[channel].ForgetCancel();
  try {
    StartClock();
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    old = std::move(channels_[channel].transfer);
    return NUVIXI_ERR_MALLOC;
  }
  return NUVIXI_SUCCESS;
}

uint32_t CaptureEngine::TransferOff(uint32_t channel) {
  std::lock_guard control(control_);
  if (channel >= ChannelCount()) return NUVIXI_ERR_INVALID_ARGUMENT;
  TransferPtr old;
  bool anyOn = false;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    Channel& c = channels_[channel];
    if (!c.transfer) return NUVIXI_ERR_NOT_STARTED;
    old = std::move(c.transfer);
    c = Channel{};
    for (const Channel& other : channels_) anyOn = anyOn || other.transfer;
  }
  if (!anyOn) StopClock();
  Release(channel, std::move(old));
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
  return ClockThreadCpuTime(clock_, nanoseconds);
}

void CaptureEngine::Release(uint32_t channel, TransferPtr transfer) {
  if (!transfer) return;
  if (RetractAll(queues_->images[channel], transfer->buffers)) retired_.emplace_back(channel, std::move(transfer));
}

void CaptureEngine::PruneRetired() {
  std::erase_if(retired_,
                [this](const auto& entry) { return !HoldsAny(queues_->images[entry.first], entry.second->buffers); });
}

void CaptureEngine::StartClock() { StartClockThread(clock_, mutex_, stopClock_, [this] { RunClock(); }); }

void CaptureEngine::StopClock() { StopClockThread(clock_, mutex_, wake_, stopClock_); }

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
    for (; tick <= now; ++tick) {
      PlanSlot(tick);
      if (jobs_.empty()) continue;
      // Status calls and the consumers' queues are not kept waiting while
      // pictures are drawn.
      const uint32_t slotsPerSecond = slotsPerSecond_;
      lock.unlock();
      for (FrameJob& job : jobs_) {
        job.transfer->picture.Render(job.buffer, job.frame, tick, slotsPerSecond);
        colours_->Apply(job.channel, job.buffer, job.transfer->picture.Geometry());
      }
      lock.lock();
      PublishSlot();
    }
  }
}

void CaptureEngine::PlanSlot(uint64_t tick) {
  for (Channel& c : channels_) c.history <<= 1;
  if (limited_) tokens_ = std::min(tokens_ + bytesPerSlot_, bytesPerSlot_);
  // The lists take turns at going first, so a bandwidth limit starves no group.
  const uint64_t first = tick % kChannels;
  for (uint64_t i = 0; i < kChannels; ++i) {
    const SlotList& list = lists_[(first + i) % kChannels];
    if (list.count == 0) continue;
    const int32_t channel = list.slots[tick % list.count];
    if (channel != kEmptySlot) Plan(static_cast<uint32_t>(channel));
  }
}

void CaptureEngine::Plan(uint32_t channel) {
  Channel& c = channels_[channel];
  if (!c.transfer || !(cameras_ >> channel & 1u)) return;
  BufferQueue& queue = queues_->images[channel];
  // A buffer still queued or held by the consumer is never written; with
  // none free the new frame is lost, the queued ones are kept.
  int position = -1;
  for (int i = 0; i < kRingBuffers && position < 0; ++i) {
    const int candidate = (c.next + i) % kRingBuffers;
    if (!queue.Holds(c.transfer->buffers[candidate].get())) position = candidate;
  }
  const auto bytes = static_cast<int64_t>(c.transfer->picture.Geometry().bytes);
  if (position < 0 || (limited_ && tokens_ <= 0)) {
    ++c.dropped;
    return;
  }
  if (limited_) tokens_ -= bytes;
  c.next = (position + 1) % kRingBuffers;
  jobs_.push_back(FrameJob{channel, c.transfer, c.transfer->buffers[position].get(), c.frames++});
  c.history |= 1;
}

void CaptureEngine::PublishSlot() {
  for (FrameJob& job : jobs_) {
    // A transfer switched off or restarted meanwhile gets nothing more.
    if (channels_[job.channel].transfer == job.transfer) queues_->images[job.channel].Push(job.buffer);
  }
  jobs_.clear();
}

}  // namespace nuvixsim
