// Charts drawn on a printer's device context (or any device context the
// caller owns): scaled to fit the page or a given rectangle, proportions
// kept, centred.
#include <algorithm>

#include "engine/device/device.h"
#include "engine/device/win32/win32_graphics.h"

namespace vantiro::engine::device {
namespace {

// Whether `dc` names a device context GDI+ can draw on. A value that names
// nothing (or another kind of object) is only ever looked up.
bool UsableDc(HDC dc) {
  if (dc == nullptr) return false;
  switch (GetObjectType(dc)) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_ENHMETADC: return true;
    default: return false;
  }
}

// Only printers have pages; other device contexts (memory, metafile,
// screen) are drawn on as they are, whatever the caller asked.
bool HasPages(HDC dc) {
  const int technology = GetDeviceCaps(dc, TECHNOLOGY);
  return technology == DT_RASPRINTER || technology == DT_PLOTTER;
}

// The drawable area of `dc` in device units: the bitmap of a memory device
// context, else the printable part of the page.
RECT PageOf(HDC dc) {
  RECT page{0, 0, 0, 0};
  if (GetObjectType(dc) == OBJ_MEMDC) {
    BITMAP bitmap{};
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
    if (selected != nullptr && GetObject(selected, sizeof bitmap, &bitmap) == sizeof bitmap) {
      page.right = bitmap.bmWidth;
      page.bottom = bitmap.bmHeight;
    }
    return page;
  }
  page.right = GetDeviceCaps(dc, HORZRES);
  page.bottom = GetDeviceCaps(dc, VERTRES);
  return page;
}

}  // namespace

std::int32_t DrawToPrinter(const Chart& chart, std::uintptr_t dcValue, int left, int top, int width,
                           int height, int managePages) {
  HDC dc = reinterpret_cast<HDC>(dcValue);
  if (!UsableDc(dc) || StartGraphics() != codes::kOk) return codes::kPrinterDcFailed;
  double pageLeft = left, pageTop = top, pageWidth = width, pageHeight = height;
  if (width <= 0 || height <= 0) {
    const RECT page = PageOf(dc);
    pageLeft = page.left;
    pageTop = page.top;
    pageWidth = static_cast<double>(page.right) - page.left;
    pageHeight = static_cast<double>(page.bottom) - page.top;
  }
  int chartWidth = 0, chartHeight = 0;
  ChartSize(chart, chartWidth, chartHeight);
  if (pageWidth <= 0 || pageHeight <= 0 || !ChartSizeAllowed(chartWidth, chartHeight)) {
    return codes::kPrinterDcFailed;
  }
  const double scale = std::min(pageWidth / chartWidth, pageHeight / chartHeight);
  const double x = pageLeft + (pageWidth - chartWidth * scale) / 2;
  const double y = pageTop + (pageHeight - chartHeight * scale) / 2;

  const bool pages = managePages != 0 && HasPages(dc);
  if (pages && StartPage(dc) <= 0) return codes::kPrinterDcFailed;
  bool drawn = false;
  try {
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() == Gdiplus::Ok) {
      // Device units: a printer's GDI+ default is hundredths of an inch.
      graphics.SetPageUnit(Gdiplus::UnitPixel);
      graphics.TranslateTransform(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y));
      graphics.ScaleTransform(static_cast<Gdiplus::REAL>(scale), static_cast<Gdiplus::REAL>(scale));
      graphics.SetClip(Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(chartWidth),
                                      static_cast<Gdiplus::REAL>(chartHeight)));
      PaintChart(graphics, chart, chartWidth, chartHeight, "printer");
      drawn = true;
    }
  } catch (...) {
    drawn = false;  // the page is still ended below
  }
  if (pages && EndPage(dc) <= 0) drawn = false;
  return drawn ? codes::kOk : codes::kPrinterDcFailed;
}

}  // namespace vantiro::engine::device
