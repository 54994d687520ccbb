// Video capture, frame slots, compression, live display and screen division.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "block_tests.h"
#include "board_tables.h"
#include "call_counter.h"
#include "text_format.h"
#include "chromix.h"
#include "frame_slot_scheduler.h"
#include "h263_context.h"
#include "h263_decoder.h"
#include "mjpg_context.h"
#include "nuvix_wintypes.h"

namespace {

using std::chrono::milliseconds;
using Clock = BoardUnderTest::Clock;

constexpr uint32_t kCaptureSize = 8;  // 352 x 240 (288): small enough for every channel at once
constexpr const char* kFormatNames[3] = {"UYVY", "Y41P", "YUY2"};
constexpr double kRateTolerance = 0.10;

uint32_t SlotsPerSecond(const BoardUnderTest& board) { return board.Ntsc() ? 30 : 25; }

// True when every sample of a frame of the asked size and format lies in the
// studio range: luma 16..235, chroma 16..240.
bool FrameInRange(const uint8_t* frame, uint32_t width, uint32_t height, uint32_t format) {
  const bool y41p = format == 1;
  const size_t rowBytes = y41p ? (width + 7) / 8 * 12 : width * 2;
  for (size_t i = 0; i < rowBytes * height; ++i) {
    const size_t k = y41p ? i % 12 : i % 4;
    const bool luma = y41p ? (k % 2 == 1 || k >= 8) : (format == 2 ? k % 2 == 0 : k % 2 == 1);
    if (frame[i] < 16 || frame[i] > (luma ? 235 : 240)) return false;
  }
  return true;
}

using SlotPlan = std::vector<int32_t>;  // the channel of each slot of a second
using PlannedIntervals = std::array<std::vector<double>, kMaxChannels>;

// Programs the slots of the group of channel so that each requested channel
// gets its rate (QLA: one slot list per channel); the plan, or nothing when
// a call was refused.
std::optional<SlotPlan> ProgramGroup(BoardUnderTest& board, uint32_t channel, const int32_t requests[kMaxChannels]) {
  nuvix::FrameSlotScheduler scheduler;
  const uint32_t slotCount = SlotsPerSecond(board);
  scheduler.SetupAttribute(slotCount, kMaxChannels, NUVIXI_EMPTY_SLOT);
  SlotPlan slots(nuvix::FrameSlotScheduler::kMaxSlots);
  scheduler.ComputeSlots(requests, slots.data());
  slots.resize(slotCount);
  const uint32_t b = board.Index();
  if (!IsQlaModel(board.Model())) {
    const uint32_t group = board.Caps().GroupPosition(channel);
    if (!board.Call(NUVIXI_VideoSliceCtrl(b, group, slots.data(), slotCount, 0), "NUVIXI_VideoSliceCtrl(%X,%X,%lX,%X,%X)", b,
                    group, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(slots.data())), slotCount, 0u))
      return std::nullopt;
    return slots;
  }
  for (uint32_t c : board.Caps().GroupChannels(channel)) {
    if (requests[c] == 0) continue;
    int32_t own[nuvix::FrameSlotScheduler::kMaxSlots];
    for (uint32_t s = 0; s < slotCount; ++s)
      own[s] = slots[s] == static_cast<int32_t>(c) ? slots[s] : static_cast<int32_t>(NUVIXI_EMPTY_SLOT);
    if (!board.Call(NUVIXI_VideoSliceCtrl(b, c, own, slotCount, 0), "NUVIXI_VideoSliceCtrl(%X,%X,%lX,%X,%X)", b, c,
                    static_cast<unsigned long>(reinterpret_cast<uintptr_t>(own)), slotCount, 0u))
      return std::nullopt;
  }
  return slots;
}

// The intervals between the slots a plan gives channel, in milliseconds,
// from its first slot round to its first slot of the next second.
std::vector<double> PlannedIntervalsMs(const SlotPlan& plan, uint32_t channel) {
  std::vector<size_t> own;
  for (size_t s = 0; s < plan.size(); ++s)
    if (plan[s] == static_cast<int32_t>(channel)) own.push_back(s);
  std::vector<double> intervals;
  const double slotMs = 1000.0 / static_cast<double>(plan.size());
  for (size_t k = 0; k < own.size(); ++k) {
    const size_t next = k + 1 < own.size() ? own[k + 1] : own[0] + plan.size();
    intervals.push_back(static_cast<double>(next - own[k]) * slotMs);
  }
  return intervals;
}

// Each channel of the group at its plan's intervals.
void AddPlan(PlannedIntervals& planned, const BoardUnderTest& board, uint32_t group, const SlotPlan& plan) {
  for (uint32_t c : board.Caps().GroupChannels(group)) planned[c] = PlannedIntervalsMs(plan, c);
}

// Channels capturing at once, each with its own counting worker; every
// transfer switched on is switched off again when this ends.
class CaptureRun {
 public:
  explicit CaptureRun(BoardUnderTest& board) : board_(board) {}
  ~CaptureRun() {
    for (Channel& channel : channels_) {
      channel.counter->Stop();
      board_.Call(NUVIXI_CaptureVideoTransferOFF(board_.Index(), channel.number), "NUVIXI_CaptureVideoTransferOFF(%X,%X)",
                  board_.Index(), channel.number);
    }
  }

  // Starts the channel at a size and colour format number; false on a refused call.
  // The worker waits before the transfer starts, so no frames pile up in the
  // ring before the first wait and arrive in one burst that would skew the rate.
  bool Start(uint32_t channel, uint32_t sizeIndex, uint32_t format, CallCounter::OnReturn onFrame = {}) {
    const uint32_t b = board_.Index();
    auto counter = std::make_unique<CallCounter>();
    counter->Start({.kind = CCaptThread::ImageWait, .board = static_cast<int32_t>(b), .channel = static_cast<int32_t>(channel)},
                   std::move(onFrame));
    if (!board_.Call(NUVIXI_CaptureVideoTransferON(b, channel, sizeIndex, format),
                     "NUVIXI_CaptureVideoTransferON(%X,%X,%X,%X)", b, channel, sizeIndex, format))
      return false;  // the counter's worker is stopped as it goes
    channels_.push_back({channel, std::move(counter)});
    return true;
  }

  // Waits until every channel has count frames or the deadline passed, then
  // stops the workers (breaking waits that never returned).
  void WaitAndStop(uint32_t count, Clock::time_point deadline) {
    for (Channel& channel : channels_) channel.counter->WaitFor(count, deadline);
    for (Channel& channel : channels_) channel.counter->Stop();
  }

  // Each channel's frame intervals against those its slot plan asks for.
  void RecordIntervals(Measurements& measured, const PlannedIntervals& planned) const {
    for (const Channel& channel : channels_) {
      const std::vector<double>& plan = planned[channel.number];
      const double mean = plan.empty() ? 0 : std::accumulate(plan.begin(), plan.end(), 0.0) / static_cast<double>(plan.size());
      measured.frames.push_back({channel.number, mean, plan, channel.counter->IntervalsMs()});
    }
  }

  const CallCounter& Counter(size_t k) const { return *channels_[k].counter; }
  uint32_t Number(size_t k) const { return channels_[k].number; }
  size_t Size() const { return channels_.size(); }

 private:
  struct Channel {
    uint32_t number;
    std::unique_ptr<CallCounter> counter;
  };
  BoardUnderTest& board_;
  std::vector<Channel> channels_;
};

// How many frames a channel at rate must bring and how long it may take:
// about a second's worth in --quick, more otherwise, and at least two.
struct Measure {
  uint32_t frames;
  milliseconds window;
};
Measure MeasureFor(const BoardUnderTest& board, double rate) {
  const double seconds = board.Quick() ? 1.2 : 2.5;
  const auto frames = static_cast<uint32_t>(2 + rate * seconds * 0.8);
  return {frames, milliseconds(static_cast<int64_t>((frames + 1) / rate * 1000) + 500)};
}

