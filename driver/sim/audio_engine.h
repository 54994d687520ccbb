// The audio capture of one simulated board: per input a volume and a
// pre-amplifier gain, one reference level for all, and the clock that writes
// a block of samples into a started channel's ring of buffers each time a
// block's worth of samples has passed on the board's time.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio_signal.h"
#include "nuvixi_sim.h"
#include "wait_queues.h"

namespace nuvixsim {

class AudioEngine {
 public:
  static constexpr int kChannels = BoardQueues::kSoundChannels;
  static constexpr int kRingBuffers = 4;
  static constexpr uint32_t kMaxReference = 63;
  static constexpr uint32_t kMaxGain = 7;

  AudioEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<BoardQueues> queues);
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // The board was opened: settings start from their defaults.
  void Open();
  // Stops the clock and every transfer and frees every buffer. Call before
  // the board's waits are closed.
  void Close();

  // The driver calls; each returns a result code.
  uint32_t SetReference(uint32_t level);
  uint32_t SetVolume(uint32_t channel, uint32_t volume);
  uint32_t SetPreAmp(uint32_t channel, uint32_t gain);
  // Also forgets a cancel kept for the channel's wait, which would break its first wait for nothing.
  uint32_t TransferOn(uint32_t channel, uint32_t rateIndex, uint32_t blockUnits);
  uint32_t TransferOff(uint32_t channel);

  // Sample rate of a rate index 1..4; 0 for any other.
  static uint32_t SampleRate(uint32_t rateIndex);
  // Bytes of each block the board delivers: 16384 on QLA models whatever
  // the rate, else the block units × 128.
  static uint32_t BlockBytes(int32_t modelCode, uint32_t blockUnits);
  // Highest input volume: 15 on QLA models, 31 on the others.
  static uint32_t VolumeCeiling(int32_t modelCode);

  // Control surface: blocks delivered and lost since the channel's transfer was switched on.
  bool Counters(uint32_t channel, uint64_t& delivered, uint64_t& dropped);
  // Control surface: CPU time of the clock thread in nanoseconds; false when it is not running.
  bool ClockCpuTime(uint64_t& nanoseconds);

 private:
  using Clock = std::chrono::steady_clock;
  struct Ring {
    std::array<std::unique_ptr<int16_t[]>, kRingBuffers> buffers;
  };
  struct Channel {
    bool on = false;
    uint32_t rate = 0;
    uint32_t samples = 0;   // samples per block
    uint64_t start = 0;     // board sample number (at rate) of the first block's first sample
    uint64_t blocks = 0;    // blocks due so far, delivered or lost
    uint64_t delivered = 0;
    uint64_t dropped = 0;
    int next = 0;           // ring position tried first
    Ring ring;
  };

  uint32_t ChannelCount() const;
  // Due time of the channel's next block; the caller holds mutex_.
  Clock::time_point DueLocked(const Channel& c) const;
  AudioLevel LevelLocked(uint32_t channel) const;
  void ReleaseRing(uint32_t channel, Ring ring);
  void PruneRetired();
  void StartClock();
  void StopClock();
  void RunClock();
  void Deliver(uint32_t channel, Channel& c);

  const NUVIXI_SIM_BOARD config_;
  const std::shared_ptr<BoardQueues> queues_;

  // control_ serialises the calls that start, stop or free (held across the
  // clock's join); mutex_ guards everything the clock thread touches.
  std::mutex control_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread clock_;
  bool stopClock_ = false;

  bool open_ = false;
  Clock::time_point openedAt_{};
  uint32_t reference_ = 31;
  std::array<uint32_t, kChannels> volume_{};
  std::array<uint32_t, kChannels> gain_{};
  std::array<Channel, kChannels> channels_;
  std::vector<std::pair<uint32_t, Ring>> retired_;
};

}  // namespace nuvixsim
