// The video capture of one simulated board: the groups' frame-slot lists,
// the started channels, and the clock that writes a frame into a started
// channel's ring of buffers at every slot that names it.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "camera_picture.h"
#include "colour_controls.h"
#include "model_facts.h"
#include "nuvixi_sim.h"
#include "wait_queues.h"

namespace nuvixsim {

class CaptureEngine {
 public:
  static constexpr int kChannels = BoardQueues::kImageChannels;
  static constexpr int kRingBuffers = 4;
  static constexpr int32_t kEmptySlot = 99;
  static constexpr uint32_t kMaxSlots = 30;

  CaptureEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<BoardQueues> queues,
                std::shared_ptr<const ColourControls> colours);
  ~CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  // The board was opened in standard (NUVIXI_STANDARD_PAL or _NTSC).
  void Open(uint32_t standard);
  // Stops the clock and forgets slot lists, transfers and the bandwidth limit.
  // A buffer the consumer still holds stays valid until its next wait; every
  // other buffer is freed. Call before the board's waits are closed.
  void Close();

  // The driver calls; each returns a result code.
  uint32_t SetSlots(uint32_t group, const int32_t* slots, uint32_t count);
  // Also forgets a cancel kept for the channel's wait, which would break its first wait for nothing.
  uint32_t TransferOn(uint32_t channel, uint32_t sizeIndex, uint32_t format);
  uint32_t TransferOff(uint32_t channel);
  uint32_t CameraSignals(int32_t signal[32]);
  uint32_t CaptureRates(int32_t fps[64]);
  uint32_t LimitBandwidth(uint32_t on, uint32_t megabytesPerSecond);

  // Control surface: whether the input has a camera; false for a channel the board lacks.
  bool SetCamera(uint32_t channel, bool present);
  // Control surface: frames delivered and dropped since the channel's transfer was switched on.
  bool Counters(uint32_t channel, uint64_t& delivered, uint64_t& dropped);
  // Control surface: CPU time of the clock thread in nanoseconds; false when it is not running.
  bool ClockCpuTime(uint64_t& nanoseconds);

 private:
  using Clock = std::chrono::steady_clock;
  // One started transfer: its picture and its ring of buffers. Shared with a
  // frame being written outside the lock, so a transfer switched off while
  // the clock renders into it lives until that frame is done.
  struct Transfer {
    CameraPicture picture;
    std::array<std::unique_ptr<uint8_t[]>, kRingBuffers> buffers;
  };
  using TransferPtr = std::shared_ptr<Transfer>;
  struct Channel {
    TransferPtr transfer;   // null while the channel is off
    int next = 0;           // ring position tried first
    uint32_t frames = 0;    // frames delivered since the transfer started
    uint64_t history = 0;   // bit i: a frame was delivered i slots ago
    uint64_t dropped = 0;
  };
  // A frame the clock writes outside the lock.
  struct FrameJob {
    uint32_t channel;
    TransferPtr transfer;
    uint8_t* buffer;
    uint32_t frame;
  };
  struct SlotList {
    uint32_t count = 0;
    std::array<int32_t, kMaxSlots> slots{};
  };

  uint32_t ChannelCount() const;
  // Takes the transfer's addresses out of the channel's queue and lets it go,
  // or keeps it until the consumer gives back the buffer it still holds.
  void Release(uint32_t channel, TransferPtr transfer);
  void PruneRetired();
  void StartClock();
  void StopClock();
  void RunClock();
  uint64_t TickAt(Clock::time_point t) const;
  Clock::time_point TimeOfTick(uint64_t tick) const;
  // Under mutex_: picks the buffers of the slot's frames into jobs_.
  void PlanSlot(uint64_t tick);
  void Plan(uint32_t channel);
  // Under mutex_: queues the written frames whose transfer is still running.
  void PublishSlot();

  const NUVIXI_SIM_BOARD config_;
  const std::shared_ptr<BoardQueues> queues_;
  const std::shared_ptr<const ColourControls> colours_;

  // control_ serialises the calls that start, stop or free (held across the
  // clock's join); mutex_ guards everything the clock thread touches.
  std::mutex control_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread clock_;
  bool stopClock_ = false;

  bool open_ = false;
  uint32_t slotsPerSecond_ = 30;
  Clock::time_point openedAt_{};
  uint32_t cameras_ = 0;  // bit per input
  std::array<Channel, kChannels> channels_;
  std::array<SlotList, kChannels> lists_;  // by group, or by channel on QLA models
  std::vector<FrameJob> jobs_;  // the clock thread's own; sized once
  std::vector<std::pair<uint32_t, TransferPtr>> retired_;
  bool limited_ = false;
  int64_t bytesPerSlot_ = 0;
  int64_t tokens_ = 0;
};

}  // namespace nuvixsim
