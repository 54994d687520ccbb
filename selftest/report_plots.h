// The plots of the self-test report, drawn with cairo into SVG documents:
// what was measured against what the board was asked for, with named axes
// and units. Each returns a whole SVG document, or an empty string when
// cairo could not draw it.
#pragma once

#include <string>

#include "measurements.h"

// One video channel: its frame intervals over the measuring window against
// the slot plan's, and beside them a histogram of the intervals.
std::string FrameIntervalPlot(const IntervalSeries& frames);
// One audio input: 10 ms of its waveform, its spectrum with the loudest tone
// marked, and its block intervals against block samples / rate.
std::string AudioPlot(const AudioTrace& trace);
// Audio playback: the intervals between refill requests against a half's duration.
std::string RefillPlot(const IntervalSeries& refills);
// Serial port: each byte's round trip against its own time on the line.
std::string RoundTripPlot(const IntervalSeries& trips);
// Digital I/O: which inputs answered which output, as a grid.
std::string IoMapPlot(const IoMap& map);
