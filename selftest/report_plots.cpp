#include "report_plots.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

#include "text_format.h"

namespace {

struct Rect {
  double x, y, w, h;
};
struct Range {
  double low, high;
};
struct Colour {
  double r, g, b, a = 1;
};

constexpr Colour kInk{0.13, 0.13, 0.13}, kGrid{0.88, 0.88, 0.88}, kMeasured{0.12, 0.37, 0.66},
    kAsked{0.82, 0.41, 0.12}, kBand{0.82, 0.41, 0.12, 0.16}, kPeak{0.75, 0.22, 0.17};
constexpr Colour kFollows{0.20, 0.60, 0.30}, kStray{0.80, 0.20, 0.17}, kMissing{0.96, 0.78, 0.76};
// One face at one size: cairo writes the glyphs of each face and size it meets into every plot.
constexpr double kFont = 11;
// Room around a panel's plot area for the title, the numbers and the axis names.
constexpr double kLeft = 54, kRight = 12, kTop = 24, kBottom = 38;

void SetColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

// An SVG document being drawn into memory.
class SvgCanvas {
 public:
  SvgCanvas(double width, double height)
      : surface_(cairo_svg_surface_create_for_stream(&Append, &text_, width, height)), cr_(cairo_create(surface_)) {
    cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PX);
    cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_paint(cr_);
  }
  ~SvgCanvas() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) cairo_surface_destroy(surface_);
  }
  SvgCanvas(const SvgCanvas&) = delete;
  SvgCanvas& operator=(const SvgCanvas&) = delete;

  cairo_t* cr() const { return cr_; }

  // The document, or empty when cairo failed at any point.
  std::string Finish() {
    const bool drawn = cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(std::exchange(cr_, nullptr));
    cairo_surface_finish(surface_);
    const bool written = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
    return drawn && written ? std::move(text_) : std::string();
  }

 private:
  static cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  }

  std::string text_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

enum class Anchor { kLeft, kCentre, kRight };

// Text with its baseline at y.
void Label(cairo_t* cr, double x, double y, const std::string& text, Anchor anchor) {
  cairo_set_font_size(cr, kFont);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  const double shift = anchor == Anchor::kLeft ? 0 : anchor == Anchor::kCentre ? extents.x_advance / 2 : extents.x_advance;
  cairo_move_to(cr, x - shift, y);
  cairo_show_text(cr, text.c_str());
}

// 1, 2 or 5 times a power of ten, so that about count steps cover the range.
double TickStep(Range range, int count) {
  const double raw = std::max(std::abs(range.high - range.low) / count, 1e-9);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double multiple : {1.0, 2.0, 5.0})
    if (multiple * power >= raw * 0.999) return multiple * power;
  return 10 * power;
}

// From 0 (or low) up to a whole step above high, so the largest value has headroom.
Range RoundedUp(double low, double high, int count = 4) {
  if (high <= low) high = low + 1;
  const double step = TickStep({low, high}, count);
  return {std::floor(low / step) * step, std::ceil(high * 1.08 / step) * step};
}

std::string TickText(double value, double step) {
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  return TextFormat("%.*f", decimals, std::abs(value) < step / 2 ? 0.0 : value);
}

// The multiples of step within the range (which may run either way).
std::vector<double> Ticks(Range range, double step) {
  std::vector<double> ticks;
  const double low = std::min(range.low, range.high), high = std::max(range.low, range.high);
  for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-6; ++k) ticks.push_back(k * step);
  return ticks;
}

// About how many numbered ticks each axis gets, or their fixed step.
struct TickPlan {
  int xCount = 5, yCount = 4;
  double xStep = 0, yStep = 0;
};

// A plot area inside a panel, mapping values to the page.
class Axes {
 public:
  Axes(cairo_t* cr, Rect panel, Range x, Range y)
      : cr_(cr), area_{panel.x + kLeft, panel.y + kTop, panel.w - kLeft - kRight, panel.h - kTop - kBottom}, x_(x), y_(y) {}

  double X(double value) const { return area_.x + (value - x_.low) / (x_.high - x_.low) * area_.w; }
  double Y(double value) const { return area_.y + area_.h - (value - y_.low) / (y_.high - y_.low) * area_.h; }
  Range XRange() const { return x_; }
  Range YRange() const { return y_; }
  const Rect& Area() const { return area_; }
  cairo_t* cr() const { return cr_; }

