#include "live_engine.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "clock_thread.h"
#include "nuvix_wintypes.h"
#include "nuvixi.h"

namespace nuvixsim {
namespace {

// A cell in units of a g × g grid.
struct UnitCell {
  int x, y, w, h;
};
struct ShapeLayout {
  int grid;
  std::vector<UnitCell> cells;
};

std::vector<UnitCell> Grid(int g) {
  std::vector<UnitCell> cells;
  for (int y = 0; y < g; ++y)
    for (int x = 0; x < g; ++x) cells.push_back({x, y, 1, 1});
  return cells;
}

// The cells of shapes 0..9: 1, 4, 6, 7, 8, 9, 10, 13, 16 and none.
const ShapeLayout& LayoutOfShape(int shape) {
  static const ShapeLayout kLayouts[LiveEngine::kShapes] = {
      {1, Grid(1)},
      {2, Grid(2)},
      {3, {{0, 0, 2, 2}, {2, 0, 1, 1}, {2, 1, 1, 1}, {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 2, 1, 1}}},
      {4, {{0, 0, 2, 2}, {2, 0, 2, 2}, {0, 2, 2, 2}, {2, 2, 1, 1}, {3, 2, 1, 1}, {2, 3, 1, 1}, {3, 3, 1, 1}}},
      {4,
       {{0, 0, 3, 3}, {3, 0, 1, 1}, {3, 1, 1, 1}, {3, 2, 1, 1}, {0, 3, 1, 1}, {1, 3, 1, 1}, {2, 3, 1, 1},
        {3, 3, 1, 1}}},
      {3, Grid(3)},
      {4,
       {{0, 0, 2, 2}, {2, 0, 2, 2}, {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 2, 1, 1}, {3, 2, 1, 1}, {0, 3, 1, 1},
        {1, 3, 1, 1}, {2, 3, 1, 1}, {3, 3, 1, 1}}},
      {4,
       {{1, 1, 2, 2}, {0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}, {3, 0, 1, 1}, {0, 1, 1, 1}, {3, 1, 1, 1},
        {0, 2, 1, 1}, {3, 2, 1, 1}, {0, 3, 1, 1}, {1, 3, 1, 1}, {2, 3, 1, 1}, {3, 3, 1, 1}}},
      {4, Grid(4)},
      {1, {}},
  };
  return kLayouts[shape];
}

bool ValidFourcc(uint32_t fourcc) { return fourcc == NUVIXI_FOURCC_UYVY || fourcc == NUVIXI_FOURCC_YUY2; }

constexpr uint8_t kBlackUnit[4] = {128, 16, 128, 16};  // UYVY; YUY2 is the same bytes shifted by one

}  // namespace

LiveEngine::LiveEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<const ColourControls> colours)
    : config_(config), colours_(std::move(colours)) {}

LiveEngine::~LiveEngine() { Close(); }

bool LiveEngine::HasLiveDisplay() const {
  return config_.modelCode >= NUVIXI_MODEL_QLA04 && config_.modelCode <= NUVIXI_MODEL_QLA16;
}

void LiveEngine::Open(uint32_t standard) {
  std::lock_guard control(control_);
  std::lock_guard lock(mutex_);
  open_ = true;
  fieldsPerSecond_ = standard == NUVIXI_STANDARD_NTSC ? 30 : 25;
  standardHeight_ = standard == NUVIXI_STANDARD_NTSC ? 480 : 576;
  openedAt_ = Clock::now();
}

void LiveEngine::Close() {
  std::lock_guard control(control_);
  StopClock();
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    running_ = false;
    tvOut_ = 0;
    settings_ = Settings{};
    hFilter_ = {};
    vFilter_ = {};
    fontConfig_.clear();
    configured_ = false;
  }
  std::lock_guard surface(surfaceMutex_);
  surface_ = Surface{};
}

