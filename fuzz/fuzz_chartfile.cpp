// Any bytes as a chart file: the reader must refuse them or produce a chart
// that keeps the model's rules and survives writing and reading unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/chartfile/chart_file.h"
#include "engine/model/chart_store.h"

using namespace vantiro::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Chart chart;
  if (!chartfile::ParseChart(text, chart)) return 0;
  if (!IsValidChart(chart)) std::abort();
  const std::string written = chartfile::FormatChart(chart);
  Chart back;
  if (!chartfile::ParseChart(written, back) || !(back == chart)) std::abort();
  if (chartfile::FormatChart(back) != written) std::abort();
  return 0;
}