  // Grid, numbered ticks, the frame, the axis names (an empty one is left
  // out) and the title.
  void Draw(const std::string& title, const std::string& xName, const std::string& yName, TickPlan ticks = {}) const {
    cairo_set_line_width(cr_, 1);
    const double xStep = ticks.xStep > 0 ? ticks.xStep : TickStep(x_, ticks.xCount);
    const double yStep = ticks.yStep > 0 ? ticks.yStep : TickStep(y_, ticks.yCount);
    for (double v : Ticks(x_, xStep)) {
      Line(X(v), area_.y, X(v), area_.y + area_.h, kGrid);
      SetColour(cr_, kInk);
      Label(cr_, X(v), area_.y + area_.h + 15, TickText(v, xStep), Anchor::kCentre);
    }
    for (double v : Ticks(y_, yStep)) {
      Line(area_.x, Y(v), area_.x + area_.w, Y(v), kGrid);
      SetColour(cr_, kInk);
      Label(cr_, area_.x - 5, Y(v) + kFont * 0.35, TickText(v, yStep), Anchor::kRight);
    }
    SetColour(cr_, kInk);
    cairo_rectangle(cr_, area_.x, area_.y, area_.w, area_.h);
    cairo_stroke(cr_);
    Label(cr_, area_.x + area_.w / 2, area_.y + area_.h + 32, xName, Anchor::kCentre);
    if (!yName.empty()) {
      cairo_save(cr_);
      cairo_translate(cr_, area_.x - kLeft + 13, area_.y + area_.h / 2);
      cairo_rotate(cr_, -std::numbers::pi / 2);
      Label(cr_, 0, 0, yName, Anchor::kCentre);
      cairo_restore(cr_);
    }
    Label(cr_, area_.x, area_.y - 8, title, Anchor::kLeft);
  }

  void Line(double x0, double y0, double x1, double y1, const Colour& colour) const {
    SetColour(cr_, colour);
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    cairo_stroke(cr_);
  }

  void Dashed(double x0, double y, double x1, const Colour& colour) const {
    const double dashes[] = {5, 3};
    cairo_set_dash(cr_, dashes, 2, 0);
    cairo_set_line_width(cr_, 1.5);
    Line(x0, y, x1, y, colour);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_set_line_width(cr_, 1);
  }

  // Drawing that stays inside the plot area.
  void Clip() const {
    cairo_save(cr_);
    cairo_rectangle(cr_, area_.x, area_.y, area_.w, area_.h);
    cairo_clip(cr_);
  }
  void Unclip() const { cairo_restore(cr_); }

  // A dashed level across the area, named in the title's row on the right
  // behind a piece of the same line, so the name covers no data.
  void Level(double value, const std::string& name, const Colour& colour) const {
    Dashed(area_.x, Y(value), area_.x + area_.w, colour);
    cairo_set_font_size(cr_, kFont);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, name.c_str(), &extents);
    const double right = area_.x + area_.w, baseline = area_.y - 8;
    Dashed(right - extents.x_advance - 22, baseline - 4, right - extents.x_advance - 4, colour);
    SetColour(cr_, colour);
    Label(cr_, right, baseline, name, Anchor::kRight);
  }

  // Centred in the area, for a plot without data.
  void Note(const std::string& text) const {
    SetColour(cr_, kInk);
    Label(cr_, area_.x + area_.w / 2, area_.y + area_.h / 2, text, Anchor::kCentre);
  }

 private:
  cairo_t* cr_;
  Rect area_;
  Range x_, y_;
};

// Points joined in order, each marked with a dot.
void Trace(const Axes& axes, const std::vector<double>& xs, const std::vector<double>& ys, bool dots) {
  cairo_t* cr = axes.cr();
  axes.Clip();
  SetColour(cr, kMeasured);
  cairo_set_line_width(cr, 1.3);
  for (size_t i = 0; i < xs.size(); ++i) {
    if (i == 0) cairo_move_to(cr, axes.X(xs[i]), axes.Y(ys[i]));
    else cairo_line_to(cr, axes.X(xs[i]), axes.Y(ys[i]));
  }
  cairo_stroke(cr);
  for (size_t i = 0; dots && i < xs.size(); ++i) {
    cairo_arc(cr, axes.X(xs[i]), axes.Y(ys[i]), 2.2, 0, 2 * std::numbers::pi);
    cairo_fill(cr);
  }
  axes.Unclip();
}

std::vector<double> Counting(size_t count) {
  std::vector<double> numbers(count);
  std::iota(numbers.begin(), numbers.end(), 1.0);
  return numbers;
}

double Largest(const std::vector<double>& values, double atLeast) {
  return values.empty() ? atLeast : std::max(atLeast, *std::max_element(values.begin(), values.end()));
}

std::string Ms(double ms) { return TextFormat(ms < 10 ? "%.2f ms" : "%.0f ms", ms); }

