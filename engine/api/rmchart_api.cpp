// The sixteen engine functions: they check the control ID, region index and
// limits, copy what the caller passes into the chart model, and hand
// drawing to the target's device. No exception leaves a function: each
// maps a failure to its result code.
//
// Charts stay at one address from creation to deletion, and a chart's
// window repaints from its own copy made by the last RMC_DRAW. Every path
// that discards a chart (deletion, creation under an ID in use) destroys the
// window first and frees the chart after, so a window never reads a chart
// that is gone.
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "abi/rmchart.h"
#include "engine/chartfile/chart_file.h"
#include "engine/device/device.h"
#include "engine/device/shared/device_shared.h"
#include "engine/device/shared/layout_report_file.h"
#include "engine/failure/failure.h"
#include "engine/model/chart_model.h"
#include "engine/model/chart_store.h"
#include "memory/pages.h"
#include "text/code_page.h"

namespace {

using namespace vantiro::engine;
namespace text = vantiro::text;
namespace codes = vantiro::engine_codes;

struct EngineState {
  ChartStore store;
};

// Never destroyed: windows may still repaint while the process unloads.
EngineState& State() {
  static EngineState* state = new EngineState;
  return *state;
}

// Runs a function body; any exception becomes `failure`. The detail of an
// earlier failure is forgotten first.
template <class Body>
std::int32_t Guarded(std::int32_t failure, Body&& body) noexcept {
  failure::Clear();
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// Texts are converted once, here where they enter the engine: the caller's
// bytes in the code page become UTF-8, which is all the engine holds.
std::string Entering(std::string_view bytes) {
  return text::ToUtf8(bytes, text::CurrentCodePage());
}
std::string Entering(const char* bytes) { return bytes ? Entering(std::string_view(bytes)) : ""; }

// A caller's text as the chart keeps it: null reads as empty. False if it
// is longer than kMaxTextLength. Throws std::bad_alloc.
bool CopyText(const char* text, std::string& out) {
  if (!text) {
    out.clear();
    return true;
  }
  std::size_t n = 0;
  while (n <= kMaxTextLength && text[n] != '\0') ++n;
  if (n > kMaxTextLength) {
    failure::Record("a text is longer than the engine's limit of " +
                    std::to_string(kMaxTextLength) + " characters");
    return false;
  }
  out = Entering(std::string_view(text, n));
  return true;
}

// A caller's list: a null pointer or a count of 0 or less is an empty list.
std::vector<double> CopyValues(const double* values, std::int32_t count) {
  std::vector<double> out;
  if (!values || count <= 0) return out;
  out.reserve(static_cast<std::size_t>(count));
  vantiro::memory::PreferHugePages(out.data(), out.capacity() * sizeof(double));
  for (std::int32_t i = 0; i < count; ++i) out.push_back(StoredValue(values[i]));
  return out;
}

std::vector<Argb> CopyColours(const RmcColour* colours, std::int32_t count) {
  if (!colours || count <= 0) return {};
  return std::vector<Argb>(colours, colours + count);
}

// Device calls, kept from throwing into the store's bookkeeping.
template <class Call>
std::int32_t DeviceCall(std::int32_t failure, Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

void DestroyWindowOf(std::int32_t ctrlId) noexcept {
  try {
    device::DestroyChartWindow(ctrlId);
  } catch (...) {
  }
}

// Destroys the chart's window, then frees the chart.
void Discard(EngineState& state, std::int32_t ctrlId) noexcept {
  auto it = state.store.charts.find(ctrlId);
  if (it == state.store.charts.end()) return;
  DestroyWindowOf(ctrlId);
  state.store.charts.erase(it);
}

void RecordTooManyCharts() {
  failure::Record("the engine already holds " + std::to_string(kMaxCharts) + " charts, its limit");
}

// Second half of both creation calls: the chart is complete; count it,
// start graphics, store it and give it its window.
std::int32_t Install(EngineState& state, std::unique_ptr<Chart> chart) {
  if (state.store.Count() >= static_cast<std::size_t>(kMaxCharts)) {
    RecordTooManyCharts();
    return codes::kTooManyCharts;
  }
  const bool windowed = chart->settings.exportOnly == 0;
  if (windowed) {
    // The device starts its graphics library once and then answers 0.
    const std::int32_t rc =
        DeviceCall(codes::kNoGraphicsLibrary, [] { return device::StartGraphics(); });
    if (rc != codes::kOk) return rc;
  }
  const std::int32_t ctrlId = chart->ctrlId;
  auto it = state.store.charts.emplace(ctrlId, StoredChart{}).first;
  it->second.chart = std::move(chart);
  if (windowed) {
    const Chart& stored = *it->second.chart;
    const std::int32_t rc =
        DeviceCall(codes::kWindowNotCreated, [&] { return device::CreateChartWindow(stored); });
    if (rc != codes::kOk) {
      state.store.charts.erase(it);
      return rc;
    }
  }
  return codes::kOk;
}

// Resolves a creation size: 0 means the default; -1 if out of range.
int CreationSide(std::int32_t side, int fallback) {
  if (side == 0) return fallback;
  if (side < 0 || side > kMaxSide) return -1;
  return side;
}

// The chart and region a content call names, or the code why there is none.
struct Target {
  std::int32_t code = codes::kOk;
  Region* region = nullptr;
};

Target FindRegion(std::int32_t ctrlId, std::int32_t index) {
  StoredChart* stored = State().store.Find(ctrlId);
  if (!stored) return {codes::kBadControlId, nullptr};
  const std::int32_t rc = CheckRegionIndex(*stored->chart, index);
  if (rc != codes::kOk) return {rc, nullptr};
  return {codes::kOk, &RegionAt(Editable(*stored), index)};
}

// As FindRegion, for a call that adds a series: a full region is refused.
Target FindRegionForSeries(std::int32_t ctrlId, std::int32_t index) {
  Target t = FindRegion(ctrlId, index);
  if (t.region && t.region->SeriesCount() >= static_cast<std::size_t>(kMaxSeriesPerRegion)) {
    failure::Record("the region already has " + std::to_string(kMaxSeriesPerRegion) +
                    " series, the engine's limit");
    return {codes::kSeriesLimit, nullptr};
  }
  return t;
}

}  // namespace

extern "C" {

std::int32_t VANTIRO_STDCALL RMC_CREATECHART(RmcWindow parent, std::int32_t ctrlId, std::int32_t x,
                                             std::int32_t y, std::int32_t width,
                                             std::int32_t height, RmcColour background,
                                             std::int32_t style, std::int32_t exportOnly,
                                             const char* backgroundImage, const char* fontName,
                                             std::int32_t tooltipWidth,
                                             RmcColour backgroundImageColour) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    if (ctrlId == 0) return codes::kBadControlId;
    EngineState& state = State();
    Discard(state, ctrlId);
    const int w = CreationSide(width, kDefaultWidth);
    const int h = CreationSide(height, kDefaultHeight);
    if (!ChartSizeAllowed(w, h)) {
      device::RecordRefusedSize(width, height);
      return codes::kWindowNotCreated;
    }
    auto chart = std::make_unique<Chart>();
    chart->ctrlId = ctrlId;
    ChartSettings& s = chart->settings;
    s.parent = parent;
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    s.background = background;
    s.style = style;
    s.exportOnly = exportOnly;
    s.tooltipWidth = tooltipWidth;
    s.backgroundImageColour = backgroundImageColour;
    if (!CopyText(backgroundImage, s.backgroundImage) || !CopyText(fontName, s.fontName)) {
      return codes::kOutOfMemory;
    }
    return Install(state, std::move(chart));
  });
}

