// The native device: charts are laid out and rendered off-screen with
// Cairo; files are written from memory once complete; a "printer" is a PDF
// file opened by OpenPdfPrinter.
#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <cairo-pdf.h>
#include <cairo.h>

#include "engine/device/device.h"
#include "abi/rmchart.h"
#include "engine/device/shared/device_shared.h"
#include "engine/device/shared/layout_report_file.h"
#include "engine/failure/failure.h"
#include "engine/files/file_io.h"
#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_handles.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/cairo_text.h"
#include "engine/render/cairo/image_encode.h"

namespace vantiro::engine::device {
namespace {

namespace codes = vantiro::engine_codes;

// A4 in points, and the margin kept free when the whole page is used.
constexpr double kA4Width = 595.2756;
constexpr double kA4Height = 841.8898;
constexpr double kPageMargin = 36.0;

// Printer handles are numbers from here on, never addresses, so that an
// unknown value is only ever looked up.
constexpr std::uintptr_t kFirstPrinterHandle = 0x7D000001;

// A PDF printer: pages are collected in memory and the file is written,
// through the checked write routine, when the printer is closed.
class PdfPrinter {
 public:
  PdfPrinter(std::string path, double width, double height)
      : path_(std::move(path)),
        bytes_(std::make_unique<std::vector<std::uint8_t>>()),
        surface_(cairo_pdf_surface_create_for_stream(&render::AppendToBytes, bytes_.get(), width,
                                                     height)) {}
  PdfPrinter(PdfPrinter&&) noexcept = default;
  PdfPrinter& operator=(PdfPrinter&&) = delete;
  ~PdfPrinter() { Finish(); }

  cairo_surface_t* surface() const { return surface_.get(); }

  // Ends the document and writes the file; false if either fails.
  bool Finish() {
    if (surface_ == nullptr) return false;
    const render::CairoSurface surface = std::move(surface_);
    cairo_surface_finish(surface.get());
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS &&
           files::WriteWholeFile(path_, *bytes_);
  }

 private:
  std::string path_;
  std::unique_ptr<std::vector<std::uint8_t>> bytes_;  // stays put when moved
  render::CairoSurface surface_;
};

// The last chart drawn as an image, kept so that drawing the same chart
// again at the same size (ae_Graph_Draw, then ae_Graph_Draw2File) reuses
// its pixels, and its PNG once encoded. The chart is known by its
// generation: any change to the chart (which gives it a new one), the size
// or the code page makes it a different frame. Charts with a background
// picture are not kept (the picture file may change in between), nor
// frames while layouts are reported (every drawing is reported).
struct DrawnFrame {
  static constexpr std::int64_t kMaxPixels = std::int64_t{4} << 20;

  std::int32_t ctrlId = 0;
  std::uint64_t generation = 0;  // 0: no chart; generations start at 1
  int width = 0, height = 0;
  render::CairoImage image;       // not ok(): no frame kept
  std::vector<std::uint8_t> png;  // empty until encoded

  static bool Keepable(const Chart& chart, int width, int height) {
    return chart.settings.backgroundImage.empty() && !LayoutReportOn() &&
           std::int64_t{width} * height <= kMaxPixels;
  }
  bool Holds(const Chart& chart, int w, int h) const {
    return image.ok() && w == width && h == height && chart.generation.value() == generation;
  }
  void Clear() { *this = DrawnFrame(); }
};

// All state of the native device.
struct NativeDevice {
  std::map<std::uintptr_t, PdfPrinter> printers;
  std::uintptr_t nextPrinter = kFirstPrinterHandle;
  render::CairoFonts fonts;
  render::PngEncoder png;
  DrawnFrame frame;

