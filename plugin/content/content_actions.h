// The eight actions that fill a chart: regions, grids, captions, legends,
// axes and series. Each failure deletes the chart.
#pragma once

#include <string_view>

namespace vantiro::content {

void ae_Graph_AddRegion(std::string_view parameters);         // ActionId 5
void ae_Graph_AddGrid(std::string_view parameters);           // ActionId 15
void ae_Graph_AddCaption(std::string_view parameters);        // ActionId 10
void ae_Graph_AddLegend(std::string_view parameters);         // ActionId 13
void ae_Graph_AddDataAxis(std::string_view parameters);       // ActionId 16
void ae_Graph_AddLabelAxis(std::string_view parameters);      // ActionId 17
void ae_Graph_AddBarSeries(std::string_view parameters);      // ActionId 14
void ae_Graph_AddGridlessSeries(std::string_view parameters); // ActionId 7

}  // namespace vantiro::content
