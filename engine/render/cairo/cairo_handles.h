// Owners of Cairo's reference-counted objects: each releases its object on
// every way out of a scope, so nothing leaks when a step fails midway.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <cairo.h>

namespace vantiro::engine::render {

struct CairoRelease {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
  void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
  void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};

using CairoContext = std::unique_ptr<cairo_t, CairoRelease>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoRelease>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoRelease>;
using CairoFontOptions = std::unique_ptr<cairo_font_options_t, CairoRelease>;

// Cairo's write callback for documents built in memory: `closure` is a
// std::vector<std::uint8_t>. Running out of memory is a write error, never an
// exception through Cairo's C frames.
inline cairo_status_t AppendToBytes(void* closure, const unsigned char* data,
                                    unsigned int length) noexcept {
  try {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
}

}  // namespace vantiro::engine::render
