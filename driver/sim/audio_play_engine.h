// The audio playback of one simulated board: a play buffer in two halves that
// the board plays one after the other at the sample rate, each half taken at
// the moment it starts (after the playback volume), and the wait that returns
// whenever a half has been played so the next one can be loaded.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "nuvixi_sim.h"
#include "wait_queues.h"
#include "wav_writer.h"

namespace nuvixsim {

class AudioPlayEngine : public BreakableWait {
 public:
  static constexpr uint32_t kHalfBytesMax = 44 * 512;  // the largest block of a recorded file
  static constexpr uint32_t kBufferBytes = 2 * kHalfBytesMax;
  static constexpr uint32_t kMaxVolume = 127;
  static constexpr uint32_t kMonitorChannels = 16;
  // Played samples kept for read-back: a minute at the highest rate.
  static constexpr size_t kPlayedKept = 60 * 22050;

  AudioPlayEngine() : BreakableWait(false) {}
  ~AudioPlayEngine() { Close(); }

  // The board was opened: waits block again, volume full, monitor off.
  // wavPath: a file that every played sample also goes to (empty for none).
  void Open(std::string wavPath);
  // The board is closed: playback stops, the WAV file is finished, waits break.
  void Close();

  // The driver calls; each returns a result code. The first load since the
  // open or the last stop starts playback afresh: a cancel kept from before
  // is forgotten.
  uint32_t Load(uint32_t rateIndex, uint32_t offset, const void* data, uint32_t length);
  uint32_t WaitHalfPlayed(uint32_t rateIndex, uint32_t rateFactor);
  uint32_t SetVolume(uint32_t volume);
  uint32_t SetMonitor(uint32_t enable, uint32_t channel, uint32_t mode);
  uint32_t Off();

  // Control surface: one wait returns without anything played.
  void QueueRefill();
  // Control surface: takes up to max of the oldest played samples out.
  size_t TakePlayed(int16_t* samples, size_t max);
  NUVIXI_SIM_APLAY_STATE State();

 private:
  using Clock = std::chrono::steady_clock;

  // Under mutex_: plays every half whose start time has come.
  void Advance(Clock::time_point now);
  void StartPlaying(uint32_t rateIndex, uint32_t rateFactor, Clock::time_point now);
  Clock::time_point HalfStart(uint64_t half) const;
  void PlayHalf(uint32_t half);
  void StopPlaying();

  // Everything below is guarded by mutex_ (of BreakableWait).
  std::string wavPath_;
  WavWriter wav_;
  std::array<uint8_t, kBufferBytes> buffer_{};
  bool loaded_ = false;      // a half was loaded since open or the last stop
  uint32_t firstHalf_ = 0;   // the half loaded first: playback starts there
  bool playing_ = false;
  uint32_t sampleRate_ = 0;
  uint32_t halfBytes_ = 0;
  Clock::time_point startedAt_{};
  uint64_t halvesStarted_ = 0;
  uint64_t halvesReported_ = 0;  // completed halves that a wait has returned for
  uint32_t refillsQueued_ = 0;
  uint32_t volume_ = kMaxVolume;
  uint32_t monitorEnable_ = 0, monitorChannel_ = 0, monitorMode_ = 0;
  std::deque<int16_t> played_;
};

// The WAV file board plays into: NUVIXI_SIM_APLAY_WAV for board 0, that name
// followed by ".n" for board n; empty when the variable is not set.
std::string PlayedAudioPath(uint32_t board);

}  // namespace nuvixsim