std::int32_t VANTIRO_STDCALL RMC_CREATECHARTFROMFILE(RmcWindow parent, std::int32_t ctrlId,
                                                     std::int32_t x, std::int32_t y,
                                                     std::int32_t exportOnly,
                                                     const char* sourceFile) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    if (ctrlId == 0) return codes::kBadControlId;
    EngineState& state = State();
    Discard(state, ctrlId);
    if (state.store.Count() >= static_cast<std::size_t>(kMaxCharts)) {
      RecordTooManyCharts();
      return codes::kTooManyCharts;
    }
    auto chart = std::make_unique<Chart>();
    if (!sourceFile || !chartfile::ReadChartFile(Entering(sourceFile), *chart)) {
      if (!sourceFile) failure::Record("no source file given");
      return codes::kSourceFileFailed;
    }
    chart->ctrlId = ctrlId;
    chart->settings.parent = parent;
    chart->settings.x = x;
    chart->settings.y = y;
    chart->settings.exportOnly = exportOnly;
    return Install(state, std::move(chart));
  });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW(std::int32_t ctrlId) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    StoredChart* stored = State().store.Find(ctrlId);
    if (!stored) return codes::kBadControlId;
    if (stored->chart->settings.exportOnly != 0) return codes::kOk;  // no window
    // The window reads the chart itself until a content call changes it
    // (Editable).
    std::shared_ptr<const Chart> shown = stored->chart;
    const std::int32_t rc =
        DeviceCall(codes::kWindowNotCreated, [&] { return device::ShowChart(*shown); });
    // The window now reads this chart, whatever the result; the one it read
    // before can go.
    stored->shown = std::move(shown);
    return rc;
  });
}

