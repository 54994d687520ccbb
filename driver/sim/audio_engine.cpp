#include "audio_engine.h"

#include <pthread.h>

#include <algorithm>
#include <new>
#include <system_error>

#include "clock_thread.h"
#include "model_facts.h"
#include "nuvixi.h"

namespace nuvixsim {
namespace {

constexpr uint32_t kRates[5] = {0, 8000, 11025, 16000, 22050};
constexpr uint32_t kBlockUnits[4] = {64, 88, 128, 176};
constexpr uint32_t kQlaBlockBytes = 16384;
constexpr uint32_t kDefaultGain = 1;
constexpr uint32_t kDefaultReference = 31;

// Time of board sample n at rate hertz, from the board's open.
std::chrono::nanoseconds TimeOfSample(uint64_t n, uint32_t rate) {
  return std::chrono::nanoseconds((n / rate) * 1000000000ull + (n % rate) * 1000000000ull / rate);
}

// The first board sample at or after t.
uint64_t SampleAt(std::chrono::nanoseconds t, uint32_t rate) {
  const auto ns = static_cast<uint64_t>(std::max<int64_t>(t.count(), 0));
  const uint64_t seconds = ns / 1000000000ull, rest = ns % 1000000000ull;
  return seconds * rate + (rest * rate + 999999999ull) / 1000000000ull;
}

}  // namespace

AudioEngine::AudioEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<BoardQueues> queues)
    : config_(config), queues_(std::move(queues)) {}

AudioEngine::~AudioEngine() { Close(); }

uint32_t AudioEngine::SampleRate(uint32_t rateIndex) { return rateIndex < 5 ? kRates[rateIndex] : 0; }

uint32_t AudioEngine::BlockBytes(int32_t modelCode, uint32_t blockUnits) {
  return IsQla(modelCode) ? kQlaBlockBytes : blockUnits * 128;
}

uint32_t AudioEngine::VolumeCeiling(int32_t modelCode) { return IsQla(modelCode) ? 15 : 31; }

uint32_t AudioEngine::ChannelCount() const { return std::min<uint32_t>(config_.audioChannels, kChannels); }

void AudioEngine::Open() {
  std::lock_guard control(control_);
  std::lock_guard lock(mutex_);
  open_ = true;
  openedAt_ = Clock::now();
  reference_ = kDefaultReference;
  volume_.fill(VolumeCeiling(config_.modelCode));
  gain_.fill(kDefaultGain);
}

void AudioEngine::Close() {
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
  }
  // Closing frees every buffer, held or not: the board's memory is gone.
  for (int ch = 0; ch < kChannels; ++ch) {
    for (const auto& buffer : rings[ch].buffers) {
      if (buffer) queues_->sounds[ch].Retract(buffer.get());
    }
  }
  retired_.clear();
}

uint32_t AudioEngine::SetReference(uint32_t level) {
  if (level > kMaxReference) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  reference_ = level;
  return NUVIXI_SUCCESS;
}

uint32_t AudioEngine::SetVolume(uint32_t channel, uint32_t volume) {
  if (channel >= ChannelCount() || volume > VolumeCeiling(config_.modelCode)) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  volume_[channel] = volume;
  return NUVIXI_SUCCESS;
}

uint32_t AudioEngine::SetPreAmp(uint32_t channel, uint32_t gain) {
  if (channel >= ChannelCount() || gain > kMaxGain) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  gain_[channel] = gain;
  return NUVIXI_SUCCESS;
}

uint32_t AudioEngine::TransferOn(uint32_t channel, uint32_t rateIndex, uint32_t blockUnits) {
  std::lock_guard control(control_);
  const uint32_t rate = SampleRate(rateIndex);
  const bool unitsKnown = std::find(std::begin(kBlockUnits), std::end(kBlockUnits), blockUnits) != std::end(kBlockUnits);
  if (channel >= ChannelCount() || rate == 0 || !unitsKnown) return NUVIXI_ERR_INVALID_ARGUMENT;
  const uint32_t samples = BlockBytes(config_.modelCode, blockUnits) / 2;

  // Everything is sized here, outside the clock's lock: a block only renders.
  Ring ring;
  for (auto& buffer : ring.buffers) {
    buffer.reset(new (std::nothrow) int16_t[samples]);
    if (!buffer) return NUVIXI_ERR_MALLOC;
  }
  Ring old;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    Channel& c = channels_[channel];
    old = std::move(c.ring);
    c = Channel{};
    c.on = true;
    c.rate = rate;
    c.samples = samples;
    c.start = SampleAt(Clock::now() - openedAt_, rate);
    c.ring = std::move(ring);
  }
  wake_.notify_all();  // the clock's next due time may now be earlier
  ReleaseRing(channel, std::move(old));
  PruneRetired();
  queues_->sounds[channel].ForgetCancel();
  try {
    StartClock();
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    channels_[channel].on = false;
    return NUVIXI_ERR_MALLOC;
  }
  return NUVIXI_SUCCESS;
}

