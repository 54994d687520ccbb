// Audio capture and playback, the serial port, digital I/O, watchdog and EEPROM.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "block_tests.h"
#include "board_tables.h"
#include "call_counter.h"
#include "text_format.h"
#include "tone_spectrum.h"

namespace {

using std::chrono::milliseconds;
using Clock = BoardUnderTest::Clock;

constexpr uint32_t kSampleRates[5] = {0, 8000, 11025, 16000, 22050};
constexpr uint32_t kBlockUnits = 64;
constexpr double kCadenceTolerance = 0.10;

unsigned long Address(const void* p) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)); }

// Each audio channel takes the rates in turn, so one pass covers every rate.
uint32_t RateIndex(uint32_t channel) { return channel % 4 + 1; }

// Bytes of one captured sound block.
uint32_t SoundBlockBytes(int32_t model) { return IsQlaModel(model) ? 16384 : kBlockUnits * 128; }

constexpr size_t kSpectrumBins = 256;

// The latest of the first two blocks an input delivered: a converter's first
// block may still hold its start. Written by the channel's worker until it stops.
struct HeardBlock {
  std::vector<int16_t> samples;
  std::atomic<uint32_t> copies{0};

  CallCounter::OnReturn Copier() {
    return [this](uintptr_t address) {
      if (copies.load() >= 2) return;
      std::memcpy(samples.data(), reinterpret_cast<const void*>(address), samples.size() * sizeof(int16_t));
      copies.fetch_add(1);
    };
  }
};

// What an input heard: 10 ms of it, its spectrum, and its block intervals.
AudioTrace Trace(uint32_t channel, const HeardBlock& heard, const CallCounter& counter, double blockMs) {
  const uint32_t rate = kSampleRates[RateIndex(channel)];
  AudioTrace trace;
  trace.channel = channel;
  trace.sampleRate = rate;
  if (heard.copies.load() > 0) {
    const size_t stretch = std::min<size_t>(rate / 100, heard.samples.size());
    trace.samples.assign(heard.samples.begin(), heard.samples.begin() + static_cast<ptrdiff_t>(stretch));
    ToneSpectrum spectrum = AnalyseSpectrum(heard.samples, rate, kSpectrumBins);
    trace.binHz = spectrum.binHz;
    trace.levelDb = std::move(spectrum.levelDb);
    trace.peakHz = spectrum.peakHz;
  }
  trace.blocks.channel = channel;
  trace.blocks.expectedMs = blockMs;
  trace.blocks.ms = counter.IntervalsMs();
  return trace;
}

