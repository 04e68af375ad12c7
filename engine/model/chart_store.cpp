// The store of charts and the rules shared by the content calls.
#include "engine/model/chart_store.h"

#include <cmath>
#include <memory>
#include <string>

#include "abi/rmchart.h"

namespace vantiro::engine {

namespace codes = vantiro::engine_codes;

StoredChart* ChartStore::Find(std::int32_t ctrlId) {
  if (ctrlId == 0) return nullptr;
  auto it = charts.find(ctrlId);
  return it == charts.end() ? nullptr : &it->second;
}

Chart& Editable(StoredChart& stored) {
  if (stored.shown.get() == stored.chart.get())
    stored.chart = std::make_shared<Chart>(*stored.chart);
  stored.chart->generation.Bump();
  return *stored.chart;
}

std::int32_t CheckRegionIndex(const Chart& chart, std::int32_t index) {
  if (index > kMaxRegions) return codes::kRegionLimit;
  if (index < 1 || static_cast<std::size_t>(index) > chart.regions.size()) {
    return codes::kNoSuchRegion;
  }
  return codes::kOk;
}

Region& RegionAt(Chart& chart, std::int32_t index) {
  return chart.regions[static_cast<std::size_t>(index) - 1];
}

bool HasLegendEntry(std::string_view text) {
  return text.find_first_not_of(kListSeparator) != std::string_view::npos;
}

double StoredValue(double value) { return std::isfinite(value) ? value : 0.0; }

void PutDataAxis(Region& region, DataAxis axis) {
  if (region.dataAxes.size() < static_cast<std::size_t>(kMaxDataAxes)) {
    region.dataAxes.push_back(std::move(axis));
  } else {
    region.dataAxes.back() = std::move(axis);
  }
}

namespace {

bool TextOk(const std::string& text) { return text.size() <= kMaxTextBytes; }

bool ValuesOk(const std::vector<double>& values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

bool RegionOk(const Region& r) {
  if (!TextOk(r.footer)) return false;
  if (!r.grid.present && !(r.grid == Grid{})) return false;
  if (!r.caption.present && !(r.caption == Caption{})) return false;
  if (!TextOk(r.caption.text)) return false;
  if (r.legend.present ? !HasLegendEntry(r.legend.text) : !(r.legend == Legend{})) {
    return false;
  }
  if (!TextOk(r.legend.text)) return false;
  if (r.dataAxes.size() > static_cast<std::size_t>(kMaxDataAxes)) return false;
  for (const DataAxis& a : r.dataAxes) {
    if (!std::isfinite(a.minValue) || !std::isfinite(a.maxValue)) return false;
    if (!TextOk(a.units) || !TextOk(a.title) || !TextOk(a.labels)) return false;
  }
  if (!r.hasLabelAxis && !(r.labelAxis == LabelAxis{})) return false;
  if (!TextOk(r.labelAxis.labels) || !TextOk(r.labelAxis.title)) return false;
  if (r.SeriesCount() > static_cast<std::size_t>(kMaxSeriesPerRegion)) return false;
  for (const BarSeries& s : r.bars) {
    if (!ValuesOk(s.values)) return false;
  }
  for (const GridlessSeries& s : r.gridless) {
    if (!ValuesOk(s.values)) return false;
  }
  return true;
}

}  // namespace

bool IsValidChart(const Chart& chart) {
  const ChartSettings& s = chart.settings;
  if (!ChartSizeAllowed(s.width, s.height)) return false;
  if (!TextOk(s.backgroundImage) || !TextOk(s.fontName)) return false;
  if (chart.regions.size() > static_cast<std::size_t>(kMaxRegions)) return false;
  for (const Region& r : chart.regions) {
    if (!RegionOk(r)) return false;
  }
  return true;
}

}  // namespace vantiro::engine
