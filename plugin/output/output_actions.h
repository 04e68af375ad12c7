// Saving a chart to an image or chart file, and printing it. None of these
// actions deletes the chart.
#pragma once

#include <string_view>

#include "plugin/charts/action_frame.h"

namespace vantiro::output {

// The field kinds of each action in field order, under its usage text.
namespace field_kinds {

using enum charts::Field;

// Id|TargetFileName|width|height|JPGQuality
inline constexpr charts::Field kDraw2FileFields[] = {
    kInteger, kText100, kInteger, kInteger, kInteger,
};
static_assert(charts::FitsDecoding(kDraw2FileFields));

// id|TargetFile.RMC
inline constexpr charts::Field kWriteRMCFileFields[] = {kInteger, kText256};
static_assert(charts::FitsDecoding(kWriteRMCFileFields));

}  // namespace field_kinds

void ae_Graph_Draw2File(std::string_view parameters);
void ae_Graph_WriteRMCFile(std::string_view parameters);
void ae_Graph_Draw2Printer(std::string_view parameters);

}  // namespace vantiro::output