// Every audio channel at once: each must deliver its blocks at samples / rate.
TestOutcome CaptureEveryAudioChannel(BoardUnderTest& board, uint32_t channels) {
  const uint32_t b = board.Index();
  const double blockSamples = SoundBlockBytes(board.Model()) / 2.0;
  // The fewer returns of --quick still measure one whole interval.
  const uint32_t needed = board.Quick() ? 2 : 4;
  std::vector<std::unique_ptr<HeardBlock>> heard;
  std::vector<std::unique_ptr<CallCounter>> counters;
  std::vector<uint32_t> started;
  TestOutcome outcome = Passed();
  for (uint32_t c = 0; c < channels && outcome.verdict == Verdict::kOk; ++c) {
    const uint32_t rate = RateIndex(c);
    auto block = std::make_unique<HeardBlock>();
    block->samples.resize(static_cast<size_t>(blockSamples));
    // Waiting before the transfer starts: no blocks pile up ahead of the first wait.
    auto counter = std::make_unique<CallCounter>();
    counter->Start({.kind = CCaptThread::SoundWait, .board = static_cast<int32_t>(b), .channel = static_cast<int32_t>(c)},
                   block->Copier());
    if (!board.Call(NUVIXI_CaptureAudioTransferON(b, c, rate, kBlockUnits), "NUVIXI_CaptureAudioTransferON(%X,%X,%X,%X)", b,
                    c, rate, kBlockUnits)) {
      outcome = board.LastFailure();
      break;
    }
    started.push_back(c);
    counters.push_back(std::move(counter));
    heard.push_back(std::move(block));
  }
  const double slowestMs = blockSamples * 1000.0 / kSampleRates[1];
  const auto window = milliseconds(static_cast<int64_t>(slowestMs * (needed + 0.5)) + 300);
  const Clock::time_point deadline = Clock::now() + window;
  for (auto& counter : counters) counter->WaitFor(needed, deadline);
  for (auto& counter : counters) counter->Stop();
  std::string problems;
  for (size_t k = 0; k < started.size(); ++k) {
    const uint32_t c = started[k];
    const double wantedMs = blockSamples * 1000.0 / kSampleRates[RateIndex(c)];
    const CallCounter& counter = *counters[k];
    board.Measured().audio.push_back(Trace(c, *heard[k], counter, wantedMs));
    std::string problem;
    if (counter.Count() < needed)
      problem = TextFormat("channel %u: %u blocks within %lld ms, %u expected", c, counter.Count(),
                       static_cast<long long>(window.count()), needed);
    else if (std::abs(counter.MeanIntervalMs() - wantedMs) > wantedMs * kCadenceTolerance)
      problem = TextFormat("channel %u: a block every %.0f ms at %u Hz, %.0f expected", c, counter.MeanIntervalMs(),
                       kSampleRates[RateIndex(c)], wantedMs);
    if (!problem.empty()) problems += (problems.empty() ? "" : "; ") + problem;
    board.Call(NUVIXI_CaptureAudioTransferOFF(b, c), "NUVIXI_CaptureAudioTransferOFF(%X,%X)", b, c);
  }
  if (outcome.verdict != Verdict::kOk) return outcome;
  if (!problems.empty()) return Failed(problems);
  return Passed(TextFormat("%u channels, %.0f-byte blocks at 8000..22050 Hz", channels, blockSamples * 2));
}

// Plays a tone through both halves of the board's buffer, refilling each half
// as the board asks for it; the requests must come once per half's duration.
TestOutcome PlayTone(BoardUnderTest& board) {
  constexpr uint32_t kRate = 1, kFactor = 4;  // 8000 Hz, halves of 2048 bytes
  const uint32_t b = board.Index(), halfBytes = kFactor * 512;
  const double halfMs = halfBytes / 2 * 1000.0 / kSampleRates[kRate];
  std::vector<int16_t> tone(halfBytes / 2);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(8000 * std::sin(i * 2 * std::numbers::pi * 500 / kSampleRates[kRate]));
  auto load = [&board, b, halfBytes, data = tone.data()](uint32_t half) {
    const uint32_t offset = half % 2 ? halfBytes : 0;
    return board.Call(NUVIXI_APLAY_LOAD(b, kRate, offset, data, halfBytes), "NUVIXI_APLAYLOAD(%X,%X,%X,%X,%X)", b, kRate,
                      offset, static_cast<uint32_t>(Address(data)), halfBytes);
  };
  if (!load(0) || !load(1)) {
    board.Call(NUVIXI_APLAY_OFF(b), "NUVIXI_APLAY_OFF(%X)", b);
    return board.LastFailure();
  }
  std::atomic<uint32_t> next{2}, failedLoads{0};
  CallCounter refills;
  refills.Start({.kind = CCaptThread::AudioPlay, .board = static_cast<int32_t>(b), .channel = 16,
                 .playArg1 = kRate, .playArg2 = kFactor},
                [&](uintptr_t) {
                  if (!load(next.fetch_add(1))) ++failedLoads;
                });
  const uint32_t needed = board.Quick() ? 4 : 8;
  const auto window = milliseconds(static_cast<int64_t>(halfMs * (needed + 2)) + 300);
  refills.WaitFor(needed, Clock::now() + window);
  refills.Stop();
  board.Measured().refills.emplace().expectedMs = halfMs;
  board.Measured().refills->ms = refills.IntervalsMs();
  const bool stopped = board.Call(NUVIXI_APLAY_OFF(b), "NUVIXI_APLAY_OFF(%X)", b);
  if (failedLoads.load() != 0) return board.LastFailure();
  if (refills.Count() < needed)
    return Failed(TextFormat("%u refill requests within %lld ms, %u expected", refills.Count(), static_cast<long long>(window.count()), needed));
  if (std::abs(refills.MeanIntervalMs() - halfMs) > halfMs * kCadenceTolerance)
    return Failed(TextFormat("a refill every %.0f ms, %.0f expected", refills.MeanIntervalMs(), halfMs));
  if (!stopped) return board.LastFailure();
  return Passed(TextFormat("a refill every %.0f ms at 8000 Hz", refills.MeanIntervalMs()));
}