// The rate check of one channel: empty when within tolerance, else why not.
std::string RateProblem(const CallCounter& counter, uint32_t channel, double wanted, uint32_t needed, milliseconds window) {
  if (counter.Count() == 0) return TextFormat("channel %u: no frame within %lld ms", channel, static_cast<long long>(window.count()));
  if (counter.Count() < needed)
    return TextFormat("channel %u: %u frames within %lld ms, %u expected", channel, counter.Count(),
                  static_cast<long long>(window.count()), needed);
  // Two measures with different blind spots: from the first frame (exact for
  // any phase of the first frame, but fooled by a board that starts late and
  // catches up) and from the start (counts every frame, but the first frame's
  // phase is only known to half an interval). A wrong rate misses both.
  const double fromFirst = counter.RateAfterFirst();
  const double fromStart = (counter.Count() - 0.5) * 1000.0 / counter.SpanMs();
  const double rate = std::abs(fromFirst - wanted) < std::abs(fromStart - wanted) ? fromFirst : fromStart;
  if (std::abs(rate - wanted) > wanted * kRateTolerance)
    return TextFormat("channel %u: %.1f frames/s, %.0f programmed", channel, rate, wanted);
  return {};
}

TestOutcome CaptureEveryChannel(BoardUnderTest& board) {
  int32_t signal[32] = {};
  const uint32_t b = board.Index();
  if (!board.Call(NUVIXI_CAMERA_SIGNAL(b, signal), "NUVIXI_CAMERA_SIGNAL(%X,%lX)", b,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(signal))))
    return board.LastFailure();
  const uint32_t channels = board.CaptureChannels();
  const uint32_t width = ImageWidth(kCaptureSize), height = ImageHeight(kCaptureSize, board.Ntsc() ? 1 : 0);
  // Every channel of a group at an equal share of the group's slots.
  const auto rate = static_cast<int32_t>(SlotsPerSecond(board) / std::max<uint32_t>(1, board.Caps().GroupChannels(0).count));
  PlannedIntervals planned;
  for (uint32_t g = 0; g < std::min(channels, board.Caps().ChannelGroups()); ++g) {
    int32_t requests[kMaxChannels] = {};
    for (uint32_t c : board.Caps().GroupChannels(g)) requests[c] = rate;
    const std::optional<SlotPlan> plan = ProgramGroup(board, g, requests);
    if (!plan) return board.LastFailure();
    AddPlan(planned, board, g, *plan);
  }
  auto badFrames = std::make_shared<std::array<std::atomic<int>, kMaxChannels>>();
  CaptureRun run(board);
  for (uint32_t c = 0; c < channels; ++c) {
    const uint32_t format = c % 3;
    auto checkFirst = [badFrames, c, width, height, format, seen = std::make_shared<std::atomic<bool>>(false)](uintptr_t a) {
      if (seen->exchange(true)) return;
      if (!FrameInRange(reinterpret_cast<const uint8_t*>(a), width, height, format)) (*badFrames)[c] = 1;
    };
    if (!run.Start(c, kCaptureSize, format, checkFirst)) return board.LastFailure();
  }
  const auto [needed, window] = MeasureFor(board, rate);
  run.WaitAndStop(needed, Clock::now() + window);
  run.RecordIntervals(board.Measured(), planned);
  std::string problems;
  for (size_t k = 0; k < run.Size(); ++k) {
    std::string problem = RateProblem(run.Counter(k), run.Number(k), rate, needed, window);
    if (problem.empty() && (*badFrames)[run.Number(k)])
      problem = TextFormat("channel %u: %s frame samples outside the studio range", run.Number(k), kFormatNames[run.Number(k) % 3]);
    if (!problem.empty() && signal[run.Number(k)] == 0) problem += " (no camera signal)";
    if (!problem.empty()) problems += (problems.empty() ? "" : "; ") + problem;
  }
  if (!problems.empty()) return Failed(problems);
  return Passed(TextFormat("%u channels at %d frames/s, %ux%u UYVY/Y41P/YUY2", channels, rate, width, height));
}

