// Fonts, text measurement and code-page conversion for the GDI+ backend.
#include "engine/render/gdiplus/gdiplus_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/code_page.h"

namespace vantiro::engine::render {
namespace {

// Same clamping as the Cairo backend, so both draw a text at one size.
double UsableSize(double sizePx) {
  return std::isfinite(sizePx) && sizePx >= 0.5 ? std::fmin(sizePx, 4096.0) : 0.5;
}

std::unique_ptr<Gdiplus::FontFamily> Installed(const wchar_t* name) {
  auto family = std::make_unique<Gdiplus::FontFamily>(name);
  if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) return nullptr;
  return family;
}

// Last resort when none of the usual families exists: any installed one.
std::unique_ptr<Gdiplus::FontFamily> FirstInstalled() {
  Gdiplus::InstalledFontCollection installed;
  const INT count = installed.GetFamilyCount();
  if (count <= 0) return nullptr;
  auto all = std::make_unique<Gdiplus::FontFamily[]>(static_cast<std::size_t>(count));
  INT found = 0;
  if (installed.GetFamilies(count, all.get(), &found) != Gdiplus::Ok) return nullptr;
  for (INT i = 0; i < found && i < count; ++i) {
    if (all[i].IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(all[i].Clone());
  }
  return nullptr;
}

}  // namespace

std::wstring WideFromAnsi(std::string_view text) {
  // Chart texts are at most kMaxTextLength bytes; anything longer is cut
  // rather than overflowing the converter's int length.
  text = text.substr(0, std::numeric_limits<int>::max() / 2);
  const std::u16string wide = text::ToUtf16(text, text::kUtf8CodePage);
  return std::wstring(wide.begin(), wide.end());
}

void PrepareGraphics(Gdiplus::Graphics& graphics) {
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  // Pixel centres at half coordinates, as in Cairo: a rectangle on whole
  // pixels covers exactly those pixels.
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  // Plain anti-aliasing without grid fitting: advances do not depend on the
  // scale, so a text measures the same on screen, files and paper.
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
}

GdiplusFonts::GdiplusFonts()
    : surface_(std::make_unique<Gdiplus::Bitmap>(1, 1, PixelFormat32bppARGB)),
      graphics_(std::make_unique<Gdiplus::Graphics>(surface_.get())) {
  // The typographic format has no padding around the text; a GDI+ without
  // it gets a plain format, padded but otherwise the same.
  const Gdiplus::StringFormat* typographic = Gdiplus::StringFormat::GenericTypographic();
  format_ = typographic != nullptr ? std::make_unique<Gdiplus::StringFormat>(typographic)
                                   : std::make_unique<Gdiplus::StringFormat>();
  format_->SetFormatFlags(format_->GetFormatFlags() |
                          Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                          Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip);
  PrepareGraphics(*graphics_);
}

GdiplusFonts::~GdiplusFonts() = default;

const Gdiplus::FontFamily* GdiplusFonts::Family(const std::string& family) {
  auto it = families_.find(family);
  if (it != families_.end()) return it->second.get();
  std::unique_ptr<Gdiplus::FontFamily> found;
  if (!family.empty()) found = Installed(WideFromAnsi(family).c_str());
  for (const wchar_t* name : kDefaultFontFamilies) {
    if (found) break;
    found = Installed(name);
  }
  if (!found) found = FirstInstalled();
  return families_.emplace(family, std::move(found)).first->second.get();
}

std::wstring GdiplusFonts::FamilyName(const std::string& family) {
  const Gdiplus::FontFamily* resolved = Family(family);
  if (resolved == nullptr) return {};
  WCHAR name[LF_FACESIZE] = {};
  resolved->GetFamilyName(name);
  return name;
}

const GdiplusFace* GdiplusFonts::Face(const Font& font) {
  const double size = UsableSize(font.sizePx);
  auto key = std::make_tuple(font.family, size, font.bold, font.italic);
  auto it = faces_.find(key);
  if (it == faces_.end()) {
    GdiplusFace face;
    if (const Gdiplus::FontFamily* family = Family(font.family)) {
      INT style =
          (font.bold ? Gdiplus::FontStyleBold : 0) | (font.italic ? Gdiplus::FontStyleItalic : 0);
      auto made = std::make_unique<Gdiplus::Font>(family, static_cast<Gdiplus::REAL>(size), style,
                                                  Gdiplus::UnitPixel);
      if (made->GetLastStatus() != Gdiplus::Ok) {
        // A family without the bold or italic face: the regular one.
        style = Gdiplus::FontStyleRegular;
        made = std::make_unique<Gdiplus::Font>(family, static_cast<Gdiplus::REAL>(size), style,
                                               Gdiplus::UnitPixel);
      }
      const double em = family->GetEmHeight(style);
      if (made->GetLastStatus() == Gdiplus::Ok && em > 0) {
        face.font = std::move(made);
        face.ascent = size * family->GetCellAscent(style) / em;
        face.descent = size * family->GetCellDescent(style) / em;
      }
    }
    it = faces_.emplace(std::move(key), std::move(face)).first;
  }
  return it->second.font ? &it->second : nullptr;
}

TextExtent GdiplusFonts::Measure(const Font& font, const std::wstring& text) {
  TextExtent extent;
  const GdiplusFace* face = Face(font);
  if (face == nullptr) return extent;
  extent.ascent = face->ascent;
  extent.descent = face->descent;
  if (!text.empty()) {
    Gdiplus::RectF box;
    const INT length =
        static_cast<INT>(std::min<std::size_t>(text.size(), std::numeric_limits<INT>::max()));
    if (graphics_->MeasureString(text.c_str(), length, face->font.get(), Gdiplus::PointF(0, 0),
                                 format_.get(), &box) == Gdiplus::Ok) {
      extent.width = box.Width;
    }
  }
  return extent;
}

TextExtent GdiplusTextMeasurer::Measure(const Font& font, const std::string& text) {
  return fonts_.Measure(font, WideFromAnsi(text));
}

}  // namespace vantiro::engine::render
