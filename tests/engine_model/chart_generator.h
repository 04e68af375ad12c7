// Random charts that keep every rule of the model, for round-trip tests:
// all parts and limits, extreme numbers and texts of arbitrary bytes.
#pragma once

#include <cstdint>

#include "engine/model/chart_model.h"

namespace vantiro::engine::testing {

// The same seed always gives the same chart.
Chart GenerateChart(std::uint32_t seed);

}  // namespace vantiro::engine::testing
