// The charts the engine holds, by control ID, and the rules that every call
// adding to a chart shares: which region an index names, what a legend
// needs, and what any chart may hold.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "engine/model/chart_model.h"

namespace vantiro::engine {

// One chart held by the engine. `chart` is what the calls build. `shown` is
// the chart its window last received through device::ShowChart: the window
// repaints from it until the next draw or the window's destruction. Drawing
// shares the chart instead of copying it; the first change after that
// copies it (Editable), so later content calls never change (or move) what
// a window reads. Both live on the heap, so their addresses survive changes
// to the store.
struct StoredChart {
  std::shared_ptr<Chart> chart;
  std::shared_ptr<const Chart> shown;
};

// The chart of `stored`, about to be changed: a copy of its own if its
// window still reads it, and with a new generation. May throw
// std::bad_alloc, leaving `stored` unchanged.
Chart& Editable(StoredChart& stored);

struct ChartStore {
  std::map<std::int32_t, StoredChart> charts;

  // The stored chart under `ctrlId`, or null (always null for ID 0).
  StoredChart* Find(std::int32_t ctrlId);
  std::size_t Count() const { return charts.size(); }
};

// 0 if `index` names a region of `chart`; -2 for an index above
// kMaxRegions; -9 for one that names no region (0, negative, not added).
std::int32_t CheckRegionIndex(const Chart& chart, std::int32_t index);

// The region an index names (CheckRegionIndex must have returned 0).
Region& RegionAt(Chart& chart, std::int32_t index);

// True if the legend text has at least one non-empty entry.
bool HasLegendEntry(std::string_view text);

// A value as the chart keeps it: non-finite values become 0.
double StoredValue(double value);

// Adds a data axis to a region: appended while the region has fewer than
// kMaxDataAxes, else it replaces the last one. May throw std::bad_alloc,
// leaving the region unchanged.
void PutDataAxis(Region& region, DataAxis axis);

// True if `chart` keeps every rule of chart_model.h: a size that
// ChartSizeAllowed accepts, the region, axis and series limits, texts within
// kMaxTextBytes, finite doubles, legends with an entry, and default values
// in every part that is not present.
bool IsValidChart(const Chart& chart);

}  // namespace vantiro::engine
