// Text with Cairo: which installed font a Font names and how a text
// measures. Chart texts are UTF-8, as Cairo takes them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include <cairo.h>

#include "engine/layout/draw_list.h"
#include "engine/render/cairo/cairo_handles.h"
#include "text/code_page.h"

namespace vantiro::engine::render {

// Family used when a font names no family or one that is not installed.
inline constexpr const char* kDefaultFontFamily = "DejaVu Sans";

// Font lookup shared by drawing and measuring, so that both use the same
// faces. Remembers which families are installed; one per render or device.
class CairoFonts {
 public:
  // The installed family that `family` names, or kDefaultFontFamily.
  const std::string& Resolve(const std::string& family);

  // Makes `font` the current font of `cr`, with the font options that
  // drawing and measuring share (metrics unhinted, so a text measures the
  // same on images, PDF and SVG).
  void Select(cairo_t* cr, const Font& font);

 private:
  std::unordered_map<std::string, std::string> resolved_;
};

// Measures texts as the Cairo drawing code will draw them: the width is
// the advance of the whole text, ascent and descent are the font's.
class CairoTextMeasurer : public TextMeasurer {
 public:
  explicit CairoTextMeasurer(CairoFonts& fonts);

  TextExtent Measure(const Font& font, const std::string& text) override;

 private:
  CairoFonts& fonts_;
  CairoSurface surface_;
  CairoContext cr_;
};

}  // namespace vantiro::engine::render