// The first group's channels share the whole slot budget; both our count and
// the board's own rate read-out must match what was programmed.
TestOutcome FullGroupBudget(BoardUnderTest& board) {
  const uint32_t budget = SlotsPerSecond(board);
  const GroupChannelList group = board.Caps().GroupChannels(0);
  int32_t requests[kMaxChannels] = {};
  const uint32_t share = budget / group.count;
  for (uint32_t k = 0; k < group.count; ++k) requests[group.channels[k]] = static_cast<int32_t>(share + (k < budget % group.count));
  const std::optional<SlotPlan> plan = ProgramGroup(board, 0, requests);
  if (!plan) return board.LastFailure();
  PlannedIntervals planned;
  AddPlan(planned, board, 0, *plan);
  CaptureRun run(board);
  for (uint32_t c : group)
    if (!run.Start(c, kCaptureSize, 0)) return board.LastFailure();
  // The board's read-out covers the last full second, so the window is longer than one.
  const milliseconds window = std::max(MeasureFor(board, share).window, milliseconds(1300));
  run.WaitAndStop(UINT32_MAX, Clock::now() + window);
  run.RecordIntervals(board.Measured(), planned);
  int32_t fps[64] = {};
  const uint32_t b = board.Index();
  if (!board.Call(NUVIXI_GET_CaptureFPS(b, fps), "NUVIXI_GET_CaptureFPS(%X,%lX)", b,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(fps))))
    return board.LastFailure();
  std::string problems;
  for (size_t k = 0; k < run.Size(); ++k) {
    const uint32_t c = run.Number(k);
    std::string problem = RateProblem(run.Counter(k), c, requests[c], 2, window);
    if (problem.empty() && std::abs(fps[c] / 10.0 - requests[c]) > requests[c] * kRateTolerance)
      problem = TextFormat("channel %u: board reports %.1f frames/s, %d programmed", c, fps[c] / 10.0, requests[c]);
    if (!problem.empty()) problems += (problems.empty() ? "" : "; ") + problem;
  }
  if (!problems.empty()) return Failed(problems);
  return Passed(TextFormat("%u slots/s shared by %u channel(s)", budget, group.count));
}

// One captured frame of channel 0 at the test size, copied out of the board's buffer.
TestOutcome GrabFrame(BoardUnderTest& board, uint32_t format, std::vector<uint8_t>& frame) {
  const uint32_t width = ImageWidth(kCaptureSize), height = ImageHeight(kCaptureSize, board.Ntsc() ? 1 : 0);
  int32_t requests[kMaxChannels] = {};
  requests[0] = static_cast<int32_t>(SlotsPerSecond(board));
  if (!ProgramGroup(board, 0, requests)) return board.LastFailure();
  frame.assign(static_cast<size_t>(width) * height * 2, 0);
  auto copied = std::make_shared<std::atomic<bool>>(false);
  CaptureRun run(board);
  uint8_t* target = frame.data();
  const size_t bytes = frame.size();
  if (!run.Start(0, kCaptureSize, format, [copied, target, bytes](uintptr_t a) {
        if (!copied->load()) std::memcpy(target, reinterpret_cast<const void*>(a), bytes);
        copied->store(true);
      }))
    return board.LastFailure();
  const milliseconds window(1000);  // the channel has every slot of its group
  run.WaitAndStop(1, Clock::now() + window);
  if (!copied->load()) return Failed(TextFormat("channel 0: no frame within %lld ms", static_cast<long long>(window.count())));
  return Passed();
}

TestOutcome MjpgRoundTrip(BoardUnderTest& board) {
  std::vector<uint8_t> frame;
  if (TestOutcome grabbed = GrabFrame(board, 0, frame); grabbed.verdict != Verdict::kOk) return grabbed;
  const auto width = static_cast<int32_t>(ImageWidth(kCaptureSize));
  const auto height = static_cast<int32_t>(ImageHeight(kCaptureSize, board.Ntsc() ? 1 : 0));
  nuvix::MjpgContext coder, decoder;
  coder.OpenCodec(0);
  decoder.OpenCodec(nuvix::MjpgContext::kPlayChannel);
  if (!coder.codec() || !decoder.codec()) return Failed("no MJPG codec could be opened");
  coder.SetInput(width, height, NUVIXI_FOURCC_UYVY);
  int32_t size = 0;
  HANDLE record = coder.Compress(frame.data(), 7500, &size);
  if (!record) return Failed("the MJPG codec coded nothing");
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(record));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  HANDLE picture = decoder.Decompress(&header, bytes + bytes[0]);
  GlobalUnlock(record);
  GlobalFree(record);
  if (!picture) return Failed(TextFormat("our MJPG decoder refused a %d-byte picture", size));
  BITMAPINFOHEADER shown;
  std::memcpy(&shown, GlobalLock(picture), sizeof shown);
  GlobalUnlock(picture);
  GlobalFree(picture);
  if (shown.biWidth != width || std::abs(shown.biHeight) != height)
    return Failed(TextFormat("decoded %dx%d, coded %dx%d", shown.biWidth, shown.biHeight, width, height));
  return Passed(TextFormat("%dx%d frame, %d bytes", width, height, size));
}