uint32_t AudioEngine::TransferOff(uint32_t channel) {
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

bool AudioEngine::Counters(uint32_t channel, uint64_t& delivered, uint64_t& dropped) {
  if (channel >= ChannelCount()) return false;
  std::lock_guard lock(mutex_);
  delivered = channels_[channel].delivered;
  dropped = channels_[channel].dropped;
  return true;
}

bool AudioEngine::ClockCpuTime(uint64_t& nanoseconds) {
  std::lock_guard control(control_);
  return ClockThreadCpuTime(clock_, nanoseconds);
}

void AudioEngine::ReleaseRing(uint32_t channel, Ring ring) {
  if (RetractAll(queues_->sounds[channel], ring.buffers)) retired_.emplace_back(channel, std::move(ring));
}

void AudioEngine::PruneRetired() {
  std::erase_if(retired_,
                [this](const auto& entry) { return !HoldsAny(queues_->sounds[entry.first], entry.second.buffers); });
}

void AudioEngine::StartClock() { StartClockThread(clock_, mutex_, stopClock_, [this] { RunClock(); }); }

void AudioEngine::StopClock() { StopClockThread(clock_, mutex_, wake_, stopClock_); }

AudioEngine::Clock::time_point AudioEngine::DueLocked(const Channel& c) const {
  return openedAt_ + TimeOfSample(c.start + (c.blocks + 1) * c.samples, c.rate);
}

AudioLevel AudioEngine::LevelLocked(uint32_t channel) const {
  return {volume_[channel], VolumeCeiling(config_.modelCode), gain_[channel], reference_};
}

void AudioEngine::RunClock() {
  pthread_setname_np(pthread_self(), "nuvixi audio");
  std::unique_lock lock(mutex_);
  while (!stopClock_) {
    Clock::time_point due = Clock::now() + std::chrono::seconds(1);
    for (const Channel& c : channels_) {
      if (c.on) due = std::min(due, DueLocked(c));
    }
    // Starts and stops notify; any wake just computes the next due time again.
    wake_.wait_until(lock, due);
    if (stopClock_) return;
    const Clock::time_point now = Clock::now();
    for (uint32_t ch = 0; ch < kChannels; ++ch) {
      Channel& c = channels_[ch];
      if (!c.on) continue;
      if (now - DueLocked(c) > std::chrono::seconds(1)) {
        // More than a second late (the process was stopped): those blocks are lost.
        const uint64_t passed = SampleAt(now - openedAt_, c.rate) - c.start;
        const uint64_t missed = passed / c.samples - c.blocks - 1;  // the last whole block still comes
        c.blocks += missed;
        c.dropped += missed;
      }
      while (DueLocked(c) <= now) Deliver(ch, c);
    }
  }
}

void AudioEngine::Deliver(uint32_t channel, Channel& c) {
  const uint64_t first = c.start + c.blocks * c.samples;
  ++c.blocks;
  BufferQueue& queue = queues_->sounds[channel];
  // A buffer still queued or held by the consumer is never written; with
  // none free the new block is lost, the queued ones are kept.
  int position = -1;
  for (int i = 0; i < kRingBuffers && position < 0; ++i) {
    const int candidate = (c.next + i) % kRingBuffers;
    if (!queue.Holds(c.ring.buffers[candidate].get())) position = candidate;
  }
  if (position < 0) {
    ++c.dropped;
    return;
  }
  int16_t* buffer = c.ring.buffers[position].get();
  c.next = (position + 1) % kRingBuffers;
  RenderAudio(buffer, c.samples, channel, c.rate, first, Amplitude(LevelLocked(channel)));
  queue.Push(buffer);
  ++c.delivered;
}

}  // namespace nuvixsim
