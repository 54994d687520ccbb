// What a self-test measured, kept beside its verdict for the report's plots
// and the JSON file. Times are in milliseconds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Intervals of one channel, in the order they came, against the interval
// the board was asked for.
struct IntervalSeries {
  uint32_t channel = 0;
  double expectedMs = 0;
  std::vector<double> plannedMs;  // video: the slot plan's intervals over one second, in order
  std::vector<double> ms;
};

// One audio input: the start of a captured block, its spectrum and the
// block cadence.
struct AudioTrace {
  uint32_t channel = 0;
  uint32_t sampleRate = 0;
  std::vector<int16_t> samples;
  double binHz = 0;              // the spectrum's bins, the first at 0 Hz
  std::vector<double> levelDb;   // per bin, dB of full scale
  double peakHz = 0;             // the strongest tone; 0 when nothing was heard
  IntervalSeries blocks;         // against block samples / sample rate
};

// Row o: bit i set when input i read 1 while output o alone was on.
using IoMap = std::array<uint32_t, 32>;

struct Measurements {
  std::vector<IntervalSeries> frames;        // video capture, frame slots: per channel
  std::vector<AudioTrace> audio;             // audio capture: per input
  std::optional<IntervalSeries> refills;     // audio playback: against a half's duration
  std::optional<IntervalSeries> roundTrips;  // serial port: per byte, against its time on the line
  std::optional<IoMap> ioMap;                // digital I/O

  bool Empty() const { return frames.empty() && audio.empty() && !refills && !roundTrips && !ioMap; }
};