  NativeDevice() = default;
  NativeDevice(const NativeDevice&) = delete;
  NativeDevice& operator=(const NativeDevice&) = delete;
  ~NativeDevice() = default;  // open printers finish their files
};

NativeDevice& State() {
  static NativeDevice state;
  return state;
}

// The chart laid out for `output` ("window", "printer" or a file name), and
// reported as such.
DrawList Layout(const Chart& chart, int width, int height, std::string_view output) {
  render::CairoTextMeasurer measurer(State().fonts);
  DrawList list = LayoutChart(chart, width, height, measurer);
  list.width = width;
  list.height = height;
  ReportLayout(chart, output, list, measurer);
  return list;
}

// A drawn image as a file of the given raster kind; empty on failure.
std::vector<std::uint8_t> EncodeImage(const render::CairoImage& image, FileKind kind,
                                      int jpegQuality) {
  if (kind == FileKind::kPng) return State().png.Encode(image.pixels());
  if (kind == FileKind::kBmp) return render::EncodeBmp(image.pixels());
  return render::EncodeJpeg(image.pixels(), JpegQuality(jpegQuality));
}

// The chart drawn as an image of width x height, kept as the device's
// frame (the chart must be Keepable); the kept frame itself if it shows
// this chart at this size. Null if the image could not be made.
const DrawnFrame* DrawFrame(const Chart& chart, int width, int height, std::string_view output) {
  DrawnFrame& frame = State().frame;
  if (frame.Holds(chart, width, height)) return &frame;
  frame.Clear();
  const DrawList list = Layout(chart, width, height, output);
  render::CairoImage image = render::RenderToImage(list, State().fonts, kPictureLimits);
  if (!image.ok()) return nullptr;
  frame.ctrlId = chart.ctrlId;
  frame.generation = chart.generation.value();
  frame.width = width;
  frame.height = height;
  frame.image = std::move(image);
  return &frame;
}

// The frame's PNG, encoded once.
const std::vector<std::uint8_t>& FramePng(DrawnFrame& frame) {
  if (frame.png.empty()) frame.png = State().png.Encode(frame.image.pixels());
  return frame.png;
}

// The chart encoded as a file of the given kind; empty on failure.
std::vector<std::uint8_t> EncodeChart(const Chart& chart, const std::string& path, FileKind kind,
                                      int width, int height, int jpegQuality) {
  const bool raster = kind == FileKind::kPng || kind == FileKind::kJpeg || kind == FileKind::kBmp;
  if (raster && DrawnFrame::Keepable(chart, width, height)) {
    const DrawnFrame* frame = DrawFrame(chart, width, height, path);
    if (frame == nullptr) return {};
    if (kind == FileKind::kPng) return FramePng(State().frame);
    return EncodeImage(frame->image, kind, jpegQuality);
  }
  const DrawList list = Layout(chart, width, height, path);
  render::CairoFonts& fonts = State().fonts;
  std::vector<std::uint8_t> bytes;
  switch (kind) {
    case FileKind::kSvg:
      if (!render::RenderToSvg(list, fonts, kPictureLimits, bytes)) bytes.clear();
      return bytes;
    case FileKind::kPdf:
      if (!render::RenderToPdf(list, fonts, kPictureLimits, bytes)) bytes.clear();
      return bytes;
    case FileKind::kUnknown:
    case FileKind::kEmf:  // metafiles are a Windows format
      return bytes;
    case FileKind::kPng:
    case FileKind::kJpeg:
    case FileKind::kBmp: break;
  }
  const render::CairoImage image = render::RenderToImage(list, fonts, kPictureLimits);
  if (!image.ok()) return bytes;
  return EncodeImage(image, kind, jpegQuality);
}

}  // namespace

std::int32_t StartGraphics() { return codes::kOk; }

std::int32_t CreateChartWindow(const Chart& chart) {
  return chart.settings.parent == 0 ? codes::kBadParentWindow : codes::kOk;
}

void DestroyChartWindow(std::int32_t ctrlId) {
  // No windows natively; only the chart's kept frame goes.
  if (State().frame.ctrlId == ctrlId) State().frame.Clear();
}

std::int32_t ShowChart(const Chart& chart) {
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  if (!ChartSizeAllowed(width, height)) {
    RecordRefusedSize(width, height);
    return codes::kWindowNotCreated;
  }
  try {
    const std::string path = SnapshotPath(chart.ctrlId);
    if (DrawnFrame::Keepable(chart, width, height)) {
      if (DrawFrame(chart, width, height, "window") == nullptr) return codes::kWindowNotCreated;
      if (path.empty()) return codes::kOk;
      const std::vector<std::uint8_t>& bytes = FramePng(State().frame);
      const bool written = !bytes.empty() && files::WriteWholeFile(path, bytes);
      return written ? codes::kOk : codes::kImageFileFailed;
    }
    const DrawList list = Layout(chart, width, height, "window");
    const render::CairoImage image = render::RenderToImage(list, State().fonts, kPictureLimits);
    if (!image.ok()) return codes::kWindowNotCreated;
    if (path.empty()) return codes::kOk;
    const std::vector<std::uint8_t> bytes = State().png.Encode(image.pixels());
    const bool written = !bytes.empty() && files::WriteWholeFile(path, bytes);
    return written ? codes::kOk : codes::kImageFileFailed;
  } catch (const std::exception&) {  // out of memory, above all
    return codes::kWindowNotCreated;
  }
}

std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width, int height,
                        int jpegQuality) {
  const FileKind kind = FileKindOf(path);
  if (kind == FileKind::kUnknown || kind == FileKind::kEmf ||
      !FileSizeAllowed(kind, width, height)) {
    RecordRefusedFile(path, kind, false, width, height);
    return codes::kImageFileFailed;
  }
  try {
    const std::vector<std::uint8_t> bytes =
        EncodeChart(chart, path, kind, width, height, jpegQuality);
    const bool written = !bytes.empty() && files::WriteWholeFile(path, bytes);
    return written ? codes::kOk : codes::kImageFileFailed;
  } catch (const std::exception&) {  // out of memory, above all
    return codes::kImageFileFailed;
  }
}

