// Chart creation, drawing and teardown actions.
#pragma once

#include <string_view>

namespace vantiro::charts {

void ae_Graph_CreateChart(std::string_view parameters);          // ActionId 2
void ae_Graph_CreateChartfromFile(std::string_view parameters);  // ActionId 9
void ae_Graph_Draw(std::string_view parameters);                 // ActionId 6
void ae_Graph_DeleteChart(std::string_view parameters);          // ActionId 3
void ae_Graph_EndChart(std::string_view parameters);             // ActionId 4

}  // namespace vantiro::charts
