// Value ranges and tick values of data axes, and the number format of tick
// and value labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantiro::engine::layout {

// Data beyond this magnitude counts as this magnitude, so that sums, spans
// and pixel positions stay finite.
inline constexpr double kValueLimit = 1e150;

// A value made safe for arithmetic: NaN gives 0, magnitudes are limited.
inline double SafeValue(double v) {
  if (!(v == v)) return 0;
  return v < -kValueLimit ? -kValueLimit : (v > kValueLimit ? kValueLimit : v);
}

struct ValueScale {
  double min = 0, max = 10;
  double step = 2;            // distance between ticks
  std::vector<double> ticks;  // grid line values, ascending, within [min, max]
  // Number of intervals when the ticks run from min to max (a range chosen
  // from the data, or one divided by a tick count); 0 otherwise.
  int spanIntervals = 5;

  // Position of `v` from min (0) to max (1); outside for values beyond.
  double Fraction(double v) const { return (v - min) / (max - min); }
};

struct ScaleRequest {
  // Extent of the data on this axis (finite; both 0 when there is none).
  double dataLow = 0, dataHigh = 0;
  // The author's range; both 0: chosen from the data, including 0, with
  // round tick values (1, 2, 2.5 or 5 times a power of ten).
  double axisMin = 0, axisMax = 0;
  int tickCount = 0;      // intervals the author asked for; 0: chosen
  int maxIntervals = 5;   // most intervals the axis length has room for
  int decimalDigits = 0;  // ticks are never finer than the labels show
};

// Always returns min < max, finite values and at most 1001 ticks.
ValueScale ChooseScale(const ScaleRequest& request);

// `v` with `decimalDigits` digits after the point ("." whatever the locale);
// never "-0". Magnitudes from 1e15 up use an exponent.
std::string FormatValue(double v, int decimalDigits);

// As FormatValue with at most `maxDigits` decimals, trailing zeros dropped.
std::string FormatCompact(double v, int maxDigits);

}  // namespace vantiro::engine::layout