// Sends one byte of a line and waits for it to come back, timing the round
// trip. Nothing back for the first byte means no loopback plug.
TestOutcome EchoByte(BoardUnderTest& board, const char* line, uint32_t k, std::vector<double>& tripsMs) {
  const uint32_t b = board.Index();
  const Clock::time_point sent = Clock::now();
  if (!board.Call(NUVIXI_RUART_WRITE(b, line + k, 1, 5000), "NUVIXI_RUART_WRITE(%X,%lX,%X,%X)", b, Address(line + k), 1u, 5000u))
    return board.LastFailure();
  char echo = 0;
  const uint32_t result = NUVIXI_RUART_READ(b, &echo, 1, 500);
  const double tripMs = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
  if (result == NUVIXI_TIMEOUT)
    return k == 0 ? Skipped("nothing came back within 500 ms: no loopback plug")
                  : Failed(TextFormat("byte %u did not come back within 500 ms", k));
  if (!board.Call(result, "NUVIXI_RUART_READ(%X,%lX,%X,%X)", b, Address(&echo), 1u, 500u)) return board.LastFailure();
  tripsMs.push_back(tripMs);
  if (echo != line[k]) return Failed("the bytes that came back differ from those sent");
  return Passed();
}

// Sends a line byte by byte and expects each back through the test plug; a
// port nothing answers on is skipped. The port is left at its start
// configuration.
TestOutcome SerialLoopback(BoardUnderTest& board) {
  const uint32_t b = board.Index();
  constexpr uint32_t kBaud = 5, kBaudRate = 38400, kParity = 1;  // none
  if (!board.Call(NUVIXI_RUART_CONFIG(b, kBaud, kParity), "NUVIXI_RUART_CONFIG(%X,%X,%X)", b, kBaud, kParity))
    return board.LastFailure();
  uint8_t stale[256];
  for (uint32_t waiting; (waiting = NUVIXI_RUART_QUERY_RXBUFSIZE(b)) > 0;)
    if (NUVIXI_RUART_READ(b, stale, std::min<uint32_t>(waiting, sizeof stale), 100) != NUVIXI_SUCCESS) break;
  static constexpr char kLine[] = "NUVIX SELF-TEST\r\n";
  const auto length = static_cast<uint32_t>(sizeof kLine - 1);
  // Start, 8 data and stop bits.
  IntervalSeries trips;
  trips.expectedMs = 10 * 1000.0 / kBaudRate;
  TestOutcome outcome = Passed();
  for (uint32_t k = 0; k < length && outcome.verdict == Verdict::kOk; ++k) outcome = EchoByte(board, kLine, k, trips.ms);
  if (outcome.verdict == Verdict::kOk) outcome = Passed(TextFormat("%u bytes looped back at %u baud", length, kBaudRate));
  if (!trips.ms.empty()) board.Measured().roundTrips = std::move(trips);
  if (!board.Call(NUVIXI_RUART_CONFIG(b, 3, 1), "NUVIXI_RUART_CONFIG(%X,%X,%X)", b, 3u, 1u) && outcome.verdict == Verdict::kOk)
    outcome = board.LastFailure();
  return outcome;
}

bool ReadInputs(BoardUnderTest& board, uint32_t inputs[32]) {
  uint8_t buffer[168] = {};
  const uint32_t b = board.Index();
  if (!board.Call(NUVIXI_DIGITALIN_SIGNAL(b, buffer), "NUVIXI_DIGITALIN_SIGNAL(%X,%lX)", b, Address(buffer))) return false;
  std::memcpy(inputs, buffer, 32 * sizeof(uint32_t));
  return true;
}

bool WriteOutputs(BoardUnderTest& board, const uint32_t outputs[32]) {
  const uint32_t b = board.Index();
  return board.Call(NUVIXI_DIGITALOUT_SIGNAL(b, outputs), "NUVIXI_DIGITALOUT_SIGNAL(%X, %lX)", b, Address(outputs));
}

