#include "audio_play_engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "nuvixi.h"

namespace nuvixsim {
namespace {

// Sample rates by rate index 1..4.
constexpr uint32_t kRates[5] = {0, 8000, 11025, 16000, 22050};
// Halves more than this late are skipped rather than played in a burst.
constexpr auto kMaxCatchUp = std::chrono::seconds(1);

}  // namespace

std::string PlayedAudioPath(uint32_t board) {
  const char* path = std::getenv("NUVIXI_SIM_APLAY_WAV");
  if (!path || !*path) return {};
  return board == 0 ? std::string(path) : std::string(path) + "." + std::to_string(board);
}

void AudioPlayEngine::Open(std::string wavPath) {
  Reopen();
  std::lock_guard lock(mutex_);
  wavPath_ = std::move(wavPath);
  volume_ = kMaxVolume;
  monitorEnable_ = monitorChannel_ = monitorMode_ = 0;
  refillsQueued_ = 0;
}

void AudioPlayEngine::Close() {
  {
    std::lock_guard lock(mutex_);
    StopPlaying();
    refillsQueued_ = 0;
    MarkClosed();
  }
  ready_.notify_all();
}

uint32_t AudioPlayEngine::Load(uint32_t rateIndex, uint32_t offset, const void* data, uint32_t length) {
  if (rateIndex < 1 || rateIndex > 4 || !data || length == 0 || length % 2 != 0 || offset % 2 != 0 ||
      offset > kBufferBytes || length > kBufferBytes - offset)
    return NUVIXI_ERR_INVALID_ARGUMENT;
  {
    std::lock_guard lock(mutex_);
    // A load that passed the board's open check just before the close.
    if (ClosedLocked()) return NUVIXI_ERR_NOT_OPEN;
    // A half that started before this call was taken with what it held then.
    if (playing_) Advance(Clock::now());
    std::memcpy(buffer_.data() + offset, data, length);
    if (!loaded_) {
      firstHalf_ = offset == 0 ? 0 : 1;
      ForgetCancelLocked();
    }
    loaded_ = true;
  }
  ready_.notify_all();
  return NUVIXI_SUCCESS;
}

uint32_t AudioPlayEngine::WaitHalfPlayed(uint32_t rateIndex, uint32_t rateFactor) {
  std::unique_lock lock(mutex_);
  if (ClosedLocked()) return NUVIXI_ERR_ESCAPED;
  const bool validRate = rateIndex >= 1 && rateIndex <= 4 && rateFactor >= 1 && rateFactor * 512 <= kHalfBytesMax;
  for (;;) {
    if (refillsQueued_ > 0) {
      --refillsQueued_;
      return NUVIXI_SUCCESS;
    }
    if (!validRate) return NUVIXI_ERR_INVALID_ARGUMENT;
    const auto now = Clock::now();
    if (!playing_ && loaded_) StartPlaying(rateIndex, rateFactor, now);
    uint32_t timeoutMs = NUVIXI_INFINITE;
    if (playing_) {
      Advance(now);
      const uint64_t completed = halvesStarted_ - 1;
      if (completed > halvesReported_) {
        halvesReported_ = completed;
        return NUVIXI_SUCCESS;
      }
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(HalfStart(halvesStarted_) - now);
      timeoutMs = static_cast<uint32_t>(std::max<int64_t>(left.count(), 1));
    }
    // Woken early by a queued refill or the first load; a time-out means a half ended.
    const uint32_t code = WaitUntil(lock, timeoutMs, [this] { return refillsQueued_ > 0 || (!playing_ && loaded_); });
    if (code == NUVIXI_ERR_ESCAPED) return code;
    // Only strict mode ends a wait without time-out by time.
    if (code == NUVIXI_TIMEOUT && timeoutMs == NUVIXI_INFINITE) return code;
  }
}

uint32_t AudioPlayEngine::SetVolume(uint32_t volume) {
  if (volume > kMaxVolume) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (playing_) Advance(Clock::now());
  volume_ = volume;
  return NUVIXI_SUCCESS;
}

uint32_t AudioPlayEngine::SetMonitor(uint32_t enable, uint32_t channel, uint32_t mode) {
  if (enable > 1 || channel >= kMonitorChannels || mode > 1) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  monitorEnable_ = enable;
  monitorChannel_ = channel;
  monitorMode_ = mode;
  return NUVIXI_SUCCESS;
}

uint32_t AudioPlayEngine::Off() {
  std::lock_guard lock(mutex_);
  StopPlaying();
  return NUVIXI_SUCCESS;
}

void AudioPlayEngine::QueueRefill() {
  {
    std::lock_guard lock(mutex_);
    ++refillsQueued_;
  }
  ready_.notify_all();
}

size_t AudioPlayEngine::TakePlayed(int16_t* samples, size_t max) {
  std::lock_guard lock(mutex_);
  if (playing_) Advance(Clock::now());
  const size_t n = std::min(max, played_.size());
  std::copy_n(played_.begin(), n, samples);
  played_.erase(played_.begin(), played_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

NUVIXI_SIM_APLAY_STATE AudioPlayEngine::State() {
  std::lock_guard lock(mutex_);
  if (playing_) Advance(Clock::now());
  NUVIXI_SIM_APLAY_STATE state{};
  state.playing = playing_ ? 1 : 0;
  state.sampleRate = playing_ ? sampleRate_ : 0;
  state.volume = volume_;
  state.monitorEnable = monitorEnable_;
  state.monitorChannel = monitorChannel_;
  state.monitorMode = monitorMode_;
  state.halvesPlayed = playing_ ? halvesStarted_ - 1 : 0;
  state.samplesWaiting = played_.size();
  return state;
}

void AudioPlayEngine::StartPlaying(uint32_t rateIndex, uint32_t rateFactor, Clock::time_point now) {
  playing_ = true;
  sampleRate_ = kRates[rateIndex];
  halfBytes_ = rateFactor * 512;
  startedAt_ = now;
  halvesStarted_ = 0;
  halvesReported_ = 0;
  if (!wavPath_.empty()) wav_.Open(wavPath_, sampleRate_);
  Advance(now);
}

AudioPlayEngine::Clock::time_point AudioPlayEngine::HalfStart(uint64_t half) const {
  // From the start time, not from the previous half, so rounding never adds up.
  const uint64_t samples = half * (halfBytes_ / 2);
  return startedAt_ + std::chrono::nanoseconds(samples * 1000000000ull / sampleRate_);
}

void AudioPlayEngine::Advance(Clock::time_point now) {
  if (now - HalfStart(halvesStarted_) > kMaxCatchUp) {
    // Nobody asked for a long time: what played meanwhile is not recorded.
    while (now - HalfStart(halvesStarted_ + 1) > kMaxCatchUp) ++halvesStarted_;
  }
  while (HalfStart(halvesStarted_) <= now) {
    PlayHalf(static_cast<uint32_t>((firstHalf_ + halvesStarted_) % 2));
    ++halvesStarted_;
  }
}

void AudioPlayEngine::PlayHalf(uint32_t half) {
  const uint8_t* bytes = buffer_.data() + half * halfBytes_;
  const uint32_t count = halfBytes_ / 2;
  int16_t samples[kHalfBytesMax / 2] = {};
  for (uint32_t i = 0; i < count; ++i) {
    int16_t sample;
    std::memcpy(&sample, bytes + 2 * i, 2);
    samples[i] = static_cast<int16_t>(sample * static_cast<int32_t>(volume_) / static_cast<int32_t>(kMaxVolume));
  }
  wav_.Append(samples, count);
  played_.insert(played_.end(), samples, samples + count);
  if (played_.size() > kPlayedKept)
    played_.erase(played_.begin(), played_.begin() + static_cast<std::ptrdiff_t>(played_.size() - kPlayedKept));
}

void AudioPlayEngine::StopPlaying() {
  if (playing_) Advance(Clock::now());
  playing_ = false;
  loaded_ = false;
  halvesStarted_ = halvesReported_ = 0;
  wav_.Close();
}

}  // namespace nuvixsim
