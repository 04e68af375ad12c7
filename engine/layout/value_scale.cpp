// Choosing data axis ranges with round tick values, and formatting numbers.
#include "engine/layout/value_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "engine/layout/draw_list_builder.h"

namespace vantiro::engine::layout {

namespace {

constexpr int kMaxTicks = 1000;
// Rounding noise tolerated when dividing a value by a step.
constexpr double kSlack = 1e-9;

struct Mantissa {
  double value;
  int extraDigits;  // digits 2.5 needs beyond its power of ten
};
constexpr std::array<Mantissa, 4> kMantissas{{{1, 0}, {2, 0}, {2.5, 1}, {5, 0}}};

// Round steps in ascending order, starting near `smallest`, skipping those
// whose ticks would need more digits than the labels show.
template <typename Accept>
double FirstRoundStep(double smallest, int decimalDigits, Accept accept) {
  const double exponent = std::floor(std::log10(ClampFinite(smallest, 1e-300, 1e300)));
  const int first = int(ClampFinite(exponent, -320, 320)) - 1;
  double step = 1;
  for (int k = first; k < first + 64; ++k) {
    const double power = std::pow(10.0, double(k));
    for (const Mantissa& m : kMantissas) {
      const int digits = std::max(0, -k + m.extraDigits);
      if (digits > decimalDigits) continue;
      step = m.value * power;
      if (accept(step)) return step;
    }
  }
  return step;
}

double FloorDiv(double v, double step) { return std::floor(v / step + kSlack); }
double CeilDiv(double v, double step) { return std::ceil(v / step - kSlack); }

void AddTicks(ValueScale& scale, double firstIndex, double lastIndex) {
  const auto count = ToCount(lastIndex - firstIndex, -1, kMaxTicks);
  for (std::int64_t i = 0; i <= count; ++i) {
    double v = (firstIndex + double(i)) * scale.step;
    if (v == 0) v = 0;  // no negative zero
    scale.ticks.push_back(std::clamp(v, scale.min, scale.max));
  }
}

ValueScale ChooseFromData(double lo, double hi, const ScaleRequest& r, int digits) {
  lo = std::min(SafeValue(lo), 0.0);
  hi = std::max(SafeValue(hi), 0.0);
  if (hi == lo) hi = 10;  // no data, or only zeros

  ValueScale scale;
  const int forced = std::clamp(r.tickCount, 0, kMaxTicks);
  if (forced > 0) {
    // Exactly `forced` intervals of a round step, starting on a multiple of it.
    scale.step = FirstRoundStep((hi - lo) / forced, digits, [&](double s) {
      return FloorDiv(lo, s) * s + forced * s >= hi * (1 - kSlack);
    });
    scale.min = FloorDiv(lo, scale.step) * scale.step;
    scale.max = scale.min + forced * scale.step;
    scale.spanIntervals = forced;
  } else {
    // Both signs always need at least one interval each.
    const int most = std::max(r.maxIntervals, lo < 0 && hi > 0 ? 2 : 1);
    scale.step = FirstRoundStep((hi - lo) / most, digits,
                                [&](double s) { return CeilDiv(hi, s) - FloorDiv(lo, s) <= most; });
    scale.min = FloorDiv(lo, scale.step) * scale.step;
    scale.max = CeilDiv(hi, scale.step) * scale.step;
    scale.spanIntervals =
        int(ToCount(std::round((scale.max - scale.min) / scale.step), 1, kMaxTicks));
  }
  if (scale.min == 0) scale.min = 0;
  AddTicks(scale, FloorDiv(scale.min, scale.step), FloorDiv(scale.max, scale.step));
  return scale;
}

ValueScale ChooseFromAxis(const ScaleRequest& r, int digits) {
  double lo = std::min(SafeValue(r.axisMin), SafeValue(r.axisMax));
  double hi = std::max(SafeValue(r.axisMin), SafeValue(r.axisMax));
  if (!(hi - lo > 1e-100)) {  // empty, or too narrow to divide into pixels
    lo -= 1;
    hi += 1;
  }
  ValueScale scale;
  scale.min = lo;
  scale.max = hi;
  if (r.tickCount > 0) {
    // The author's range divided evenly, round or not.
    const int forced = std::min(r.tickCount, kMaxTicks);
    scale.step = (hi - lo) / forced;
    scale.spanIntervals = forced;
    for (int i = 0; i <= forced; ++i) scale.ticks.push_back(lo + (hi - lo) * i / forced);
    return scale;
  }
  // Round ticks inside the given range; its ends need not be ticks.
  const int most = std::max(r.maxIntervals, 1);
  scale.step = FirstRoundStep((hi - lo) / most, digits,
                              [&](double s) { return FloorDiv(hi, s) - CeilDiv(lo, s) <= most; });
  const double first = CeilDiv(lo, scale.step), last = FloorDiv(hi, scale.step);
  scale.spanIntervals = 0;
  if (first * scale.step == lo && last * scale.step == hi) {
    scale.spanIntervals = int(ToCount(last - first, 0, kMaxTicks));
  }
  AddTicks(scale, first, last);
  return scale;
}

}  // namespace

ValueScale ChooseScale(const ScaleRequest& request) {
  const int digits = std::clamp(request.decimalDigits, 0, 10);
  const bool automatic = SafeValue(request.axisMin) == 0 && SafeValue(request.axisMax) == 0;
  ValueScale scale = automatic ? ChooseFromData(request.dataLow, request.dataHigh, request, digits)
                               : ChooseFromAxis(request, digits);
  if (!(scale.max > scale.min) || !std::isfinite(scale.max - scale.min)) {
    scale = ValueScale{};
    scale.ticks = {0, 2, 4, 6, 8, 10};
  }
  return scale;
}

std::string FormatValue(double v, int decimalDigits) {
  if (!std::isfinite(v)) return {};
  const int digits = std::clamp(decimalDigits, 0, 10);
  char buffer[64];
  if (std::abs(v) >= 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.3g", v);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, v);
  }
  std::string text(buffer);
  // Whatever locale the host set, the point is the decimal separator.
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
    text.erase(0, 1);
  }
  return text;
}

std::string FormatCompact(double v, int maxDigits) {
  std::string text = FormatValue(v, maxDigits);
  if (text.find('.') != std::string::npos && text.find('e') == std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace vantiro::engine::layout