std::int32_t DrawToPrinter(const Chart& chart, std::uintptr_t dc, int left, int top, int width,
                           int height, int managePages) {
  auto found = State().printers.find(dc);
  if (found == State().printers.end()) {
    failure::Record("no PDF printer has the device context " + std::to_string(dc));
    return codes::kPrinterDcFailed;
  }
  cairo_surface_t* page = found->second.surface();

  double x = left, y = top, w = width, h = height;
  if (width <= 0 || height <= 0) {
    x = kPageMargin;
    y = kPageMargin;
    w = kA4Width - 2 * kPageMargin;
    h = kA4Height - 2 * kPageMargin;
  }
  int chartWidth = 0, chartHeight = 0;
  ChartSize(chart, chartWidth, chartHeight);
  if (!ChartSizeAllowed(chartWidth, chartHeight)) return codes::kPrinterDcFailed;
  try {
    const DrawList list = Layout(chart, chartWidth, chartHeight, "printer");
    // Scaled to fit the rectangle, keeping the chart's proportions, centred.
    const double scale = std::min(w / chartWidth, h / chartHeight);
    const render::CairoContext context(cairo_create(page));
    cairo_t* cr = context.get();
    cairo_translate(cr, x + (w - chartWidth * scale) / 2, y + (h - chartHeight * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_rectangle(cr, 0, 0, chartWidth, chartHeight);
    cairo_clip(cr);
    render::DrawOnCairo(cr, list, State().fonts, kPictureLimits);
    if (managePages != 0) cairo_show_page(cr);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS &&
                    cairo_surface_status(page) == CAIRO_STATUS_SUCCESS;
    return ok ? codes::kOk : codes::kPrinterDcFailed;
  } catch (const std::exception&) {  // out of memory, above all
    return codes::kPrinterDcFailed;
  }
}

std::uintptr_t OpenPdfPrinter(const char* pdfPath) {
  if (pdfPath == nullptr || *pdfPath == '\0') return 0;
  try {
    if (!files::WriteWholeFile(pdfPath, std::string_view())) return 0;
    PdfPrinter printer(pdfPath, kA4Width, kA4Height);
    if (cairo_surface_status(printer.surface()) != CAIRO_STATUS_SUCCESS) return 0;
    cairo_pdf_surface_set_metadata(printer.surface(), CAIRO_PDF_METADATA_CREATOR, "Vantiro");
    const std::uintptr_t handle = State().nextPrinter;
    State().printers.emplace(handle, std::move(printer));
    ++State().nextPrinter;
    return handle;
  } catch (const std::exception&) {  // out of memory
    return 0;
  }
}

void ClosePdfPrinter(std::uintptr_t dc) {
  State().printers.erase(dc);  // finishes and writes the file
}

}  // namespace vantiro::engine::device
