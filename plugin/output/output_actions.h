// Saving a chart to an image or chart file, and printing it. None of these
// actions deletes the chart.
#pragma once

#include <string_view>

namespace vantiro::output {

void ae_Graph_Draw2File(std::string_view parameters);     // ActionId 8
void ae_Graph_WriteRMCFile(std::string_view parameters);  // ActionId 11
void ae_Graph_Draw2Printer(std::string_view parameters);  // ActionId 12

}  // namespace vantiro::output
