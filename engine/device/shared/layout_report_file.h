// Where the layout report goes: the file every device appends a line to
// right after it lays a chart out, and what became of those lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::device {

// Ends the current report and, for a non-empty `path`, starts appending to
// that file (created if missing, never truncated). Null or empty: off.
// Returns what VantiroEngine_SetLayoutReport returns (0 or its result bits).
std::int32_t SetLayoutReportFile(const char* path) noexcept;

// Whether a report is being written; devices skip the work otherwise.
bool LayoutReportOn() noexcept;

// Appends the report line of `list`, laid out for `chart` and drawn to
// `output` ("window", "printer" or the file name as given), measured with
// the layout's `measurer`. A line that cannot be written is counted as lost;
// the drawing goes on.
void ReportLayout(const Chart& chart, std::string_view output, const DrawList& list,
                  TextMeasurer& measurer) noexcept;

}  // namespace vantiro::engine::device
