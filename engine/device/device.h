// What the engine's functions need from the target: where a chart can be
// drawn. One implementation per target: Windows (GDI+, real windows) and
// native (Cairo, off-screen images). Each returns 0 or an engine result code.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/chart_model.h"

namespace vantiro::engine::device {

// Starts the graphics library once per process. 0, or -14 if it cannot start.
std::int32_t StartGraphics();

// Creates the chart's window inside `parent`: 0, -10 (parent is not a
// window) or -11 (window not created). Charts with exportOnly set never
// call this. Native: any non-zero parent is accepted, 0 gives -10.
std::int32_t CreateChartWindow(const Chart& chart);

// Destroys the chart's window, if it has one (deletion, replacement).
void DestroyChartWindow(std::int32_t ctrlId);

// Draws the chart into its window and keeps it repainting from `chart`,
// which stays valid until DestroyChartWindow or the next ShowChart. Native:
// renders off-screen. With snapshots on (SnapshotPath) it also writes the
// chart as that PNG file. 0 or a negative code.
std::int32_t ShowChart(const Chart& chart);

// Renders to an image file chosen by extension at width x height (already
// resolved: never 0). 0, or -20 for an unknown extension, an absurd size, or
// a file that cannot be written.
std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width, int height,
                        int jpegQuality);

// Draws on a printer device context, scaled into the given page rectangle
// (device units; width or height 0: the whole printable page). With
// managePages non-zero the engine starts and ends the page itself. 0 or -13.
std::int32_t DrawToPrinter(const Chart& chart, std::uintptr_t dc, int left, int top, int width,
                           int height, int managePages);

#if !defined(_WIN32)
// Natively, a stand-in printer: a device context for DrawToPrinter that
// prints into a PDF file (A4 pages), created at once (empty) so that a path
// that cannot be written is refused here; 0 if it cannot be created.
// Closing it finishes the file.
std::uintptr_t OpenPdfPrinter(const char* pdfPath);
void ClosePdfPrinter(std::uintptr_t dc);
#endif

}  // namespace vantiro::engine::device
