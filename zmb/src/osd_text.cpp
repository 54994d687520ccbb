// The OSD font (resolved through fontconfig) and outlined text.
#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "draw_context.h"
#include "drawing.h"
#include "nuvix_trace.h"

namespace zmb {
namespace {

constexpr size_t kFaceNameChars = 259;
// FreeType sizes glyphs up to 65535 pixels, and cairo loses the memory of a
// scaled font it cannot size. Text this large shows at most part of one glyph
// on the 720-pixel surface, so larger requests are held at this size.
constexpr double kLargestFontScale = 16384;

struct FaceAlias {
  const char* windowsName;
  const char* family;
  bool alwaysBold;
};

// Windows face names that have no namesake here. The System font only exists
// in bold.
constexpr FaceAlias kFaceAliases[] = {
    {"System", "sans-serif", true},        {"MS Sans Serif", "sans-serif", false},
    {"MS Shell Dlg", "sans-serif", false}, {"MS Shell Dlg 2", "sans-serif", false},
    {"Fixedsys", "monospace", true},       {"Terminal", "monospace", false},
    {"Courier", "monospace", false},       {"MS Serif", "serif", false},
};

// A GDI weight (100..900, 0 = don't care) as a fontconfig weight.
int FontconfigWeight(int32_t weight) {
  if (weight <= 0) weight = 400;
  if (weight > 1000) weight = 1000;
  return FcWeightFromOpenType(weight);
}

cairo_font_face_t* ResolveFace(const std::string& name, int32_t weight, int32_t italic,
                               std::string& file) {
  const char* family = name.c_str();
  for (const FaceAlias& alias : kFaceAliases) {
    if (strcasecmp(name.c_str(), alias.windowsName) == 0) {
      family = alias.family;
      if (alias.alwaysBold && weight < 700) weight = 700;
      break;
    }
  }
  FcPattern* request = FcPatternCreate();
  if (!request) return nullptr;
  FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(request, FC_WEIGHT, FontconfigWeight(weight));
  FcPatternAddInteger(request, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, request, FcMatchPattern);
  FcDefaultSubstitute(request);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, request, &result);
  FcPatternDestroy(request);
  if (!match) return nullptr;

  // Only the font file and its synthetic styling go to cairo: rendering
  // preferences of the desktop configuration would otherwise override the
  // pixel-exact, unsmoothed text of the OSD.
  cairo_font_face_t* face = nullptr;
  FcChar8* path = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
    FcPattern* chosen = FcPatternCreate();
    FcPatternAddString(chosen, FC_FILE, path);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
      FcPatternAddInteger(chosen, FC_INDEX, index);
    }
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
      FcPatternAddBool(chosen, FC_EMBOLDEN, embolden);
    }
    FcPatternAddBool(chosen, FC_ANTIALIAS, FcFalse);
    face = cairo_ft_font_face_create_for_pattern(chosen);
    FcPatternDestroy(chosen);
    file = reinterpret_cast<const char*>(path);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      face = nullptr;
    }
  }
  FcPatternDestroy(match);
  return face;
}

cairo_font_options_t* PixelExactOptions() {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  return options;
}

// Font metrics at an unhinted 1000-pixel size, as fractions of the em.
struct UnitMetrics {
  double lineHeight = 1;     // ascent + descent
  double averageWidth = 0.5; // mean advance of the printable ASCII characters
};

UnitMetrics MeasureFace(cairo_font_face_t* face) {
  UnitMetrics metrics;
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, 1000, 1000);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* font = cairo_scaled_font_create(face, &size, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS) {
    cairo_font_extents_t extents;
    cairo_scaled_font_extents(font, &extents);
    if (extents.ascent + extents.descent > 0) metrics.lineHeight = (extents.ascent + extents.descent) / 1000;
    char printable[96];
    for (int c = 0x20; c < 0x7F; ++c) printable[c - 0x20] = static_cast<char>(c);
    printable[0x7F - 0x20] = '\0';
    cairo_text_extents_t text;
    cairo_scaled_font_text_extents(font, printable, &text);
    if (text.x_advance > 0) metrics.averageWidth = text.x_advance / (0x7F - 0x20) / 1000;
  }
  cairo_scaled_font_destroy(font);
  return metrics;
}

