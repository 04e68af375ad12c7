// Chart files: the whole definition of a chart as a versioned text of our
// own (docs/guide/chart-files.md), written by RMC_WRITERMCFILE and read back by
// RMC_CREATECHARTFROMFILE. The control ID, the parent window, the position
// and the export setting are not part of a chart file: they come from the
// call that reads it.
#pragma once

#include <string>
#include <string_view>

#include "engine/model/chart_model.h"

namespace vantiro::engine::chartfile {

// First line of every chart file of the version this engine writes: texts
// in UTF-8.
inline constexpr std::string_view kMagicLine = "VANTIRO-CHART 2";
// First line of the files of the earlier version, still read: texts in the
// reader's code page.
inline constexpr std::string_view kMagicLineVersion1 = "VANTIRO-CHART 1";
// Longest line a reader accepts, in bytes (the longest record of a chart
// within the model's limits is below it: three texts of kMaxTextLength
// bytes, each byte up to three UTF-8 bytes written as \xHH).
inline constexpr std::size_t kMaxLineLength = 4 * 1024 * 1024;
// Longest text a version 2 file holds, in UTF-8 bytes: a text of the model's
// length limit, in any code page.
inline constexpr std::size_t kMaxUtf8TextLength = kMaxTextBytes;
// Values (or colours) on one line of a series' list.
inline constexpr std::size_t kItemsPerLine = 16;

// The chart's UTF-8 texts are written as they are. They are read as if they
// had come through the engine's functions: a character the reader's code
// page (text/code_page.h) lacks reads as "?"; a version 1 file's texts are
// in the reader's code page.

// The chart file text of `chart`. Throws std::bad_alloc.
std::string FormatChart(const Chart& chart);

// Reads a chart file text into `chart` (its ID, parent, position and export
// setting left at their defaults). False, leaving `chart` unchanged, for
// anything but a complete, well-formed file whose chart passes IsValidChart.
// Memory use stays proportional to the size of the text.
bool ParseChart(std::string_view text, Chart& chart) noexcept;

// Writes the chart file: first to a temporary file beside it, then renamed
// over `path`, so a failure never leaves a partial file under that name.
bool WriteChartFile(const Chart& chart, const std::string& path) noexcept;

// Reads a chart file from disk, as ParseChart does, without loading the
// whole file first.
bool ReadChartFile(const std::string& path, Chart& chart) noexcept;

}  // namespace vantiro::engine::chartfile
