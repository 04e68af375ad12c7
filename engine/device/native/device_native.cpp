// The native device: charts are laid out and rendered off-screen with
// Cairo; files are written from memory once complete; a "printer" is a PDF
// file opened by VantiroEngine_OpenPdfPrinter.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <exception>
#include <string>
#include <vector>

#include <cairo-pdf.h>
#include <cairo.h>

#include "engine/device/device.h"
#include "engine/device/native/native_extensions.h"
#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/cairo_text.h"
#include "engine/render/cairo/image_encode.h"

namespace vantiro::engine::device {
namespace {

// Engine result codes this device returns.
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kBadParent = -10;
constexpr std::int32_t kWindowNotCreated = -11;
constexpr std::int32_t kPrinterNotCreated = -13;
constexpr std::int32_t kFileNotCreated = -20;

// A4 in points, and the margin kept free when the whole page is used.
constexpr double kA4Width = 595.2756;
constexpr double kA4Height = 841.8898;
constexpr double kPageMargin = 36.0;

// Printer handles are numbers from here on, never addresses, so that an
// unknown value is only ever looked up.
constexpr std::uintptr_t kFirstPrinterHandle = 0x7D000001;

enum class FileKind { kUnknown, kPng, kJpeg, kBmp, kSvg, kPdf };

struct FileExtension {
  const char* extension;
  FileKind kind;
};
constexpr FileExtension kFileExtensions[] = {
    {".png", FileKind::kPng}, {".jpg", FileKind::kJpeg}, {".jpeg", FileKind::kJpeg},
    {".bmp", FileKind::kBmp}, {".svg", FileKind::kSvg},  {".pdf", FileKind::kPdf},
};

struct PdfPrinter {
  cairo_surface_t* surface = nullptr;
};

// All state of the native device.
struct NativeDevice {
  std::string snapshotFolder;
  std::map<std::uintptr_t, PdfPrinter> printers;
  std::uintptr_t nextPrinter = kFirstPrinterHandle;
  render::CairoFonts fonts;
  render::PngEncoder png;

  NativeDevice() = default;
  NativeDevice(const NativeDevice&) = delete;
  NativeDevice& operator=(const NativeDevice&) = delete;
  // Printers still open when the program ends are finished, so their
  // files are complete.
  ~NativeDevice() {
    for (auto& [handle, printer] : printers) {
      cairo_surface_finish(printer.surface);
      cairo_surface_destroy(printer.surface);
    }
  }
};

NativeDevice& State() {
  static NativeDevice state;
  return state;
}

FileKind KindOfPath(const std::string& path) {
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

bool SizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxImagePixels;
}

// Writes `bytes` to `path` through a neighbouring ".part" file renamed
// into place, so that `path` never holds a partial file.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (path.empty() || bytes.empty()) return false;
  const std::string part = path + ".part";
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  ok = ok && std::rename(part.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(part.c_str());
  return ok;
}

DrawList Layout(const Chart& chart, int width, int height) {
  render::CairoTextMeasurer measurer(State().fonts);
  DrawList list = LayoutChart(chart, width, height, measurer);
  list.width = width;
  list.height = height;
  return list;
}

// The chart encoded as a file of the given kind; empty on failure.
std::vector<std::uint8_t> EncodeChart(const Chart& chart, FileKind kind, int width,
                                      int height, int jpegQuality) {
  const DrawList list = Layout(chart, width, height);
  render::CairoFonts& fonts = State().fonts;
  std::vector<std::uint8_t> bytes;
  switch (kind) {
    case FileKind::kSvg:
      if (!render::RenderToSvg(list, fonts, bytes)) bytes.clear();
      return bytes;
    case FileKind::kPdf:
      if (!render::RenderToPdf(list, fonts, bytes)) bytes.clear();
      return bytes;
    case FileKind::kUnknown:
      return bytes;
    case FileKind::kPng:
    case FileKind::kJpeg:
    case FileKind::kBmp:
      break;
  }
  const render::CairoImage image = render::RenderToImage(list, fonts);
  if (!image.ok()) return bytes;
  if (kind == FileKind::kPng) return State().png.Encode(image.pixels());
  if (kind == FileKind::kBmp) return render::EncodeBmp(image.pixels());
  return render::EncodeJpeg(image.pixels(),
                            jpegQuality == 0 ? kDefaultJpegQuality : jpegQuality);
}

// The chart's own size, as the layout for a window or a page uses it.
void ChartSize(const Chart& chart, int& width, int& height) {
  width = chart.settings.width > 0 ? chart.settings.width : kDefaultWidth;
  height = chart.settings.height > 0 ? chart.settings.height : kDefaultHeight;
}

}  // namespace

std::int32_t StartGraphics() { return kOk; }

std::int32_t CreateChartWindow(const Chart& chart) {
  return chart.settings.parent == 0 ? kBadParent : kOk;
}

void DestroyChartWindow(std::int32_t) {
  // No windows natively: nothing is kept per chart.
}

std::int32_t ShowChart(const Chart& chart) {
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  if (!SizeAllowed(width, height)) return kWindowNotCreated;
  try {
    const DrawList list = Layout(chart, width, height);
    const render::CairoImage image = render::RenderToImage(list, State().fonts);
    if (!image.ok()) return kWindowNotCreated;
    const std::string& folder = State().snapshotFolder;
    if (folder.empty()) return kOk;
    const std::string path = folder + "/chart-" + std::to_string(chart.ctrlId) + ".png";
    return WriteWholeFile(path, State().png.Encode(image.pixels())) ? kOk : kFileNotCreated;
  } catch (const std::exception&) {  // out of memory, above all
    return kWindowNotCreated;
  }
}

std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width,
                        int height, int jpegQuality) {
  const FileKind kind = KindOfPath(path);
  if (kind == FileKind::kUnknown || !SizeAllowed(width, height)) return kFileNotCreated;
  try {
    const std::vector<std::uint8_t> bytes =
        EncodeChart(chart, kind, width, height, jpegQuality);
    return WriteWholeFile(path, bytes) ? kOk : kFileNotCreated;
  } catch (const std::exception&) {  // out of memory, above all
    return kFileNotCreated;
  }
}

