// Text with GDI+: which installed family a Font names, the GDI+ fonts made
// from it, how a text measures, and the single-byte chart texts as the
// UTF-16 that GDI+ draws.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

#include "engine/layout/draw_list.h"
#include "engine/render/gdiplus/gdiplus_api.h"

namespace vantiro::engine::render {

// Families tried, in order, when a font names no family or one that is not
// installed; if none exists the first installed family is used.
inline constexpr const wchar_t* kDefaultFontFamilies[] = {
    L"Arial", L"DejaVu Sans", L"Liberation Sans", L"Tahoma", L"Microsoft Sans Serif"};

// A text of the engine (chart texts, font families), UTF-8, as UTF-16.
std::wstring WideFromAnsi(std::string_view text);

// A GDI+ font ready to draw, with its vertical metrics in pixels.
struct GdiplusFace {
  std::unique_ptr<Gdiplus::Font> font;
  double ascent = 0;
  double descent = 0;
};

// Font lookup shared by drawing and measuring, so both use the same faces.
// Holds GDI+ objects: one per rendering or per measurer, never global.
class GdiplusFonts {
 public:
  GdiplusFonts();
  ~GdiplusFonts();
  GdiplusFonts(const GdiplusFonts&) = delete;
  GdiplusFonts& operator=(const GdiplusFonts&) = delete;

  // The face for `font`, or null when no font family is installed at all
  // (text is then skipped and measures as nothing).
  const GdiplusFace* Face(const Font& font);

  // The installed family `family` resolves to (for tests and diagnostics);
  // empty if there is none.
  std::wstring FamilyName(const std::string& family);

  // Format shared by drawing and measuring: no padding, no wrapping, and
  // trailing spaces counted.
  const Gdiplus::StringFormat& Format() const { return *format_; }

  // Width (advance of the whole text) and the font's ascent and descent.
  // Always measured on the same private surface, so the layout and the
  // drawing of a text agree whatever surface it is drawn on.
  TextExtent Measure(const Font& font, const std::wstring& text);

 private:
  const Gdiplus::FontFamily* Family(const std::string& family);

  std::map<std::string, std::unique_ptr<Gdiplus::FontFamily>> families_;
  std::map<std::tuple<std::string, double, bool, bool>, GdiplusFace> faces_;
  std::unique_ptr<Gdiplus::StringFormat> format_;
  std::unique_ptr<Gdiplus::Bitmap> surface_;
  std::unique_ptr<Gdiplus::Graphics> graphics_;
};

// Measures the layout's texts as DrawOnGdiplus will draw them. GDI+ must be
// running (StartGraphics) while a measurer or its fonts exist.
class GdiplusTextMeasurer final : public TextMeasurer {
 public:
  explicit GdiplusTextMeasurer(GdiplusFonts& fonts) : fonts_(fonts) {}

  TextExtent Measure(const Font& font, const std::string& text) override;

 private:
  GdiplusFonts& fonts_;
};

// Settings every GDI+ surface of the engine draws and measures with.
void PrepareGraphics(Gdiplus::Graphics& graphics);

}  // namespace vantiro::engine::render
