// Fonts and text measurement for the Cairo backend.
#include "engine/render/cairo/cairo_text.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace vantiro::engine::render {
namespace {

// The default family straight from its files, without fontconfig: setting
// fontconfig up (reading its XML configuration and caches) costs more than
// drawing a whole chart, and most charts only use the default family.
// Folders where distributions install DejaVu Sans; if none holds it,
// fontconfig finds the family as it finds every other.
constexpr const char* kDefaultFontFolders[] = {
    "/usr/share/fonts/truetype/dejavu/",    // Debian, Ubuntu
    "/usr/share/fonts/dejavu-sans-fonts/",  // Fedora
    "/usr/share/fonts/dejavu/",             // older Fedora, openSUSE
    "/usr/share/fonts/TTF/",                // Arch
};
// Regular, bold, oblique, bold oblique: index bold + 2 * italic.
constexpr const char* kDefaultFontFiles[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf",
                                             "DejaVuSans-Oblique.ttf",
                                             "DejaVuSans-BoldOblique.ttf"};

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void DoneFace(void* face) { FT_Done_Face(static_cast<FT_Face>(face)); }

// The Cairo faces of the default family, made once per process and kept
// (Cairo's own font caches hold them too). A style whose file is missing
// stays null, and that style goes through fontconfig.
class DefaultFaces {
 public:
  static DefaultFaces& Get() {
    static DefaultFaces faces;
    return faces;
  }

  cairo_font_face_t* Face(bool bold, bool italic) {
    const std::size_t style = (bold ? 1 : 0) + (italic ? 2 : 0);
    if (!tried_[style]) {
      tried_[style] = true;
      faces_[style] = Load(kDefaultFontFiles[style]);
    }
    return faces_[style];
  }

 private:
  DefaultFaces() = default;

  cairo_font_face_t* Load(const char* file) {
    if (!library_ && FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    if (!library_) return nullptr;
    for (const char* folder : kDefaultFontFolders) {
      const std::string path = std::string(folder) + file;
      if (!IsFile(path)) continue;
      FT_Face face = nullptr;
      if (FT_New_Face(library_, path.c_str(), 0, &face) != 0) continue;
      cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
      static cairo_user_data_key_t key;
      if (cairo_font_face_status(cairoFace) != CAIRO_STATUS_SUCCESS ||
          cairo_font_face_set_user_data(cairoFace, &key, face, DoneFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cairoFace);
        FT_Done_Face(face);
        continue;
      }
      return cairoFace;
    }
    return nullptr;
  }

  FT_Library library_ = nullptr;
  std::array<bool, 4> tried_{};
  std::array<cairo_font_face_t*, 4> faces_{};
};

bool IsDefaultFamily(const std::string& family) {
  return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(family.c_str()),
                            reinterpret_cast<const FcChar8*>(kDefaultFontFamily)) == 0;
}

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
  // Chart texts are UTF-8; made valid, as Cairo and fontconfig need it.
  std::string name = text::ToUtf8(family, text::kUtf8CodePage);
  auto it = resolved_.find(name);
  if (it != resolved_.end()) return it->second;
  std::string key = name;
  if (name.empty() || IsDefaultFamily(name)) {
    name = kDefaultFontFamily;
  } else if (!FamilyInstalled(name)) {
    name = kDefaultFontFamily;
  }
  return resolved_.emplace(std::move(key), std::move(name)).first->second;
}

void CairoFonts::Select(cairo_t* cr, const Font& font) {
  const std::string& family = Resolve(font.family);
  cairo_font_face_t* face =
      family == kDefaultFontFamily ? DefaultFaces::Get().Face(font.bold, font.italic) : nullptr;
  const CairoFontOptions options(cairo_font_options_create());
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  if (face != nullptr) {
    cairo_set_font_face(cr, face);
    // What fontconfig's stock configuration gives every face on images; set
    // here, as no fontconfig pattern comes with a face made from its file.
    // SVG and PDF keep their outlines unhinted, as their surfaces ask.
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE) {
      cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
    }
  } else {
    cairo_select_font_face(cr, family.c_str(),
                           font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  }
  cairo_set_font_size(cr, UsableSize(font.sizePx));
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
    const std::string utf8 = text::ToUtf8(text, text::kUtf8CodePage);
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
