// Fonts and text measurement for the Cairo backend.
#include "engine/render/cairo/cairo_text.h"

#include <cmath>
#include <cstdint>

#include <fontconfig/fontconfig.h>

namespace vantiro::engine::render {
namespace {

// Whether fontconfig has a face whose family is `family` (any of the
// names a face lists), as opposed to a substitute it would pick instead.
bool FamilyInstalled(const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match != nullptr) {
    FcChar8* name = nullptr;
    for (int i = 0; !found && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
      found = FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

double UsableSize(double sizePx) {
  return std::isfinite(sizePx) && sizePx >= 0.5 ? std::fmin(sizePx, 4096.0) : 0.5;
}

}  // namespace

const std::string& CairoFonts::Resolve(const std::string& family) {
  // Keyed by the UTF-8 name: the same bytes name another family in another code page.
  std::string name = text::ToUtf8(family, text::CurrentCodePage());
  auto it = resolved_.find(name);
  if (it != resolved_.end()) return it->second;
  std::string key = name;
  if (name.empty() || !FamilyInstalled(name)) name = kDefaultFontFamily;
  return resolved_.emplace(std::move(key), std::move(name)).first->second;
}

void CairoFonts::Select(cairo_t* cr, const Font& font) {
  cairo_select_font_face(cr, Resolve(font.family).c_str(),
                         font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, UsableSize(font.sizePx));
  const CairoFontOptions options(cairo_font_options_create());
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options.get());
}

CairoTextMeasurer::CairoTextMeasurer(CairoFonts& fonts)
    : fonts_(fonts),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)),
      cr_(cairo_create(surface_.get())) {}

TextExtent CairoTextMeasurer::Measure(const Font& font, const std::string& text) {
  fonts_.Select(cr_.get(), font);
  cairo_font_extents_t fe;
  cairo_font_extents(cr_.get(), &fe);
  TextExtent extent;
  extent.ascent = fe.ascent;
  extent.descent = fe.descent;
  if (!text.empty()) {
    const std::string utf8 = text::ToUtf8(text, text::CurrentCodePage());
    cairo_text_extents_t te;
    cairo_text_extents(cr_.get(), utf8.c_str(), &te);
    extent.width = te.x_advance;
  }
  return extent;
}

}  // namespace vantiro::engine::render

// Cairo and fontconfig keep their font caches until the process ends, which
// LeakSanitizer would report as leaks in every program that draws text.
#if defined(__SANITIZE_ADDRESS__)
#define VANTIRO_FONT_CACHES_SUPPRESSED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTIRO_FONT_CACHES_SUPPRESSED 1
#endif
#endif
#ifdef VANTIRO_FONT_CACHES_SUPPRESSED
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
// The suppression is expected, so its statistics stay off the program's
// standard error, which tests compare byte for byte.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif
