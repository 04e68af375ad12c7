// The fake device: engine/device/device.h answered from a script.
#include "tests/engine_model/fake_device.h"

#include <stdexcept>

#include "engine/device/device.h"

namespace vantiro::engine::fake {

FakeDevice& Device() {
  static FakeDevice device;
  return device;
}

void ResetDevice() { Device() = FakeDevice{}; }

Chart Repaint(std::int32_t ctrlId) {
  auto it = Device().windows.find(ctrlId);
  return it == Device().windows.end() ? Chart{} : *it->second;
}

}  // namespace vantiro::engine::fake

namespace vantiro::engine::device {

using fake::Device;

std::int32_t StartGraphics() {
  Device().log.push_back("start");
  return Device().startGraphicsResult;
}

std::int32_t CreateChartWindow(const Chart& chart) {
  Device().log.push_back("create " + std::to_string(chart.ctrlId));
  Device().lastDrawn = chart;
  if (chart.settings.parent == 0) return -10;
  if (Device().createWindowResult != 0) return Device().createWindowResult;
  Device().windows[chart.ctrlId] = &chart;
  return 0;
}

void DestroyChartWindow(std::int32_t ctrlId) {
  Device().log.push_back("destroy " + std::to_string(ctrlId));
  fake::Repaint(ctrlId);  // a last paint while the window goes away
  Device().windows.erase(ctrlId);
}

std::int32_t ShowChart(const Chart& chart) {
  Device().log.push_back("show " + std::to_string(chart.ctrlId));
  if (Device().throwOnShow) throw std::runtime_error("device failure");
  Device().windows[chart.ctrlId] = &chart;
  return Device().showChartResult;
}

std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width, int height,
                        int jpegQuality) {
  Device().log.push_back("file " + std::to_string(chart.ctrlId) + " " + path + " " +
                         std::to_string(width) + "x" + std::to_string(height) + " q" +
                         std::to_string(jpegQuality));
  Device().lastDrawn = chart;
  Device().lastFileGeneration = chart.generation.value();
  return Device().drawToFileResult;
}

std::int32_t DrawToPrinter(const Chart& chart, std::uintptr_t dc, int left, int top, int width,
                           int height, int managePages) {
  Device().log.push_back("printer " + std::to_string(chart.ctrlId) + " dc=" + std::to_string(dc) +
                         " " + std::to_string(left) + "," + std::to_string(top) + " " +
                         std::to_string(width) + "x" + std::to_string(height) +
                         " pages=" + std::to_string(managePages));
  Device().lastDrawn = chart;
  return Device().drawToPrinterResult;
}

#if !defined(_WIN32)
std::uintptr_t OpenPdfPrinter(const char*) { return 0; }  // no printer here
void ClosePdfPrinter(std::uintptr_t) {}
#endif

}  // namespace vantiro::engine::device
