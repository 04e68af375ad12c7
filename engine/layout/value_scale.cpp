// Choosing data axis ranges with round tick values, and the number rule.
#include "engine/layout/value_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>

#include "engine/layout/draw_list_builder.h"

namespace vantiro::engine::layout {

namespace {

constexpr int kMaxTicks = 1000;
// Rounding noise tolerated when dividing a value by a step.
constexpr double kSlack = 1e-9;
// The most of an axis kept free beyond the data at either end.
constexpr double kMostHeadroom = 0.3;
// Decimals scaled ticks may add to tell them apart.
constexpr int kMoreTickDecimals = 3;
// Decimals of a scaled value on its own.
constexpr int kScaledValueDecimals = 2;

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

// Round ticks from a multiple of the step at or below `lo` to one at or
// above `hi`.
ValueScale ChooseRound(double lo, double hi, const ScaleRequest& r, int digits) {
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

ValueScale ChooseFromData(double lo, double hi, const ScaleRequest& r, int digits) {
  lo = std::min(SafeValue(lo), 0.0);
  hi = std::max(SafeValue(hi), 0.0);
  const double shareHigh = hi > 0 ? ClampFinite(r.headroomHigh, 0, kMostHeadroom) : 0;
  const double shareLow = lo < 0 ? ClampFinite(r.headroomLow, 0, kMostHeadroom) : 0;
  if (hi == lo) hi = 10;  // no data, or only zeros

  // Widen the data until the chosen range leaves the room asked for.
  double top = hi, bottom = lo;
  ValueScale scale;
  for (int round = 0; round < 6; ++round) {
    scale = ChooseRound(bottom, top, r, digits);
    const double span = scale.max - scale.min;
    const bool highOk = scale.max - hi >= shareHigh * span;
    const bool lowOk = lo - scale.min >= shareLow * span;
    if (highOk && lowOk) break;
    // Beyond the current end, so that the next range reaches further.
    if (!highOk) top = std::max(hi + shareHigh * span, scale.max + span * 1e-6);
    if (!lowOk) bottom = std::min(lo - shareLow * span, scale.min - span * 1e-6);
  }
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

bool Scaled(NumberForm form) {
  return form == NumberForm::kMillions || form == NumberForm::kBillions;
}

double Divisor(NumberForm form) {
  return form == NumberForm::kMillions ? 1e6 : (form == NumberForm::kBillions ? 1e9 : 1);
}

// `v` in `form` with `decimals` digits, trailing zeros dropped down to
// `leastDecimals`.
std::string Write(double v, NumberForm form, int decimals, int leastDecimals) {
  if (!std::isfinite(v)) return {};
  decimals = std::clamp(decimals, 0, 10);
  char buffer[512];  // room for the widest double with ten decimals
  if (form == NumberForm::kExponent) {
    std::snprintf(buffer, sizeof buffer, "%.3g", v);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v / Divisor(form));
  }
  std::string text(buffer);
  // Whatever locale the host set, the point is the decimal separator.
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  const bool zero = text.find_first_not_of("-0.") == std::string::npos;
  if (zero && text[0] == '-') text.erase(0, 1);
  if (form == NumberForm::kExponent) return text;
  if (zero && Scaled(form)) return "0";
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    const std::size_t least = point + 1 + std::size_t(std::clamp(leastDecimals, 0, decimals));
    std::size_t end = text.size();
    while (end > least && text[end - 1] == '0') --end;
    if (end == point + 1) end = point;
    text.erase(end);
  }
  if (form != NumberForm::kPlain) {
    const std::size_t digitsStart = text[0] == '-' ? 1 : 0;
    std::size_t digitsEnd = text.find('.');
    if (digitsEnd == std::string::npos) digitsEnd = text.size();
    for (std::size_t at = digitsEnd; at > digitsStart + 3; at -= 3) text.insert(at - 3, ",");
  }
  if (form == NumberForm::kMillions) text += " M";
  if (form == NumberForm::kBillions) text += " bn";
  return text;
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
  scale.numbers = AxisNumberFormat(scale.ticks, digits);
  return scale;
}

NumberForm FormOf(double v) {
  const double a = std::abs(v);
  if (!(a >= 1e4)) return NumberForm::kPlain;  // NaN too
  if (a < 1e6) return NumberForm::kGrouped;
  if (a < 1e9) return NumberForm::kMillions;
  if (a < 1e15) return NumberForm::kBillions;
  return NumberForm::kExponent;
}

NumberFormat AxisNumberFormat(const std::vector<double>& ticks, int decimalDigits) {
  NumberFormat format;
  format.decimals = std::clamp(decimalDigits, 0, 10);
  double largest = 0;
  for (const double t : ticks) {
    if (std::isfinite(t)) largest = std::max(largest, std::abs(t));
  }
  format.form = FormOf(largest);
  if (!Scaled(format.form)) return format;
  // As few decimals as write every tick exactly, else as tell them apart.
  const int first = format.decimals, last = std::min(first + kMoreTickDecimals, 10);
  const double divisor = Divisor(format.form);
  for (int d = first; d <= last; ++d) {
    const double power = std::pow(10.0, d);
    const bool exact = std::all_of(ticks.begin(), ticks.end(), [&](double t) {
      const double y = t / divisor * power;
      return std::abs(y - std::round(y)) <= 1e-6 + 1e-12 * std::abs(y);
    });
    if (exact) {
      format.decimals = d;
      return format;
    }
  }
  for (int d = first; d <= last; ++d) {
    format.decimals = d;
    std::set<std::string> texts;
    for (const double t : ticks) texts.insert(FormatTick(t, format));
    if (texts.size() == ticks.size()) break;
  }
  return format;
}

std::string FormatTick(double v, const NumberFormat& format) {
  return Write(v, format.form, format.decimals, format.decimals);
}

std::string FormatAgainst(double v, const NumberFormat& axis) {
  const NumberForm form = std::max(axis.form, FormOf(v));
  const int decimals = std::clamp(axis.decimals, 0, 10);
  if (!Scaled(form)) return Write(v, form, decimals, decimals);
  return Write(v, form, std::max(decimals, kScaledValueDecimals), decimals);
}

std::string FormatValue(double v, int decimalDigits) {
  return FormatAgainst(v, {NumberForm::kPlain, decimalDigits});
}

std::string FormatCompact(double v, int maxDigits) {
  const NumberForm form = FormOf(v);
  const int digits = std::clamp(maxDigits, 0, 10);
  return Write(v, form, Scaled(form) ? std::max(digits, kScaledValueDecimals) : digits, 0);
}

}  // namespace vantiro::engine::layout