uint32_t LiveEngine::SetConfig(uint32_t width, uint32_t height, uint32_t fourcc, void* address, uint32_t pitch) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    if (!address || width == 0 || width % 8 != 0 || width > 720 || pitch < width * 2 || height != standardHeight_ ||
        !ValidFourcc(fourcc))
      return NUVIXI_ERR_INVALID_ARGUMENT;
    configured_ = true;
  }
  std::lock_guard surface(surfaceMutex_);
  surface_ = Surface{static_cast<uint8_t*>(address), width, height, pitch,
                     fourcc == NUVIXI_FOURCC_UYVY ? PixelFormat::kUyvy : PixelFormat::kYuy2};
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetShape(const int32_t* shape, const int32_t* start) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!shape || !start || *shape < 0 || *shape >= kShapes || *start < 0 || *start >= kInputs)
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  settings_.shape = *shape;
  settings_.start = *start;
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetSequence(const int32_t* sequence) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!sequence || std::any_of(sequence, sequence + kInputs, [](int32_t s) { return s < 0 || s >= kInputs; }))
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  std::copy(sequence, sequence + kInputs, settings_.sequence.begin());
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetScanModes(const int32_t* modes) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!modes || std::any_of(modes, modes + kInputs, [](int32_t m) { return m != 0 && m != 1; }))
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  std::copy(modes, modes + kInputs, settings_.scanModes.begin());
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::ReadFilter(bool vertical, uint32_t channel, int32_t* value) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!value || channel >= std::min<uint32_t>(config_.maxCaptureChannels, 32)) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  *value = (vertical ? vFilter_ : hFilter_)[channel];
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::WriteFilter(bool vertical, uint32_t channel, const int32_t* value) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!value || *value < 0 || *value > 3 || channel >= std::min<uint32_t>(config_.maxCaptureChannels, 32))
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  (vertical ? vFilter_ : hFilter_)[channel] = *value;
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetStrings(const char* const* strings) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!strings || std::any_of(strings, strings + kInputs, [](const char* s) { return s == nullptr; }))
    return NUVIXI_ERR_INVALID_ARGUMENT;
  std::array<std::string, kInputs> copies;
  // The board's text memory holds 31 characters per string.
  for (int i = 0; i < kInputs; ++i) copies[i].assign(strings[i], strnlen(strings[i], 31));
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  settings_.strings = std::move(copies);
  ++settings_.textVersion;
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetFontConfig(const uint8_t* bytes, uint32_t length) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!bytes || length == 0 || length > 256) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  fontConfig_.assign(bytes, bytes + length);
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetChosenFont(const void* font) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!font) return NUVIXI_ERR_INVALID_ARGUMENT;
  LOGFONTA logFont;
  std::memcpy(&logFont, font, sizeof logFont);
  std::string face(logFont.lfFaceName, strnlen(logFont.lfFaceName, sizeof logFont.lfFaceName));
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  settings_.fontFace = std::move(face);
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::SetOsd(bool on) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  std::lock_guard lock(mutex_);
  if (!open_) return NUVIXI_ERR_NOT_OPEN;
  settings_.osd = on;
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::TransferOn(uint32_t tvOut) {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (tvOut > 1) return NUVIXI_ERR_INVALID_ARGUMENT;
  std::lock_guard control(control_);
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    if (!configured_) return NUVIXI_ERR_INVALID_ARGUMENT;
    tvOut_ = tvOut;
    running_ = true;
  }
  try {
    StartClock();
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    running_ = false;
    return NUVIXI_ERR_MALLOC;
  }
  return NUVIXI_SUCCESS;
}

uint32_t LiveEngine::TransferOff() {
  if (!HasLiveDisplay()) return NUVIXI_ERR_FUNCTION_BLOCK;
  std::lock_guard control(control_);
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
    if (!running_) return NUVIXI_ERR_NOT_STARTED;
    running_ = false;
  }
  // After the join the board writes nothing more.
  StopClock();
  return NUVIXI_SUCCESS;
}

void LiveEngine::ReleaseMemory(const void* base, size_t bytes) {
  const auto* low = static_cast<const uint8_t*>(base);
  std::lock_guard surface(surfaceMutex_);
  if (!surface_.address) return;
  const uint8_t* end =
      surface_.address + static_cast<size_t>(surface_.pitch) * (surface_.height - 1) + surface_.width * 2;
  if (surface_.address < low + bytes && low < end) surface_ = Surface{};
}

void LiveEngine::Status(NUVIXI_SIM_LIVE_STATUS& status) {
  {
    std::lock_guard lock(mutex_);
    status.running = running_ ? 1 : 0;
    status.tvOut = tvOut_;
    status.osd = settings_.osd ? 1 : 0;
    status.shape = settings_.shape;
    status.start = settings_.start;
  }
  std::lock_guard surface(surfaceMutex_);
  status.fieldsWritten = fieldsWritten_;
  status.surface = surface_.address;
}

bool LiveEngine::ClockCpuTime(uint64_t& nanoseconds) {
  std::lock_guard control(control_);
  return ClockThreadCpuTime(clock_, nanoseconds);
}

void LiveEngine::StartClock() { StartClockThread(clock_, mutex_, stopClock_, [this] { RunClock(); }); }

void LiveEngine::StopClock() { StopClockThread(clock_, mutex_, wake_, stopClock_); }

void LiveEngine::RunClock() {
  pthread_setname_np(pthread_self(), "nuvixi live");
  std::unique_lock lock(mutex_);
  const auto period = std::chrono::nanoseconds(1000000000 / fieldsPerSecond_);
  uint64_t tick = static_cast<uint64_t>((Clock::now() - openedAt_) / period) + 1;
  for (;;) {
    if (wake_.wait_until(lock, openedAt_ + tick * period, [this] { return stopClock_; })) return;
    // A late clock (the process was stopped) writes the field that is due now, not every missed one.
    tick = std::max<uint64_t>(tick, static_cast<uint64_t>((Clock::now() - openedAt_) / period));
    const Settings settings = settings_;
    lock.unlock();
    Field(tick, settings);
    lock.lock();
    ++tick;
  }
}

