// The GDI+ session of the process and chart painting shared by windows,
// files and printers.
#include "engine/device/win32/win32_graphics.h"

#include <utility>

#include "engine/device/device.h"
#include "engine/device/shared/device_shared.h"
#include "engine/device/shared/layout_report_file.h"
#include "engine/layout/layout.h"
#include "engine/render/gdiplus/gdiplus_render.h"
#include "engine/render/gdiplus/gdiplus_text.h"

namespace vantiro::engine::device {
namespace {

// GDI+ is started once and kept for the life of the process: shutting it
// down at unload time is not allowed, and windows may repaint until then.
struct GraphicsSession {
  bool running = false;
  ULONG_PTR token = 0;
};

GraphicsSession& Session() {
  static GraphicsSession session;
  return session;
}

}  // namespace

std::int32_t StartGraphics() {
  GraphicsSession& session = Session();
  if (session.running) return codes::kOk;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&session.token, &input, nullptr) != Gdiplus::Ok) {
    return codes::kNoGraphicsLibrary;
  }
  session.running = true;
  return codes::kOk;
}

std::vector<HotSpot> PaintChart(Gdiplus::Graphics& graphics, const Chart& chart, int width,
                                int height, std::string_view output) {
  render::GdiplusFonts fonts;
  render::GdiplusTextMeasurer measurer(fonts);
  DrawList list = LayoutChart(chart, width, height, measurer);
  list.width = width;
  list.height = height;
  ReportLayout(chart, output, list, measurer);
  render::DrawOnGdiplus(graphics, list, fonts, kPictureLimits);
  return std::move(list.hotSpots);
}

}  // namespace vantiro::engine::device
