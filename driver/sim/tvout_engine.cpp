#include "tvout_engine.h"

#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <system_error>

#include "clock_thread.h"
#include "nuvixi.h"
#include "y4m_stream.h"

namespace nuvixsim {
namespace {

constexpr uint16_t kGreyWord = 0x8080;

// One board of the process streams its output to NUVIXI_SIM_TVOUT at a time.
std::atomic<bool> g_streamClaimed{false};

// One output line: the OSD word where it is not transparent, else the image's,
// into the picture and into the line's place in the merged surface. See
// ComposeDivision for why the race detector does not watch it.
__attribute__((no_sanitize("thread"))) void ComposeLine(const uint16_t* __restrict over,
                                                         const uint16_t* __restrict under, uint16_t* __restrict out,
                                                         uint16_t* __restrict field, int width) {
  for (int j = 0; j < width; ++j) {
    const uint16_t word = over[j] == TvOutEngine::kTransparent ? under[j] : over[j];
    out[j] = word;
    field[j] = word;
  }
}

bool IsQla(int32_t model) { return model >= NUVIXI_MODEL_QLA04 && model <= NUVIXI_MODEL_QLA16; }

std::unique_ptr<uint16_t[]> Allocate(size_t words, uint16_t fill) {
  std::unique_ptr<uint16_t[]> surface(new (std::nothrow) uint16_t[words]);
  if (surface) std::fill_n(surface.get(), words, fill);
  return surface;
}

}  // namespace

TvOutEngine::TvOutEngine(const NUVIXI_SIM_BOARD& config, std::shared_ptr<PinaxEngine> pinax)
    : config_(config), pinax_(std::move(pinax)) {}

TvOutEngine::~TvOutEngine() { Close(); }

uint32_t TvOutEngine::Open(uint32_t standard) {
  std::lock_guard control(control_);
  const int lines = standard == NUVIXI_STANDARD_NTSC ? 480 : 576;
  auto picture = Allocate(static_cast<size_t>(kWidth) * lines, kGreyWord);
  if (!picture) return NUVIXI_ERR_MALLOC;
  {
    std::lock_guard lock(mutex_);
    open_ = true;
    lines_ = lines;
    rate_ = standard == NUVIXI_STANDARD_NTSC ? 30 : 25;
    openedAt_ = Clock::now();
  }
  {
    std::lock_guard lock(pictureMutex_);
    picture_ = std::move(picture);
    pictureLines_ = lines;
    pictures_ = 0;
  }
  changed_ = true;
  try {
    StartClockThread(clock_, mutex_, stopClock_, [this] { RunClock(); });
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    open_ = false;
    return NUVIXI_ERR_MALLOC;
  }
  return NUVIXI_SUCCESS;
}

void TvOutEngine::Close() {
  std::lock_guard control(control_);
  StopClockThread(clock_, mutex_, wake_, stopClock_);
  Surfaces freed;
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    divisionOn_ = false;
    freed = std::move(surfaces_);
  }
}

uint32_t TvOutEngine::DivisionOn(void** merged, void** image, void** osd) {
  // On a QLA board the same call switches the live display's on-screen text.
  if (IsQla(config_.modelCode)) return NUVIXI_ERR_FUNCTION_BLOCK;
  if (!merged || !image || !osd) return NUVIXI_ERR_INVALID_ARGUMENT;
  // control_ keeps the board from closing or opening in another standard
  // meanwhile: surfaces are never made for a closed board.
  std::lock_guard control(control_);
  {
    std::lock_guard lock(mutex_);
    if (!open_) return NUVIXI_ERR_NOT_OPEN;
  }
  if (!AllocateSurfaces()) return NUVIXI_ERR_MALLOC;
  {
    std::lock_guard lock(mutex_);
    *merged = surfaces_.merged.get();
    *image = surfaces_.image.get();
    *osd = surfaces_.osd.get();
    divisionOn_ = true;
  }
  changed_ = true;
  return NUVIXI_SUCCESS;
}

// Surfaces live from the first switch-on until the board closes: a renderer
// may still draw into them after the output was switched off, and a second
// switch-on hands out the same ones.
bool TvOutEngine::AllocateSurfaces() {
  size_t words;
  {
    std::lock_guard lock(mutex_);
    if (surfaces_.merged) return true;
    words = SurfaceWords();
  }
  Surfaces fresh{Allocate(words, kGreyWord), Allocate(words, kGreyWord), Allocate(words, kTransparent)};
  if (!fresh.merged || !fresh.image || !fresh.osd) return false;
  std::lock_guard lock(mutex_);
  surfaces_ = std::move(fresh);
  return true;
}

uint32_t TvOutEngine::DivisionUpdate() {
  if (!divisionOn_.load(std::memory_order_relaxed)) return NUVIXI_ERR_NOT_STARTED;
  changed_.store(true, std::memory_order_relaxed);
  return NUVIXI_SUCCESS;
}