// Mean absolute difference of two planes of n samples.
double MeanDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / static_cast<double>(n);
}

// The grabbed frame coded as an intra picture, then again with its colour
// shifted under the same luma (an inter picture): both decode to what was
// coded in all three planes, so a coder that carries stale colour fails.
TestOutcome H263RoundTrip(BoardUnderTest& board) {
  std::vector<uint8_t> frame;
  if (TestOutcome grabbed = GrabFrame(board, 2, frame); grabbed.verdict != Verdict::kOk) return grabbed;
  const auto width = static_cast<int32_t>(ImageWidth(kCaptureSize));
  const auto height = static_cast<int32_t>(ImageHeight(kCaptureSize, board.Ntsc() ? 1 : 0));
  nuvix::H263Context coder;
  coder.CreateCodec(true);
  if (!coder.Encoder()) return Failed("no H.263 encoder could be made");
  coder.Setup(width, height);
  uint8_t* y = coder.YuvBuffer();
  const size_t luma = static_cast<size_t>(width) * height;
  const size_t chroma = luma / 4;
  CHROMIX_YUY2_TO_Y420(frame.data(), width, height, y, y + luma, y + luma + chroma, 0);
  const std::unique_ptr<CH263Decoder, void (*)(CH263Decoder*)> decoder(CreateCorvaneDecoder(),
                                                                        [](CH263Decoder* d) { d->Release(); });
  if (!decoder) return Failed("no H.263 decoder could be made");
  decoder->Init(0);
  std::vector<uint8_t> decoded(kH263MaxPictureBytes);
  const char* const kPlanes[] = {"luma", "Cb", "Cr"};
  const int kColourShift[] = {0, 20, -20};
  std::string figures;
  for (int picture = 0; picture < 2; ++picture) {
    if (picture == 1)
      for (int plane = 1; plane < 3; ++plane)
        for (uint8_t* p = y + luma + (plane - 1) * chroma; p != y + luma + plane * chroma; ++p)
          *p = static_cast<uint8_t>(std::clamp(*p + kColourShift[plane], 16, 240));
    int32_t bytes = 0;
    coder.EncodeFrame(4, &bytes);
    if (bytes <= static_cast<int32_t>(sizeof(BITMAPINFOHEADER))) return Failed("the H.263 encoder coded nothing");
    const int ok = decoder->Decode(coder.Record() + sizeof(BITMAPINFOHEADER), decoded.data(),
                                   bytes - static_cast<int32_t>(sizeof(BITMAPINFOHEADER)));
    if (!ok) return Failed(TextFormat("our H.263 decoder refused a %d-byte picture", bytes));
    const size_t offsets[] = {0, luma, luma + chroma};
    const size_t sizes[] = {luma, chroma, chroma};
    figures += TextFormat("%s%d bytes, within", picture ? "; " : "", bytes);
    for (int plane = 0; plane < 3; ++plane) {
      const double difference = MeanDifference(decoded.data() + offsets[plane], y + offsets[plane], sizes[plane]);
      if (difference > 8)
        return Failed(TextFormat("decoded %s of the %s picture differs by %.1f on average", kPlanes[plane],
                                 picture ? "recoloured" : "first", difference));
      figures += TextFormat(" %.1f", difference);
    }
  }
  return Passed(TextFormat("%dx%d frames (Y Cb Cr): %s", width, height, figures.c_str()));
}

// Whether the bytes at a surface differ from a snapshot (or, without one, from zero).
bool SurfaceChanged(const uint8_t* surface, size_t bytes, const std::vector<uint8_t>& before) {
  for (size_t i = 0; i < bytes; ++i)
    if (surface[i] != (before.empty() ? 0 : before[i])) return true;
  return false;
}