// Not Guarded: the detail of the failure that made the plug-in delete the
// chart stays.
std::int32_t VANTIRO_STDCALL RMC_DELETECHART(std::int32_t ctrlId) {
  try {
    EngineState& state = State();
    if (!state.store.Find(ctrlId)) return codes::kBadControlId;
    Discard(state, ctrlId);
    return codes::kOk;
  } catch (...) {
    return codes::kBadControlId;
  }
}

std::int32_t VANTIRO_STDCALL RMC_ADDREGION(std::int32_t ctrlId, std::int32_t x, std::int32_t y,
                                           std::int32_t width, std::int32_t height,
                                           const char* footer, std::int32_t showBorder) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    StoredChart* stored = State().store.Find(ctrlId);
    if (!stored) return codes::kBadControlId;
    if (stored->chart->regions.size() >= static_cast<std::size_t>(kMaxRegions)) {
      failure::Record("the chart already has " + std::to_string(kMaxRegions) +
                      " regions, the engine's limit");
      return codes::kRegionLimit;
    }
    Region region;
    region.x = x;
    region.y = y;
    region.width = width;
    region.height = height;
    region.showBorder = showBorder;
    if (!CopyText(footer, region.footer)) return codes::kOutOfMemory;
    Editable(*stored).regions.push_back(std::move(region));
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDGRID(std::int32_t ctrlId, std::int32_t region,
                                         RmcColour background, std::int32_t asGradient,
                                         std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height, std::int32_t biColour) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegion(ctrlId, region);
    if (!t.region) return t.code;
    Grid& g = t.region->grid;
    g.present = true;
    g.background = background;
    g.asGradient = asGradient;
    g.x = x;
    g.y = y;
    g.width = width;
    g.height = height;
    g.biColour = biColour;
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDCAPTION(std::int32_t ctrlId, std::int32_t region,
                                            const char* caption, RmcColour background,
                                            RmcColour textColour, std::int32_t fontSize,
                                            std::int32_t fontBold) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegion(ctrlId, region);
    if (!t.region) return t.code;
    Caption c;
    c.present = true;
    if (!CopyText(caption, c.text)) return codes::kOutOfMemory;
    c.background = background;
    c.textColour = textColour;
    c.fontSize = fontSize;
    c.bold = fontBold;
    t.region->caption = std::move(c);
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDLEGEND(std::int32_t ctrlId, std::int32_t region,
                                           const char* legend, std::int32_t alignment,
                                           RmcColour background, std::int32_t style,
                                           std::int32_t textColour, std::int32_t fontSize,
                                           std::int32_t fontBold) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegion(ctrlId, region);
    if (!t.region) return t.code;
    Legend l;
    l.present = true;
    if (!CopyText(legend, l.text)) return codes::kOutOfMemory;
    if (!HasLegendEntry(l.text)) return codes::kEmptyLegend;
    l.alignment = alignment;
    l.background = background;
    l.style = style;
    l.textColour = textColour;
    l.fontSize = fontSize;
    l.bold = fontBold;
    t.region->legend = std::move(l);
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDDATAAXIS(
    std::int32_t ctrlId, std::int32_t region, std::int32_t alignment, double minValue,
    double maxValue, std::int32_t tickCount, std::int32_t fontSize, RmcColour textColour,
    RmcColour lineColour, std::int32_t lineStyle, std::int32_t decimalDigits, const char* units,
    const char* text, const char* labels, std::int32_t* labelAlignment) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegion(ctrlId, region);
    if (!t.region) return t.code;
    DataAxis a;
    a.alignment = alignment;
    a.minValue = StoredValue(minValue);
    a.maxValue = StoredValue(maxValue);
    a.tickCount = tickCount;
    a.fontSize = fontSize;
    a.textColour = textColour;
    a.lineColour = lineColour;
    a.lineStyle = lineStyle;
    a.decimalDigits = decimalDigits;
    a.labelAlignment = labelAlignment ? *labelAlignment : 0;
    if (!CopyText(units, a.units) || !CopyText(text, a.title) || !CopyText(labels, a.labels)) {
      return codes::kOutOfMemory;
    }
    PutDataAxis(*t.region, std::move(a));
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDLABELAXIS(std::int32_t ctrlId, std::int32_t region,
                                              const char* labels, std::int32_t axisCount,
                                              std::int32_t tickCount, std::int32_t alignment,
                                              std::int32_t fontSize, RmcColour textColour,
                                              std::int32_t textAlignment, RmcColour lineColour,
                                              std::int32_t lineStyle, const char* text) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegion(ctrlId, region);
    if (!t.region) return t.code;
    LabelAxis a;
    if (!CopyText(labels, a.labels) || !CopyText(text, a.title)) return codes::kOutOfMemory;
    a.axisCount = axisCount;
    a.tickCount = tickCount;
    a.alignment = alignment;
    a.fontSize = fontSize;
    a.textColour = textColour;
    a.textAlignment = textAlignment;
    a.lineColour = lineColour;
    a.lineStyle = lineStyle;
    t.region->labelAxis = std::move(a);
    t.region->hasLabelAxis = true;
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDBARSERIES(
    std::int32_t ctrlId, std::int32_t region, const double* values, std::int32_t valueCount,
    std::int32_t type, std::int32_t style, std::int32_t isLucent, RmcColour colour,
    std::int32_t isHorizontal, std::int32_t whichDataAxis, std::int32_t valueLabelOn,
    std::int32_t pointsPerColumn, std::int32_t hatchMode) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegionForSeries(ctrlId, region);
    if (!t.region) return t.code;
    BarSeries s;
    s.values = CopyValues(values, valueCount);
    s.type = type;
    s.style = style;
    s.lucent = isLucent;
    s.colour = colour;
    s.horizontal = isHorizontal;
    s.whichDataAxis = whichDataAxis;
    s.valueLabels = valueLabelOn;
    s.pointsPerColumn = pointsPerColumn;
    s.hatch = hatchMode;
    t.region->bars.push_back(std::move(s));
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDGRIDLESSSERIES(std::int32_t ctrlId, std::int32_t region,
                                                   const double* values, std::int32_t valueCount,
                                                   const RmcColour* colours,
                                                   std::int32_t colourCount, std::int32_t style,
                                                   std::int32_t alignment, std::int32_t explode,
                                                   std::int32_t isLucent, std::int32_t valueLabel,
                                                   std::int32_t hatch, std::int32_t startAngle) {
  return Guarded(codes::kOutOfMemory, [&]() -> std::int32_t {
    Target t = FindRegionForSeries(ctrlId, region);
    if (!t.region) return t.code;
    GridlessSeries s;
    s.values = CopyValues(values, valueCount);
    s.colours = CopyColours(colours, colourCount);
    s.style = style;
    s.alignment = alignment;
    s.explode = explode;
    s.lucent = isLucent;
    s.valueLabels = valueLabel;
    s.hatch = hatch;
    s.startAngle = startAngle;
    t.region->gridless.push_back(std::move(s));
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW2FILE(std::int32_t ctrlId, const char* fileName,
                                           std::int32_t width, std::int32_t height,
                                           std::int32_t jpegQuality) {
  return Guarded(codes::kImageFileFailed, [&]() -> std::int32_t {
    StoredChart* stored = State().store.Find(ctrlId);
    if (!stored) return codes::kBadControlId;
    const Chart& chart = *stored->chart;
    const int w = width == 0 ? chart.settings.width : width;
    const int h = height == 0 ? chart.settings.height : height;
    const std::string path = Entering(fileName);
    if (!device::FileSizeAllowed(device::FileKindOf(path), w, h)) {
      device::RecordRefusedFile(path, device::FileKindOf(path), true, w, h);
      return codes::kImageFileFailed;
    }
    const int quality = device::JpegQuality(jpegQuality);
    return DeviceCall(codes::kImageFileFailed,
                      [&] { return device::DrawToFile(chart, path, w, h, quality); });
  });
}

std::int32_t VANTIRO_STDCALL RMC_WRITERMCFILE(std::int32_t ctrlId, const char* fileName) {
  return Guarded(codes::kTargetFileFailed, [&]() -> std::int32_t {
    StoredChart* stored = State().store.Find(ctrlId);
    if (!stored) return codes::kBadControlId;
    if (!fileName || !chartfile::WriteChartFile(*stored->chart, Entering(fileName))) {
      if (!fileName) failure::Record("no file name given");
      return codes::kTargetFileFailed;
    }
    return codes::kOk;
  });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW2PRINTER(std::int32_t ctrlId, RmcDeviceContext dc,
                                              std::int32_t left, std::int32_t top,
                                              std::int32_t width, std::int32_t height,
                                              std::int32_t managePages) {
  return Guarded(codes::kPrinterDcFailed, [&]() -> std::int32_t {
    StoredChart* stored = State().store.Find(ctrlId);
    if (!stored) return codes::kBadControlId;
    if (dc == 0) {
      failure::Record("no printer device context given (0)");
      return codes::kPrinterDcFailed;
    }
    const Chart& chart = *stored->chart;
    return DeviceCall(codes::kPrinterDcFailed, [&] {
      return device::DrawToPrinter(chart, dc, left, top, width, height, managePages);
    });
  });
}

RmcColour VANTIRO_STDCALL RGB2ARGB(RmcColour colour, std::int32_t alpha) {
  const RmcColour red = colour & 0xFFu;
  const RmcColour green = (colour >> 8) & 0xFFu;
  const RmcColour blue = (colour >> 16) & 0xFFu;
  const RmcColour a = alpha == 0 ? 0xFFu : static_cast<RmcColour>(alpha) & 0xFFu;
  return (a << 24) | (red << 16) | (green << 8) | blue;
}

std::int32_t VANTIRO_STDCALL VantiroEngine_SetLayoutReport(const char* path) {
  try {
    const std::string name = Entering(path);
    return device::SetLayoutReportFile(path ? name.c_str() : nullptr);
  } catch (...) {
    return kVantiroLayoutReportCannotOpen;
  }
}

// The detail leaves the engine in the caller's code page, as its texts came.
const char* VANTIRO_STDCALL VantiroEngine_TakeLastFailure() {
  static std::string taken;
  try {
    taken = text::FromUtf8(failure::Take(), text::CurrentCodePage());
  } catch (...) {
    taken.clear();  // out of memory: no detail
  }
  return taken.c_str();
}

void VANTIRO_STDCALL VantiroEngine_SetSnapshots(const char* folder, const char* stem) {
  try {
    const std::string f = Entering(folder), s = Entering(stem);
    device::SetSnapshots(folder ? f.c_str() : nullptr, stem ? s.c_str() : nullptr);
  } catch (...) {
    device::SetSnapshots(nullptr, nullptr);  // out of memory: no snapshots
  }
}

#if !defined(_WIN32)
std::uintptr_t VantiroEngine_OpenPdfPrinter(const char* pdfPath) {
  try {
    const std::string path = Entering(pdfPath);
    return device::OpenPdfPrinter(pdfPath ? path.c_str() : nullptr);
  } catch (...) {
    return 0;
  }
}

void VantiroEngine_ClosePdfPrinter(std::uintptr_t dc) { device::ClosePdfPrinter(dc); }

std::int32_t VantiroEngine_SetCodePage(std::int32_t codePage) {
  return vantiro::text::SetCurrentCodePage(codePage) ? 0 : kVantiroCodePageUnsupported;
}

std::int32_t VantiroEngine_CodePage() { return vantiro::text::CurrentCodePage(); }
#endif

}  // extern "C"