bool LiveEngine::Field(uint64_t tick, const Settings& settings) {
  Surface surface;
  {
    std::lock_guard lock(surfaceMutex_);
    surface = surface_;
  }
  if (!surface.address) return false;
  LayoutCells(settings, surface);
  int textHeight = static_cast<int>(surface.height);
  for (const Cell& cell : cells_) textHeight = std::min(textHeight, cell.h);
  if (settings.osd)
    osd_.Prepare(settings.strings, settings.fontFace, settings.textVersion, std::clamp(textHeight / 7, 10, 40));

  // Render outside the surface lock; only the copy into the surface holds it.
  for (size_t k = 0; k < cells_.size(); ++k) {
    Cell& cell = cells_[k];
    const int32_t input = settings.sequence[(settings.start + static_cast<int>(k)) % kInputs];
    if (cell.input != input) {
      if (!cell.picture.Prepare(static_cast<uint32_t>(input), GeometryOf(cell.w, cell.h, surface.format))) continue;
      cell.input = input;
      cell.primed = false;
    }
    cell.current ^= 1;
    uint8_t* out = cell.fields[cell.current].get();
    cell.picture.Render(out, static_cast<uint32_t>(tick), tick, fieldsPerSecond_);
    colours_->Apply(static_cast<uint32_t>(input), out, cell.picture.Geometry());
    if (settings.osd) osd_.Draw(input, out, cell.picture.Geometry());
    if (!cell.primed) {
      std::memcpy(cell.fields[cell.current ^ 1].get(), out, cell.picture.Geometry().bytes);
      cell.primed = true;
    }
  }

  std::lock_guard lock(surfaceMutex_);
  // The surface went away or changed while the cells were drawn: this field is lost.
  if (surface_.address != surface.address || surface_.width != surface.width || surface_.height != surface.height ||
      surface_.pitch != surface.pitch || surface_.format != surface.format)
    return false;
  if (cells_.empty()) {
    for (uint32_t y = 0; y < surface.height; ++y) {
      uint8_t* row = surface.address + static_cast<size_t>(y) * surface.pitch;
      const int shift = surface.format == PixelFormat::kYuy2 ? 1 : 0;
      for (uint32_t x = 0; x < surface.width * 2; ++x) row[x] = kBlackUnit[(x + static_cast<uint32_t>(shift)) % 4];
    }
  }
  for (size_t k = 0; k < cells_.size(); ++k) {
    const int32_t input = cells_[k].input;
    const bool progressive = input >= 0 && settings.scanModes[static_cast<size_t>(input)] == 1;
    WriteCell(cells_[k], progressive, surface);
  }
  ++fieldsWritten_;
  return true;
}

void LiveEngine::LayoutCells(const Settings& settings, const Surface& surface) {
  if (laidShape_ == settings.shape && laidWidth_ == surface.width && laidHeight_ == surface.height &&
      laidFormat_ == surface.format)
    return;
  const ShapeLayout& layout = LayoutOfShape(settings.shape);
  const int w = static_cast<int>(surface.width), h = static_cast<int>(surface.height), g = layout.grid;
  std::vector<Cell> cells(layout.cells.size());
  for (size_t k = 0; k < cells.size(); ++k) {
    const UnitCell& u = layout.cells[k];
    Cell& c = cells[k];
    c.x = (w * u.x / g) & ~1;
    c.y = h * u.y / g;
    c.w = ((w * (u.x + u.w) / g) & ~1) - c.x;
    c.h = h * (u.y + u.h) / g - c.y;
    const size_t bytes = static_cast<size_t>(c.w) * 2 * static_cast<size_t>(c.h);
    for (auto& field : c.fields) field.reset(new (std::nothrow) uint8_t[bytes]);
    if (!c.fields[0] || !c.fields[1]) {
      cells.clear();
      break;
    }
  }
  cells_ = std::move(cells);
  laidShape_ = settings.shape;
  laidWidth_ = surface.width;
  laidHeight_ = surface.height;
  laidFormat_ = surface.format;
}

// Copies a cell into the surface; an interlaced input's odd lines come from
// the previous field, so whatever moves shows combing.
void LiveEngine::WriteCell(Cell& cell, bool progressive, const Surface& surface) const {
  if (cell.input < 0) return;
  const size_t rowBytes = static_cast<size_t>(cell.w) * 2;
  const uint8_t* current = cell.fields[cell.current].get();
  const uint8_t* previous = cell.fields[cell.current ^ 1].get();
  for (int y = 0; y < cell.h; ++y) {
    const uint8_t* source = (progressive || y % 2 == 0 ? current : previous) + static_cast<size_t>(y) * rowBytes;
    uint8_t* row = surface.address + static_cast<size_t>(cell.y + y) * surface.pitch + static_cast<size_t>(cell.x) * 2;
    std::memcpy(row, source, rowBytes);
  }
}

}  // namespace nuvixsim