// Windows-1252 text as UTF-8; bytes without a character become U+FFFD.
std::string Cp1252ToUtf8(const char* text) {
  static constexpr uint16_t kHighControls[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned code = *p;
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    if (code < 0xA0) code = kHighControls[code - 0x80];
    if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
  return out;
}

// Fills `font` for a request; false when no face could be resolved.
bool CreateFont(OsdFont& font, int32_t width, int32_t height, int32_t weight, int32_t italic,
                const std::string& name) {
  std::string file;
  cairo_font_face_t* face = ResolveFace(name, weight, italic, file);
  if (!face) return false;
  const UnitMetrics metrics = MeasureFace(face);
  // GDI: a negative logical height asks for that character (em) height, a
  // positive one for that cell height; the width is the average character width.
  const double logicalHeight = -static_cast<double>(height);
  const double em = logicalHeight < 0 ? -logicalHeight : logicalHeight / metrics.lineHeight;
  const double averageWidth = std::fabs(static_cast<double>(width));
  font.face = face;
  font.yScale = std::min(em, kLargestFontScale);
  font.xScale = std::min(averageWidth > 0 ? averageWidth / metrics.averageWidth : em, kLargestFontScale);
  NuvixTraceF("ZMB OSD FONT \"%s\" %d x %d -> %s \r\n", name.c_str(), width, height, file.c_str());
  return true;
}

// The font a drawing context starts with: the bold System font, 16 pixels
// high and 7 wide on average.
const OsdFont& StockFont() {
  struct Holder {
    OsdFont font;
    Holder() { CreateFont(font, 7, -16, 700, 0, "System"); }
    ~Holder() {
      if (font.face) cairo_font_face_destroy(font.face);
    }
  };
  static const Holder stock;
  return stock.font;
}

}  // namespace

void ReleaseOsdFont(Board& board) {
  if (board.font.face) cairo_font_face_destroy(board.font.face);
  board.font = OsdFont{};
}

void SelectOsdFont(Board& board, int32_t width, int32_t height, int32_t weight, int32_t italic,
                   const char* faceName) {
  ReleaseOsdFont(board);
  std::string name(faceName, strnlen(faceName, kFaceNameChars));
  if (!CreateFont(board.font, width, height, weight, italic, name)) return;
  board.font.width = width;
  board.font.height = height;
  board.font.faceName = std::move(name);
}

void DrawOutlinedText(Board& board, int32_t x, int32_t y, const char* text, uint32_t outlineColour,
                      uint32_t textColour, int32_t outlineStyle) {
  // Outline offsets, nearest ring first.
  static constexpr int kOffsets[24][2] = {
      {-1, 0},  {1, 0},  {0, -1}, {0, 1},  {-2, 0}, {2, 0},   {0, -2}, {0, 2},
      {-2, -2}, {2, -2}, {-2, 2}, {2, 2},  {-3, 0}, {3, 0},   {0, -3}, {0, 3},
      {-1, -2}, {-2, -1}, {1, -2}, {2, -1}, {-1, 2}, {-2, 1}, {1, 2},  {2, 1}};
  // Far outside the surface nothing shows; cairo's fixed-point coordinates
  // would not hold such positions either.
  constexpr int32_t kReach = 1 << 15;
  if (x < -kReach || x > kReach || y < -kReach || y > kReach) return;
  const OsdFont& font = board.font.face ? board.font : StockFont();
  if (!font.face) return;
  const std::string utf8 = Cp1252ToUtf8(text);
  if (utf8.empty()) return;

  DrawContext dc(board);
  cairo_t* cr = dc.cr();
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_font_face(cr, font.face);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, font.xScale, font.yScale);
  cairo_set_font_matrix(cr, &matrix);
  cairo_font_options_t* options = PixelExactOptions();
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);

  cairo_scaled_font_t* scaled = cairo_get_scaled_font(cr);
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(scaled, &extents);
  const double baseline = y + std::round(extents.ascent);
  cairo_glyph_t* glyphs = nullptr;
  int glyphCount = 0;
  if (cairo_scaled_font_text_to_glyphs(scaled, x, baseline, utf8.data(), static_cast<int>(utf8.size()),
                                       &glyphs, &glyphCount, nullptr, nullptr,
                                       nullptr) != CAIRO_STATUS_SUCCESS) {
    return;
  }
  const auto show = [&](double dx, double dy, uint32_t colour) {
    cairo_save(cr);
    cairo_translate(cr, dx, dy);
    dc.SetColour(colour);
    cairo_show_glyphs(cr, glyphs, glyphCount);
    cairo_restore(cr);
  };
  const int outlines = outlineStyle <= 0 ? 0 : outlineStyle == 1 ? 4 : outlineStyle == 2 ? 16 : 24;
  for (int i = 0; i < outlines; ++i) show(kOffsets[i][0], kOffsets[i][1], outlineColour);
  show(0, 0, 0x000000);
  show(0, 0, textColour);
  cairo_glyph_free(glyphs);
}

}  // namespace zmb
