// The TV output of one simulated board: the screen-division surfaces it hands
// out, and the clock that composes the output picture at the picture rate
// whenever something changed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "mux_picture.h"
#include "nuvixi_sim.h"
#include "pinax_engine.h"

namespace nuvixsim {

class TvOutEngine {
 public:
  static constexpr int kWidth = 720;
  static constexpr size_t kPitch = kWidth * 2;
  static constexpr uint16_t kTransparent = 0x1080;  // OSD word that lets the image through
  static constexpr uint32_t kFileSeconds = 10;      // a regular file gets this much of the output

  // pinax holds the multiplexer and OSD-line settings the output shows while
  // screen division is off.
  TvOutEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<PinaxEngine> pinax);
  ~TvOutEngine();
  TvOutEngine(const TvOutEngine&) = delete;
  TvOutEngine& operator=(const TvOutEngine&) = delete;

  // The board was opened in standard: the output starts (grey, or whatever
  // the board shows while screen division is off). Returns a result code.
  uint32_t Open(uint32_t standard);
  // Stops the output and frees the surfaces. Whoever renders into them must
  // have stopped: the board's memory is gone.
  void Close();

  // The driver calls; each returns a result code.
  uint32_t DivisionOn(void** merged, void** image, void** osd);
  uint32_t DivisionUpdate();
  uint32_t DivisionOff();

  // Control surface: the latest output picture (720 x lines UYVY, top line
  // first); false while the board is closed.
  bool ReadPicture(uint8_t* buffer, size_t size, uint32_t& lines, uint64_t& pictures);
  // Control surface: CPU time of the output clock in nanoseconds; false when it is not running.
  bool ClockCpuTime(uint64_t& nanoseconds);

 private:
  using Clock = std::chrono::steady_clock;
  struct Surfaces {
    std::unique_ptr<uint16_t[]> merged, image, osd;
  };

  size_t SurfaceWords() const { return static_cast<size_t>(kWidth) * lines_; }
  bool AllocateSurfaces();
  void RunClock();
  void ComposeTick(uint64_t tick);
  // What the output shows while screen division is off: multiplexer 1's
  // camera, moving, with the two OSD lines over it.
  void FillMuxPicture(uint64_t tick);
  void ComposeDivision(const uint16_t* image, const uint16_t* osd, uint16_t* merged);

  const NUVIXI_SIM_BOARD config_;
  const std::shared_ptr<PinaxEngine> pinax_;
  MuxPicture mux_;  // the clock thread's own
  uint32_t muxFrames_ = 0;

  // control_ serialises the calls that start, stop or free (held across the
  // clock's join); mutex_ guards the on/off state and the clock's wake-up;
  // pictureMutex_ guards the output picture the read-back copies.
  std::mutex control_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::mutex pictureMutex_;
  std::thread clock_;
  bool stopClock_ = false;

  bool open_ = false;
  std::atomic<bool> divisionOn_{false};  // read by every update without a lock
  int lines_ = 576;
  uint32_t rate_ = 25;
  Clock::time_point openedAt_{};
  Surfaces surfaces_;  // allocated at the first switch-on, kept until close
  std::atomic<bool> changed_{false};
  std::unique_ptr<uint16_t[]> picture_;  // the output, top line first (clock thread writes)
  int pictureLines_ = 0;
  uint64_t pictures_ = 0;
};

}  // namespace nuvixsim
