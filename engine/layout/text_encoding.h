// The engine's texts are Windows-1252 bytes; what needs Unicode (Cairo, the
// layout report) converts them here.
#pragma once

#include <string>
#include <string_view>

namespace vantiro::engine {

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters
// of the same number, as Windows converts them.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace vantiro::engine