// Intervals in order against one asked-for interval (refills, audio blocks).
void IntervalPanel(cairo_t* cr, Rect panel, const IntervalSeries& series, const std::string& title,
                   const std::string& xName, const std::string& askedName) {
  const Axes axes(cr, panel, {0.5, std::max<double>(series.ms.size(), 2) + 0.5},
                  RoundedUp(0, Largest(series.ms, series.expectedMs * 1.15)));
  axes.Draw(title, xName, "interval (ms)", {.xCount = std::min<int>(std::max<int>(series.ms.size(), 2), 8)});
  axes.Level(series.expectedMs, askedName + " " + Ms(series.expectedMs), kAsked);
  if (series.ms.empty()) axes.Note("fewer than two returns");
  Trace(axes, Counting(series.ms.size()), series.ms, true);
}

}  // namespace

std::string FrameIntervalPlot(const IntervalSeries& frames) {
  SvgCanvas canvas(460, 190);
  cairo_t* cr = canvas.cr();
  const std::vector<double>& plan = frames.plannedMs;
  const double planLow = plan.empty() ? frames.expectedMs : *std::min_element(plan.begin(), plan.end());
  const double planHigh = plan.empty() ? frames.expectedMs : *std::max_element(plan.begin(), plan.end());
  const Range intervals = RoundedUp(0, Largest(frames.ms, planHigh * 1.15));
  // The arrival of each frame after the first, in seconds.
  std::vector<double> times;
  double sum = 0;
  for (double ms : frames.ms) times.push_back((sum += ms) / 1000);
  const Axes series(cr, {0, 0, 320, 190}, {0, RoundedUp(0, std::max(sum / 1000, 0.5)).high}, intervals);
  series.Draw("frame intervals", "time since the first frame (s)", "interval (ms)");
  SetColour(cr, kBand);
  cairo_rectangle(cr, series.Area().x, series.Y(planHigh), series.Area().w, series.Y(planLow) - series.Y(planHigh) + 0.01);
  cairo_fill(cr);
  const std::string planText = planLow == planHigh ? Ms(planLow) : TextFormat("%.0f-%.0f ms", planLow, planHigh);
  series.Level(frames.expectedMs, "plan " + planText, kAsked);
  if (frames.ms.empty()) series.Note("fewer than two frames");
  Trace(series, times, frames.ms, true);

  // Beside it, sharing its interval axis: how often each interval came.
  constexpr int kBins = 16;
  std::vector<double> counts(kBins, 0);
  for (double ms : frames.ms) {
    const auto bin = static_cast<int>((ms - intervals.low) / (intervals.high - intervals.low) * kBins);
    ++counts[static_cast<size_t>(std::clamp(bin, 0, kBins - 1))];
  }
  const Axes histogram(cr, {320, 0, 140, 190}, RoundedUp(0, Largest(counts, 1), 2), intervals);
  histogram.Draw("histogram", "frames", "", {.xCount = 2});
  SetColour(cr, kMeasured);
  const double binMs = (intervals.high - intervals.low) / kBins;
  for (int k = 0; k < kBins; ++k) {
    if (counts[static_cast<size_t>(k)] == 0) continue;
    const double top = histogram.Y(intervals.low + (k + 1) * binMs), bottom = histogram.Y(intervals.low + k * binMs);
    cairo_rectangle(cr, histogram.X(0), top + 0.5, histogram.X(counts[static_cast<size_t>(k)]) - histogram.X(0), bottom - top - 1);
  }
  cairo_fill(cr);
  return canvas.Finish();
}