uint32_t TvOutEngine::DivisionOff() {
  if (IsQla(config_.modelCode)) return NUVIXI_ERR_FUNCTION_BLOCK;
  divisionOn_ = false;
  changed_ = true;
  return NUVIXI_SUCCESS;
}

bool TvOutEngine::ReadPicture(uint8_t* buffer, size_t size, uint32_t& lines, uint64_t& pictures) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
  }
  std::lock_guard lock(pictureMutex_);
  if (!picture_) return false;
  const size_t bytes = static_cast<size_t>(kWidth) * pictureLines_ * 2;
  if (buffer) std::memcpy(buffer, picture_.get(), std::min(size, bytes));
  lines = static_cast<uint32_t>(pictureLines_);
  pictures = pictures_;
  return true;
}

bool TvOutEngine::ClockCpuTime(uint64_t& nanoseconds) {
  std::lock_guard control(control_);
  return ClockThreadCpuTime(clock_, nanoseconds);
}

void TvOutEngine::RunClock() {
  pthread_setname_np(pthread_self(), "nuvixi tvout");
  // The stream lives on this thread: its writes may wait for a slow viewer,
  // which must hold up nothing but the stream.
  std::optional<Y4mStream> stream;
  const char* path = std::getenv("NUVIXI_SIM_TVOUT");
  bool claimed = false;
  if (path && *path && !g_streamClaimed.exchange(true)) {
    claimed = true;
    stream.emplace(path, kWidth, lines_, rate_, kFileSeconds);
  }
  std::unique_lock lock(mutex_);
  const uint64_t perSecond = rate_;
  auto timeOf = [&](uint64_t tick) {
    return openedAt_ + std::chrono::nanoseconds((tick * 1000000000u + perSecond - 1) / perSecond);
  };
  auto tickAt = [&](Clock::time_point t) {
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t - openedAt_).count();
    return ns <= 0 ? uint64_t{0} : static_cast<uint64_t>(ns) * perSecond / 1000000000u;
  };
  for (uint64_t tick = tickAt(Clock::now()) + 1;; ++tick) {
    if (wake_.wait_until(lock, timeOf(tick), [this] { return stopClock_; })) break;
    // More than a second late (the process was stopped): the missed pictures are skipped.
    if (const uint64_t now = tickAt(Clock::now()); now > tick + perSecond) tick = now;
    lock.unlock();
    ComposeTick(tick);
    if (stream) stream->Write(reinterpret_cast<const uint8_t*>(picture_.get()));
    lock.lock();
  }
  lock.unlock();
  stream.reset();
  if (claimed) g_streamClaimed = false;
}

void TvOutEngine::ComposeTick(uint64_t tick) {
  uint16_t *image = nullptr, *osd = nullptr, *merged = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (divisionOn_) {
      image = surfaces_.image.get();
      osd = surfaces_.osd.get();
      merged = surfaces_.merged.get();
    }
  }
  // The division picture is composed when it changed; the multiplexer's
  // camera moves, so its picture is drawn at every period.
  const bool changed = changed_.exchange(false);
  if (image && !changed) return;
  std::lock_guard lock(pictureMutex_);
  if (image)
    ComposeDivision(image, osd, merged);
  else
    FillMuxPicture(tick);
  ++pictures_;
}

void TvOutEngine::FillMuxPicture(uint64_t tick) {
  const PinaxEngine::TvOut state = pinax_->TvOutState();
  auto* out = reinterpret_cast<uint8_t*>(picture_.get());
  if (!mux_.Render(out, lines_, state.camera[0], state.osd[0], state.osd[1], muxFrames_++, tick, rate_))
    std::fill_n(picture_.get(), SurfaceWords(), kGreyWord);
}

// The OSD surface lies bottom line first and covers the image wherever it is
// not the transparent word; the merged surface takes the result as two fields
// (even lines, then odd lines). The board reads the surfaces while the
// renderer writes them, as its DMA does: a picture may mix two frames of a
// cell, never memory outside the surfaces, so the race detector is told not
// to watch these reads.
__attribute__((no_sanitize("thread"))) void TvOutEngine::ComposeDivision(const uint16_t* image, const uint16_t* osd,
                                                                         uint16_t* merged) {
  const int lines = lines_;
  const size_t fieldWords = SurfaceWords() / 2;
  for (int i = 0; i < lines; ++i) {
    const uint16_t* over = osd + static_cast<size_t>(lines - 1 - i) * kWidth;
    const uint16_t* under = image + static_cast<size_t>(i) * kWidth;
    uint16_t* field = merged + static_cast<size_t>(i / 2) * kWidth + (i % 2 ? fieldWords : 0);
    ComposeLine(over, under, picture_.get() + static_cast<size_t>(i) * kWidth, field, kWidth);
  }
}

}  // namespace nuvixsim