TestOutcome LiveIntoSurface(BoardUnderTest& board) {
  const uint32_t b = board.Index(), width = 720, height = board.Ntsc() ? 480 : 576, pitch = width * 2;
  const size_t bytes = static_cast<size_t>(pitch) * height;
  uint8_t* surface = board.KeepUntilClosed(bytes);
  if (!board.Call(NUVIXI_SetLiveVideoConfig(b, 0, width, height, NUVIXI_FOURCC_UYVY, surface, pitch),
                  "NUVIXI_SetLiveVideoConfig(%X,%X,%X,%X,%X,%llX,%X)", b, 0u, width, height, NUVIXI_FOURCC_UYVY,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(surface)), pitch))
    return board.LastFailure();
  const int32_t shape = 0, start = 0;
  if (!board.Call(NUVIXI_LiveVideoShape(b, 0, 0xFFFF, &shape, &start), "NUVIXI_LiveVideoShape  (%X,%X,%X)", b, 0u, 0u))
    return board.LastFailure();
  if (!board.Call(NUVIXI_LiveVideoTransferON(b, 0), "NUVIXI_LiveVideoTransferON(%X)", b)) return board.LastFailure();
  const Clock::time_point deadline = Clock::now() + milliseconds(1000);
  bool changed = false;
  while (!changed && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
    changed = SurfaceChanged(surface, bytes, {});
  }
  // The surface stays allocated until the board is closed, so a field still
  // being written after this cannot land in freed memory.
  const bool stopped = board.Call(NUVIXI_LiveVideoTransferOFF(b), "NUVIXI_LiveVideoTransferOFF(%X)", b);
  if (!changed) return Failed("the overlay surface did not change within 1000 ms");
  if (!stopped) return board.LastFailure();
  return Passed(TextFormat("%ux%u UYVY surface written", width, height));
}

TestOutcome ScreenDivision(BoardUnderTest& board) {
  const uint32_t b = board.Index();
  void* merged = nullptr;
  void* image = nullptr;
  void* osd = nullptr;
  if (!board.Call(NUVIXI_SQUAD_ON(b, &merged, &image, &osd), "NUVIXI_SQUAD_ON(%X,%llX,%llX,%llX)", b,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(merged)),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(image)),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(osd))))
    return board.LastFailure();
  TestOutcome outcome = Passed("3 surfaces handed out, update accepted");
  if (!merged || !image || !osd) {
    outcome = Failed("NUVIXI_SQUAD_ON handed out a null surface");
  } else {
    // One white line at the top of the picture, as a renderer would draw it.
    auto* line = static_cast<uint8_t*>(image);
    for (uint32_t x = 0; x < 720; ++x) std::memcpy(line + 4 * (x / 2), "\x80\xEB\x80\xEB", 4);
    if (!board.Call(NUVIXI_SQUAD_UPT(b), "NUVIXI_SQUAD_UPT(%X)", b)) outcome = board.LastFailure();
  }
  if (!board.Call(NUVIXI_SQUAD_OFF(b), "NUVIXI_SQUAD_OFF(%X)", b) && outcome.verdict == Verdict::kOk)
    outcome = board.LastFailure();
  return outcome;
}

}  // namespace

void TestVideoCapture(BoardUnderTest& board) { board.Run("video", "capture", [&] { return CaptureEveryChannel(board); }); }

void TestFrameSlots(BoardUnderTest& board) { board.Run("frame slots", "group budget", [&] { return FullGroupBudget(board); }); }

void TestCompression(BoardUnderTest& board) {
  board.Run("compression", "MJPG", [&] { return MjpgRoundTrip(board); });
  board.Run("compression", "H.263", [&] { return H263RoundTrip(board); });
}

void TestLiveDisplay(BoardUnderTest& board) {
  board.Run("live", "overlay DMA", [&] {
    return IsQlaModel(board.Model()) ? LiveIntoSurface(board) : Skipped("no live display on QCA models");
  });
}

void TestScreenDivision(BoardUnderTest& board) {
  board.Run("screen division", "surfaces and update", [&] {
    // On QLA boards the screen-division bit belongs to the live display.
    return IsQlaModel(board.Model()) ? Skipped("no screen division on QLA models") : ScreenDivision(board);
  });
}
