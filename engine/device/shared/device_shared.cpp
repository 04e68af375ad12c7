#include "engine/device/shared/device_shared.h"

#include <algorithm>
#include <cctype>

namespace vantiro::engine::device {
namespace {

struct FileExtension {
  const char* extension;
  FileKind kind;
};
constexpr FileExtension kFileExtensions[] = {
    {".png", FileKind::kPng}, {".jpg", FileKind::kJpeg}, {".jpeg", FileKind::kJpeg},
    {".bmp", FileKind::kBmp}, {".svg", FileKind::kSvg},  {".pdf", FileKind::kPdf},
    {".emf", FileKind::kEmf},
};

}  // namespace

FileKind FileKindOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return FileKind::kUnknown;
  }
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FileExtension& known : kFileExtensions) {
    if (extension == known.extension) return known.kind;
  }
  return FileKind::kUnknown;
}

bool IsVectorFile(FileKind kind) {
  return kind == FileKind::kSvg || kind == FileKind::kPdf || kind == FileKind::kEmf;
}

bool FileSizeAllowed(FileKind kind, std::int64_t width, std::int64_t height) {
  if (!IsVectorFile(kind)) return ChartSizeAllowed(width, height);
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

void ChartSize(const Chart& chart, int& width, int& height) {
  width = chart.settings.width > 0 ? chart.settings.width : kDefaultWidth;
  height = chart.settings.height > 0 ? chart.settings.height : kDefaultHeight;
}

int JpegQuality(int requested) {
  return requested == 0 ? kDefaultJpegQuality : std::clamp(requested, 1, 100);
}

}  // namespace vantiro::engine::device