std::string AudioPlot(const AudioTrace& trace) {
  SvgCanvas canvas(900, 200);
  cairo_t* cr = canvas.cr();
  const double rate = trace.sampleRate;

  // The waveform in fractions of full scale, the scale fitted to the loudest sample.
  double loudest = 0.01;
  std::vector<double> ms, level;
  for (size_t i = 0; i < trace.samples.size(); ++i) {
    ms.push_back(static_cast<double>(i) * 1000 / rate);
    level.push_back(trace.samples[i] / 32768.0);
    loudest = std::max(loudest, std::abs(level.back()));
  }
  const double scale = RoundedUp(0, loudest, 2).high;
  const Axes wave(cr, {0, 0, 300, 200}, {0, 10}, {-scale, scale});
  wave.Draw("waveform", "time (ms)", "level (full scale)");
  if (trace.samples.empty()) wave.Note("no block arrived");
  Trace(wave, ms, level, false);

  // The spectrum in dB of full scale, the loudest tone marked.
  const double nyquist = rate / 2000;
  const Axes spectrum(cr, {300, 0, 320, 200}, {0, nyquist}, {-120, 0});
  spectrum.Draw("spectrum", "frequency (kHz)", "level (dBFS)", {.yCount = 6});
  std::vector<double> kHz, db;
  for (size_t k = 0; k < trace.levelDb.size(); ++k) {
    kHz.push_back((static_cast<double>(k) + 0.5) * trace.binHz / 1000);
    db.push_back(std::max(trace.levelDb[k], -125.0));
  }
  Trace(spectrum, kHz, db, false);
  if (trace.peakHz > 0 && !trace.levelDb.empty()) {
    // A ring on top of the peak (which may lie in either neighbour of its
    // bin, as the line joins bin centres), named beside it on the side with room.
    const auto bin = std::min(static_cast<size_t>(trace.peakHz / trace.binHz), trace.levelDb.size() - 1);
    const auto first = trace.levelDb.begin() + static_cast<ptrdiff_t>(bin > 0 ? bin - 1 : 0);
    const auto last = trace.levelDb.begin() + static_cast<ptrdiff_t>(std::min(bin + 2, trace.levelDb.size()));
    const double x = spectrum.X(trace.peakHz / 1000), y = spectrum.Y(*std::max_element(first, last));
    SetColour(cr, kPeak);
    cairo_set_line_width(cr, 1.5);
    cairo_arc(cr, x, y, 4.5, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
    const bool leftOfRing = trace.peakHz / 1000 > nyquist * 0.6;
    Label(cr, x + (leftOfRing ? -8 : 8), y + 4, TextFormat("peak %.0f Hz", trace.peakHz), leftOfRing ? Anchor::kRight : Anchor::kLeft);
  } else {
    spectrum.Note("no tone");
  }

  IntervalPanel(cr, {620, 0, 280, 200}, trace.blocks, "block cadence", "block", "block");
  return canvas.Finish();
}

std::string RefillPlot(const IntervalSeries& refills) {
  SvgCanvas canvas(460, 200);
  IntervalPanel(canvas.cr(), {0, 0, 460, 200}, refills, "refill requests", "refill", "half");
  return canvas.Finish();
}

std::string RoundTripPlot(const IntervalSeries& trips) {
  SvgCanvas canvas(460, 200);
  cairo_t* cr = canvas.cr();
  const Axes axes(cr, {0, 0, 460, 200}, {0.5, std::max<double>(trips.ms.size(), 1) + 0.5},
                  RoundedUp(0, Largest(trips.ms, trips.expectedMs * 1.2)));
  axes.Draw("round trip per byte", "byte", "round trip (ms)", {.xCount = std::min<int>(std::max<int>(trips.ms.size(), 1), 9)});
  SetColour(cr, kMeasured);
  for (size_t k = 0; k < trips.ms.size(); ++k) {
    const double left = axes.X(static_cast<double>(k) + 0.6), right = axes.X(static_cast<double>(k) + 1.4);
    cairo_rectangle(cr, left, axes.Y(trips.ms[k]), right - left, axes.Y(0) - axes.Y(trips.ms[k]));
  }
  cairo_fill(cr);
  axes.Level(trips.expectedMs, "one byte on the line " + Ms(trips.expectedMs), kAsked);
  return canvas.Finish();
}

std::string IoMapPlot(const IoMap& map) {
  SvgCanvas canvas(600, 420);
  cairo_t* cr = canvas.cr();
  // Cell k spans k - 0.5 to k + 0.5, so its number sits under its middle; output 0 at the top.
  const Axes axes(cr, {0, 0, 420, 420}, {-0.5, 31.5}, {31.5, -0.5});
  axes.Draw("inputs read for each output", "input", "output (alone on)", {.xStep = 4, .yStep = 4});
  for (uint32_t out = 0; out < 32; ++out)
    for (uint32_t in = 0; in < 32; ++in) {
      const bool high = (map[out] >> in & 1u) != 0, own = in == out;
      if (!high && !own) continue;
      SetColour(cr, high ? (own ? kFollows : kStray) : kMissing);
      const double left = axes.X(in - 0.5), top = axes.Y(out - 0.5);
      cairo_rectangle(cr, left + 0.5, top + 0.5, axes.X(in + 0.5) - left - 1, axes.Y(out + 0.5) - top - 1);
      cairo_fill(cr);
    }
  // The key, beside the grid.
  const struct {
    Colour colour;
    const char* text;
  } keys[] = {{kFollows, "follows its output"}, {kStray, "answered another output"}, {kMissing, "did not follow"}};
  double y = axes.Area().y;
  for (const auto& key : keys) {
    SetColour(cr, key.colour);
    cairo_rectangle(cr, 432, y, 11, 11);
    cairo_fill(cr);
    SetColour(cr, kInk);
    Label(cr, 449, y + 10, key.text, Anchor::kLeft);
    y += 20;
  }
  return canvas.Finish();
}