// Each output on alone in turn: with a test plug exactly its own input
// follows; inputs that follow none mean no plug. Maps every input to the
// outputs it answered, so a crossed or shorted line shows where it is.
TestOutcome DigitalLoopback(BoardUnderTest& board) {
  IoMap map{};
  TestOutcome outcome = Passed("32 outputs read back through the test plug");
  for (uint32_t on = 0; on < 32 && outcome.verdict == Verdict::kOk; ++on) {
    uint32_t outputs[32] = {}, inputs[32];
    outputs[on] = 1;
    if (!WriteOutputs(board, outputs) || !ReadInputs(board, inputs)) {
      outcome = board.LastFailure();
      break;
    }
    for (uint32_t k = 0; k < 32; ++k) map[on] |= (inputs[k] != 0 ? 1u : 0u) << k;
  }
  const uint32_t rest[32] = {};
  if (!WriteOutputs(board, rest) && outcome.verdict == Verdict::kOk) outcome = board.LastFailure();
  if (outcome.verdict != Verdict::kOk) return outcome;
  board.Measured().ioMap = map;
  uint32_t followed = 0;
  for (uint32_t k = 0; k < 32; ++k) {
    uint32_t answered = 0;  // the outputs input k read 1 for
    for (uint32_t on = 0; on < 32; ++on) answered |= (map[on] >> k & 1u) << on;
    if (answered == 1u << k) followed |= 1u << k;
  }
  if (followed == 0) return Skipped("no input follows the outputs: no test plug");
  if (followed != UINT32_MAX) return Failed(TextFormat("inputs that do not follow their outputs: %08X", ~followed));
  return outcome;
}

TestOutcome ArmAndDisarm(BoardUnderTest& board) {
  const uint32_t b = board.Index();
  // The longest time-out, disarmed at once: the test can never reset the machine.
  constexpr uint32_t kSeconds = 250;
  if (!board.Call(NUVIXI_WDOGEnable(b, kSeconds), "NUVIXI_WDOGEnable(%X,%X)", b, kSeconds)) {
    board.Call(NUVIXI_WDOGDisable(b), "NUVIXI_WDOGDisable(%X)", b);
    return board.LastFailure();
  }
  if (!board.Call(NUVIXI_WDOGDisable(b), "NUVIXI_WDOGDisable(%X)", b)) return board.LastFailure();
  return Passed();
}

TestOutcome ReadEeprom(BoardUnderTest& board) {
  const auto& key = board.Options().eepromKey;
  if (!key) return Skipped("no --eeprom-key given");
  uint8_t block[16] = {};
  const uint32_t b = board.Index();
  if (!board.Call(NUVIXI_EEPROM_READ_Control(b, key->data(), block), "NUVIXI_EEPROM_READ_Control(%X,%lX,%lX)", b,
                  Address(key->data()), Address(block)))
    return board.LastFailure();
  std::string hex;
  for (uint8_t byte : block) hex += TextFormat("%02X", byte);
  return Passed(hex);
}

}  // namespace

void TestAudioCapture(BoardUnderTest& board) {
  const uint32_t channels = board.AudioChannels();
  board.Run("audio capture", "cadence", [&] {
    return channels == 0 ? Skipped("the board has no audio inputs") : CaptureEveryAudioChannel(board, channels);
  });
}

void TestAudioPlayback(BoardUnderTest& board) {
  board.Run("audio playback", "refill pacing", [&] {
    return IsQlaModel(board.Model()) ? Skipped("no audio playback on QLA models") : PlayTone(board);
  });
}

void TestSerialPort(BoardUnderTest& board) { board.Run("serial port", "loopback", [&] { return SerialLoopback(board); }); }
void TestDigitalIo(BoardUnderTest& board) { board.Run("digital I/O", "outputs to inputs", [&] { return DigitalLoopback(board); }); }
void TestWatchdog(BoardUnderTest& board) { board.Run("watchdog", "arm and disarm", [&] { return ArmAndDisarm(board); }); }
void TestEeprom(BoardUnderTest& board) { board.Run("EEPROM", "read", [&] { return ReadEeprom(board); }); }
