// The spectrum of a stretch of 16-bit audio samples and the strongest tone
// in it, for the audio test's report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ToneSpectrum {
  double binHz = 0;             // bin j covers j x binHz up to (j + 1) x binHz
  std::vector<double> levelDb;  // per bin, dB of full scale (a full-scale sine reads 0)
  double peakHz = 0;            // 0 when the stretch is silent or too short
};

// Analyses the longest power-of-two stretch from the start of samples
// (Hann window) and folds the levels into bins bins from 0 Hz to half the
// rate, each the loudest it covers, so a narrow tone keeps its height. The
// peak is placed between FFT bins by a parabola through the three loudest.
ToneSpectrum AnalyseSpectrum(const std::vector<int16_t>& samples, uint32_t sampleRate, size_t bins);
