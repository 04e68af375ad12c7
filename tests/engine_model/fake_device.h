// A device that draws nothing: it records what the engine asks of it and
// answers with scripted results, so the engine core runs without a graphics
// backend. Like a real window, it keeps the chart each window was last
// given and reads it again on Repaint and just before the window goes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/model/chart_model.h"

namespace vantiro::engine::fake {

struct FakeDevice {
  // Results the next calls return (0 unless a test sets them).
  std::int32_t startGraphicsResult = 0;
  std::int32_t createWindowResult = 0;  // parent 0 gives -10 regardless
  std::int32_t showChartResult = 0;
  std::int32_t drawToFileResult = 0;
  std::int32_t drawToPrinterResult = 0;
  bool throwOnShow = false;  // ShowChart throws std::runtime_error

  // One line per call: "start", "create 5", "destroy 5", "show 5",
  // "file 5 out.png 640x480 q90", "printer 5 dc=7 1,2 30x40 pages=1".
  std::vector<std::string> log;
  // The chart as the last DrawToFile, DrawToPrinter or CreateChartWindow
  // saw it.
  Chart lastDrawn;
  // The generation of the chart the last DrawToFile was given.
  std::uint64_t lastFileGeneration = 0;
  // What each window repaints from.
  std::map<std::int32_t, const Chart*> windows;
};

// The one fake device of the process.
FakeDevice& Device();

// Forgets every window and call, and scripts all results back to 0.
void ResetDevice();

// Reads the chart window `ctrlId` shows, as a repaint would; returns a copy
// (a chart without ctrlId if there is no such window).
Chart Repaint(std::int32_t ctrlId);

}  // namespace vantiro::engine::fake
