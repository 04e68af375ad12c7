// The engine's switch for the layout report, on every target: natively a
// function of the engine library, on Windows an export of rmchart.dll under
// this plain name (beside the sixteen engine functions, which chart.dll
// never calls it with). Test hosts use it; the authoring host does not.
#pragma once

#include <cstdint>

#include "plugin/abi.h"

extern "C" {

// After this call every image the engine draws (window, file or printer)
// appends one JSON line to `path`; null or empty: no report. Ends the report
// before. Returns bits: 1 `path` cannot be opened for appending (reporting
// is off), 2 a line of the report that ended here could not be written.
std::int32_t VANTIRO_STDCALL VantiroEngine_SetLayoutReport(const char* path);

}  // extern "C"

// The result bits of VantiroEngine_SetLayoutReport.
inline constexpr std::int32_t kVantiroLayoutReportCannotOpen = 1;
inline constexpr std::int32_t kVantiroLayoutReportLinesLost = 2;
