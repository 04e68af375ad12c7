// The part of every device that does not depend on the platform: the size a
// chart is drawn at, which sizes may be drawn, the kind of file an image
// file's name asks for, and the JPEG quality.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/chart_model.h"
#include "engine/render/picture_limits.h"

namespace vantiro::engine::device {

enum class FileKind { kUnknown, kPng, kJpeg, kBmp, kSvg, kPdf, kEmf };

// The kind named by the extension of `path` (any letter case); kUnknown if
// it names none. Each device writes only some of the kinds.
FileKind FileKindOf(const std::string& path);

// The largest picture a device decodes: no larger than a raster it draws
// may be (ChartSizeAllowed), beyond which it would only exhaust memory.
inline constexpr render::PictureLimits kPictureLimits{kMaxSide, kMaxImagePixels};

// Vector files hold no pixels.
bool IsVectorFile(FileKind kind);

// Whether an image file of `kind` may be width x height: sides up to
// kMaxSide, and for raster files ChartSizeAllowed.
bool FileSizeAllowed(FileKind kind, std::int64_t width, std::int64_t height);

// Records, as the engine's last-failure detail, why an image file named
// `path` of width x height is refused: an unknown extension, EMF on a
// device that does not write it, or a size beyond the limits.
void RecordRefusedFile(const std::string& path, FileKind kind, bool writesEmf, std::int64_t width,
                       std::int64_t height);

// Records that a chart of width x height is beyond the engine's limits.
void RecordRefusedSize(std::int64_t width, std::int64_t height);

// Snapshots: the PNG file each drawing in a window also writes
// (VantiroEngine_SetSnapshots). Null or empty folder: none.
void SetSnapshots(const char* folder, const char* stem) noexcept;
// The snapshot file of chart `ctrlId`; empty when snapshots are off.
std::string SnapshotPath(std::int32_t ctrlId);

// The chart's own size, as its window and a printed page lay it out.
void ChartSize(const Chart& chart, int& width, int& height);

// The JPEG quality for a requested one: 0 gives kDefaultJpegQuality, others
// are clamped to 1..100.
int JpegQuality(int requested);

}  // namespace vantiro::engine::device