std::int32_t DrawToPrinter(const Chart& chart, std::uintptr_t dc, int left, int top,
                           int width, int height, int managePages) {
  auto found = State().printers.find(dc);
  if (found == State().printers.end()) return kPrinterNotCreated;
  cairo_surface_t* page = found->second.surface;

  double x = left, y = top, w = width, h = height;
  if (width <= 0 || height <= 0) {
    x = kPageMargin;
    y = kPageMargin;
    w = kA4Width - 2 * kPageMargin;
    h = kA4Height - 2 * kPageMargin;
  }
  int chartWidth = 0, chartHeight = 0;
  ChartSize(chart, chartWidth, chartHeight);
  if (!SizeAllowed(chartWidth, chartHeight)) return kPrinterNotCreated;
  try {
    const DrawList list = Layout(chart, chartWidth, chartHeight);
    // Scaled to fit the rectangle, keeping the chart's proportions, centred.
    const double scale = std::min(w / chartWidth, h / chartHeight);
    cairo_t* cr = cairo_create(page);
    cairo_translate(cr, x + (w - chartWidth * scale) / 2, y + (h - chartHeight * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_rectangle(cr, 0, 0, chartWidth, chartHeight);
    cairo_clip(cr);
    render::DrawOnCairo(cr, list, State().fonts);
    if (managePages != 0) cairo_show_page(cr);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS &&
                    cairo_surface_status(page) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    return ok ? kOk : kPrinterNotCreated;
  } catch (const std::exception&) {  // out of memory, above all
    return kPrinterNotCreated;
  }
}

}  // namespace vantiro::engine::device

using vantiro::engine::device::PdfPrinter;
using vantiro::engine::device::State;

extern "C" void VantiroEngine_SetSnapshotFolder(const char* folder) {
  State().snapshotFolder = folder != nullptr ? folder : "";
}

extern "C" std::uintptr_t VantiroEngine_OpenPdfPrinter(const char* pdfPath) {
  if (pdfPath == nullptr || *pdfPath == '\0') return 0;
  cairo_surface_t* surface = cairo_pdf_surface_create(
      pdfPath, vantiro::engine::device::kA4Width, vantiro::engine::device::kA4Height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return 0;
  }
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Vantiro");
  const std::uintptr_t handle = State().nextPrinter++;
  State().printers.emplace(handle, PdfPrinter{surface});
  return handle;
}

extern "C" void VantiroEngine_ClosePdfPrinter(std::uintptr_t dc) {
  auto found = State().printers.find(dc);
  if (found == State().printers.end()) return;
  cairo_surface_finish(found->second.surface);
  cairo_surface_destroy(found->second.surface);
  State().printers.erase(found);
}
