#include "tone_spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

using Complex = std::complex<double>;

constexpr double kFloorDb = -140;   // what an empty bin reads
constexpr double kSilenceDb = -100; // nothing louder: no tone
constexpr size_t kShortest = 64;

// In place, radix 2; the size is a power of two.
void Fft(std::vector<Complex>& values) {
  const size_t n = values.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(values[i], values[j]);
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const Complex step = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(length));
    for (size_t start = 0; start < n; start += length) {
      Complex turn = 1;
      for (size_t k = 0; k < length / 2; ++k, turn *= step) {
        const Complex a = values[start + k], b = values[start + k + length / 2] * turn;
        values[start + k] = a + b;
        values[start + k + length / 2] = a - b;
      }
    }
  }
}

// dB of full scale of bins 0..n/2 of a Hann-windowed stretch of n samples.
std::vector<double> Levels(const std::vector<int16_t>& samples, size_t n) {
  std::vector<Complex> values(n);
  for (size_t i = 0; i < n; ++i)
    values[i] = samples[i] * 0.5 * (1 - std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n)));
  Fft(values);
  // A full-scale sine: half the window's sum from each of its two bins.
  const double fullScale = 32768.0 * static_cast<double>(n) / 4;
  std::vector<double> levels(n / 2 + 1);
  for (size_t k = 0; k < levels.size(); ++k) {
    const double magnitude = std::abs(values[k]) / fullScale;
    levels[k] = magnitude > 0 ? std::max(kFloorDb, 20 * std::log10(magnitude)) : kFloorDb;
  }
  return levels;
}

// The loudest bin above the two the window spreads DC into, refined by a parabola.
double PeakBin(const std::vector<double>& levels) {
  const auto loudest = std::max_element(levels.begin() + 2, levels.end() - 1);
  if (*loudest < kSilenceDb) return 0;
  const double a = *(loudest - 1), b = *loudest, c = *(loudest + 1);
  const double curve = a - 2 * b + c;
  const double offset = curve < 0 ? 0.5 * (a - c) / curve : 0;
  return static_cast<double>(loudest - levels.begin()) + offset;
}

}  // namespace

ToneSpectrum AnalyseSpectrum(const std::vector<int16_t>& samples, uint32_t sampleRate, size_t bins) {
  ToneSpectrum spectrum;
  if (samples.size() < kShortest || bins == 0 || sampleRate == 0) return spectrum;
  size_t n = kShortest;
  while (n * 2 <= samples.size()) n *= 2;
  const std::vector<double> levels = Levels(samples, n);
  spectrum.peakHz = PeakBin(levels) * sampleRate / static_cast<double>(n);
  const size_t shown = std::min(bins, n / 2);
  spectrum.binHz = sampleRate / 2.0 / static_cast<double>(shown);
  spectrum.levelDb.assign(shown, kFloorDb);
  for (size_t k = 0; k < levels.size(); ++k) {
    double& bin = spectrum.levelDb[std::min(shown - 1, k * shown / (n / 2))];
    bin = std::max(bin, levels[k]);
  }
  return spectrum;
}
