// The layout report: one JSON line per laid-out image, listing every text as
// drawn (role, UTF-8 text, its box as four corners) and the texts left out.
// Tools and tests read it to check placement without looking at pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/layout/draw_list.h"

namespace vantiro::engine {

// The report line of `list`, drawn for chart `chartId` to `output` ("window",
// "printer" or a file name), without the final newline. Texts and names are
// UTF-8, as the engine holds them:
//   {"chart": ID, "output": "...", "width": W, "height": H,
//    "texts": [{"role": R, "text": "...", "quad": [[x,y],...], "full": "..."}],
//    "omitted": [{"role": R, "text": "...", "reason": "..."}], "omittedMore": N,
//    "shapes": [{"role": R, "region": .., "quad": [...], "polygon": [...]}],
//    "shapesMore": N,
//    "axes": [{"region": R, "axis": 1|2, "min": .., "max": .., "ticks": [..]}]}
// Texts, omitted texts and shapes that stand for a datum add its "region",
// "series", "point" and "value". "full" only for shortened texts, "reason"
// only for texts left out for another reason than room, "polygon" only for
// slices and layers, the "...More" counts only when non-zero. Quads
// are measured with `measurer`, which must be the one the layout used.
// Throws std::bad_alloc.
std::string LayoutReportLine(std::int32_t chartId, std::string_view output, const DrawList& list,
                             TextMeasurer& measurer);

// A number as the report writes it: at most two decimals, trailing zeros
// dropped, no exponent, "." whatever the locale; "null" if not finite.
void AppendReportNumber(std::string& out, double value);

// A datum as the report writes it: the shortest text that reads back as
// the same double; "null" if not finite.
void AppendExactNumber(std::string& out, double value);

// A UTF-8 text as a JSON string, quotes included (invalid bytes become U+FFFD).
void AppendReportString(std::string& out, std::string_view text);

}  // namespace vantiro::engine
