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

// The number rule, shared by tick labels, value labels, tooltips and pie
// labels:
// - magnitudes below 10,000 are written plainly: "9500", "12.5";
// - from 10,000 the integer digits are grouped in threes: "250,000";
// - from 1,000,000 numbers are written in millions ("1.5 M") and from
//   1,000,000,000 in billions, grouped beyond: "4 bn", "4,000 bn";
// - from 1e15 with an exponent: "2.5e+15".
// The point is "." whatever the locale, and "-0" is written "0". A whole
// axis is written in the form of its largest tick, so that its ticks compare
// at a glance; scaled ticks get as few decimals as tell them apart (never
// fewer than the axis' decimal digits). A value shown against an axis (a
// value label, a tooltip) takes the axis' form, or its own when it is
// larger, and up to two decimals when scaled.
enum class NumberForm : std::uint8_t { kPlain, kGrouped, kMillions, kBillions, kExponent };

struct NumberFormat {
  NumberForm form = NumberForm::kPlain;
  int decimals = 0;  // digits after the point
};

// The form `v` takes on its own.
NumberForm FormOf(double v);

struct ValueScale {
  double min = 0, max = 10;
  double step = 2;            // distance between ticks
  std::vector<double> ticks;  // grid line values, ascending, within [min, max]
  // Number of intervals when the ticks run from min to max (a range chosen
  // from the data, or one divided by a tick count); 0 otherwise.
  int spanIntervals = 5;
  NumberFormat numbers;  // how the ticks are written

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
  // Share of the span kept free beyond the highest (lowest) data of an
  // automatic range, for bars and their value labels; a share above 0 also
  // keeps data off the end itself. Only a side that has data (above or
  // below 0) gets room.
  double headroomHigh = 0, headroomLow = 0;
};

// Always returns min < max, finite values and at most 1001 ticks.
ValueScale ChooseScale(const ScaleRequest& request);

// The format of an axis with these ticks (see the number rule above).
NumberFormat AxisNumberFormat(const std::vector<double>& ticks, int decimalDigits);

// A tick of an axis: exactly `format.decimals` digits; 0 on a scaled axis
// is "0".
std::string FormatTick(double v, const NumberFormat& format);

// A value shown against an axis written in `axis` (value labels, tooltips).
std::string FormatAgainst(double v, const NumberFormat& axis);

// `v` on its own: `decimalDigits` digits when plain or grouped, up to two
// (at least `decimalDigits`) when scaled.
std::string FormatValue(double v, int decimalDigits);

// As FormatValue with at most `maxDigits` decimals, trailing zeros dropped.
std::string FormatCompact(double v, int maxDigits);

}  // namespace vantiro::engine::layout
