#include "engine/device/shared/device_shared.h"

#include <algorithm>
#include <cctype>

#include "engine/failure/failure.h"

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

struct Snapshots {
  std::string folder;  // empty: no snapshots
  std::string stem;
};

Snapshots& SnapshotState() {
  static Snapshots snapshots;
  return snapshots;
}

}  // namespace

void SetSnapshots(const char* folder, const char* stem) noexcept {
  Snapshots& snapshots = SnapshotState();
  try {
    snapshots.folder = folder != nullptr ? folder : "";
    snapshots.stem = stem != nullptr ? stem : "";
  } catch (...) {  // no memory: no snapshots
    snapshots.folder.clear();
  }
}

std::string SnapshotPath(std::int32_t ctrlId) {
  const Snapshots& snapshots = SnapshotState();
  if (snapshots.folder.empty()) return {};
  const std::string id = std::to_string(ctrlId);
  if (snapshots.stem.empty()) return snapshots.folder + "/chart-" + id + ".png";
  return snapshots.folder + "/" + snapshots.stem + "-chart" + id + ".png";
}

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

void RecordRefusedFile(const std::string& path, FileKind kind, bool writesEmf, std::int64_t width,
                       std::int64_t height) {
  if (kind == FileKind::kEmf && !writesEmf) {
    failure::Record("cannot write " + path + ": EMF files are written on Windows only");
    return;
  }
  if (kind == FileKind::kUnknown) {
    std::string known;
    for (const FileExtension& extension : kFileExtensions) {
      if (extension.kind == FileKind::kEmf && !writesEmf) continue;
      known += known.empty() ? "" : " ";
      known += extension.extension;
    }
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    const bool named = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    failure::Record("cannot write " + path + ": " +
                    (named ? "unknown extension " + path.substr(dot) : "no extension") +
                    " (known: " + known + ")");
    return;
  }
  if (FileSizeAllowed(kind, width, height)) return;
  if (IsVectorFile(kind)) {
    failure::Record("cannot write " + path + ": the size " + std::to_string(width) + " x " +
                    std::to_string(height) + " is beyond the side limit of 1 to " +
                    std::to_string(kMaxSide));
  } else {
    RecordRefusedSize(width, height);
  }
}

void RecordRefusedSize(std::int64_t width, std::int64_t height) {
  std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    failure::Record("the size " + size + " is beyond the side limit of 1 to " +
                    std::to_string(kMaxSide));
  } else {
    failure::Record("the size " + size + " has " + std::to_string(width * height) +
                    " pixels, beyond the limit of " + std::to_string(kMaxImagePixels));
  }
}

void ChartSize(const Chart& chart, int& width, int& height) {
  width = chart.settings.width > 0 ? chart.settings.width : kDefaultWidth;
  height = chart.settings.height > 0 ? chart.settings.height : kDefaultHeight;
}

int JpegQuality(int requested) {
  return requested == 0 ? kDefaultJpegQuality : std::clamp(requested, 1, 100);
}

}  // namespace vantiro::engine::device
