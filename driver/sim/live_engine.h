// The live display of one simulated QLA board: at every field it writes the
// split picture of its cameras into the overlay surface the program gave it,
// in the surface's format, with each input's colour settings, scan mode and
// on-screen text. QCA boards have no live display and refuse these calls.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera_picture.h"
#include "colour_controls.h"
#include "live_osd.h"
#include "nuvixi_sim.h"

namespace nuvixsim {

class LiveEngine {
 public:
  static constexpr int kInputs = 16;
  static constexpr int kShapes = 10;

  LiveEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<const ColourControls> colours);
  ~LiveEngine();
  LiveEngine(const LiveEngine&) = delete;
  LiveEngine& operator=(const LiveEngine&) = delete;

  void Open(uint32_t standard);
  // Stops live DMA and forgets every setting.
  void Close();

  // The driver calls; each returns a result code.
  uint32_t SetConfig(uint32_t width, uint32_t height, uint32_t fourcc, void* address, uint32_t pitch);
  uint32_t SetShape(const int32_t* shape, const int32_t* start);
  uint32_t TransferOn(uint32_t tvOut);
  uint32_t TransferOff();
  uint32_t SetSequence(const int32_t* sequence);
  uint32_t SetScanModes(const int32_t* modes);
  uint32_t ReadFilter(bool vertical, uint32_t channel, int32_t* value);
  uint32_t WriteFilter(bool vertical, uint32_t channel, const int32_t* value);
  uint32_t SetStrings(const char* const* strings);
  uint32_t SetFontConfig(const uint8_t* bytes, uint32_t length);
  uint32_t SetChosenFont(const void* font);
  // Switches the on-screen text of the live picture.
  uint32_t SetOsd(bool on);

  // Memory [base, base + bytes) is about to be freed: the board stops writing
  // into a surface that overlaps it, and returns only after its last write.
  void ReleaseMemory(const void* base, size_t bytes);

  bool HasLiveDisplay() const;
  // Control surface.
  void Status(NUVIXI_SIM_LIVE_STATUS& status);
  bool ClockCpuTime(uint64_t& nanoseconds);

 private:
  using Clock = std::chrono::steady_clock;
  struct Settings {
    int32_t shape = 0;
    int32_t start = 0;
    std::array<int32_t, kInputs> sequence = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::array<int32_t, kInputs> scanModes{};
    bool osd = false;
    uint64_t textVersion = 0;
    std::array<std::string, kInputs> strings;
    std::string fontFace;
  };
  struct Surface {
    uint8_t* address = nullptr;
    uint32_t width = 0, height = 0, pitch = 0;
    PixelFormat format = PixelFormat::kUyvy;
  };
  // One cell of the split picture as the field clock draws it.
  struct Cell {
    int x = 0, y = 0, w = 0, h = 0;
    int32_t input = -1;
    CameraPicture picture;
    std::unique_ptr<uint8_t[]> fields[2];  // this field's picture and the previous one
    int current = 0;
    bool primed = false;
  };

  void StartClock();
  void StopClock();
  void RunClock();
  // One field: renders the cells, then writes them into the surface under surfaceMutex_.
  bool Field(uint64_t tick, const Settings& settings);
  void LayoutCells(const Settings& settings, const Surface& surface);
  void WriteCell(Cell& cell, bool progressive, const Surface& surface) const;

  const NUVIXI_SIM_BOARD config_;
  const std::shared_ptr<const ColourControls> colours_;

  // control_ serialises start, stop and close (held across the join);
  // mutex_ guards the settings; surfaceMutex_ guards the surface and is held
  // while the board writes into it.
  std::mutex control_;
  std::mutex mutex_;
  std::mutex surfaceMutex_;
  std::condition_variable wake_;
  std::thread clock_;
  bool stopClock_ = false;

  // Under mutex_.
  bool open_ = false;
  uint32_t fieldsPerSecond_ = 30;
  uint32_t standardHeight_ = 480;
  Clock::time_point openedAt_{};
  bool running_ = false;
  uint32_t tvOut_ = 0;
  Settings settings_;
  std::array<int32_t, 32> hFilter_{}, vFilter_{};
  std::vector<uint8_t> fontConfig_;
  bool configured_ = false;

  // Under surfaceMutex_.
  Surface surface_;
  uint64_t fieldsWritten_ = 0;

  // The clock thread's own.
  std::vector<Cell> cells_;
  int32_t laidShape_ = -1;
  uint32_t laidWidth_ = 0, laidHeight_ = 0;
  PixelFormat laidFormat_ = PixelFormat::kUyvy;
  LiveOsd osd_;
};

}  // namespace nuvixsim
