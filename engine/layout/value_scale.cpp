// Choosing data axis ranges with round tick values, and the number rule.
#include "engine/layout/value_scale.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
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
// A shown value may differ from its datum by this share of it at most...
constexpr double kFaithfulShare = 0.05;
// ...unless it already shows this many significant digits.
constexpr int kMostFaithfulDigits = 3;

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

// |v| rounded to `decimals` digits after the point, half away from zero,
// in fixed notation. Rounds the shortest decimal that reads back as `v`
// (the datum as the author wrote it: 2.675, not its binary neighbour
// 2.67499...), so a reader's rounding and ours agree.
std::string FixedHalfAway(double magnitude, int decimals) {
  std::array<char, 40> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::scientific);
  if (ec != std::errc()) return "0";
  // "d.ddde+XX": the significant digits and the power of ten of the first.
  std::string digits;
  int exponent = 0;
  for (const char* c = buffer.data(); c != end; ++c) {
    if (*c >= '0' && *c <= '9') {
      digits += *c;
    } else if (*c == 'e') {
      std::from_chars(c + 1 + (c[1] == '+' ? 1 : 0), end, exponent);
      break;
    }
  }
  // Digits kept: those down to 10^-decimals.
  const long keep = long(exponent) + 1 + decimals;
  std::string kept;
  if (keep >= 0) {
    kept = digits.substr(0, std::size_t(std::min<long>(keep, long(digits.size()))));
    kept.resize(std::size_t(keep), '0');
    if (std::size_t(keep) < digits.size() && digits[std::size_t(keep)] >= '5') {
      std::size_t i = kept.size();
      while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
      if (i == 0) {
        kept.insert(kept.begin(), '1');
      } else {
        ++kept[i - 1];
      }
    }
  }
  if (kept.size() < std::size_t(decimals) + 1)
    kept.insert(0, std::size_t(decimals) + 1 - kept.size(), '0');
  const std::size_t whole = kept.size() - std::size_t(decimals);
  std::size_t lead = 0;
  while (lead + 1 < whole && kept[lead] == '0') ++lead;
  std::string text = kept.substr(lead, whole - lead);
  if (decimals > 0) text += "." + kept.substr(whole);
  return text;
}

// `v` in `form` with `decimals` digits, trailing zeros dropped down to
// `leastDecimals`.
std::string Write(double v, NumberForm form, int decimals, int leastDecimals) {
  if (!std::isfinite(v)) return {};
  decimals = std::clamp(decimals, 0, 10);
  std::string text;
  if (form == NumberForm::kExponent) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3g", v);
    text = buffer;
    // Whatever locale the host set, the point is the decimal separator.
    for (char& c : text) {
      if (c == ',') c = '.';
    }
    return text;
  }
  text = FixedHalfAway(std::abs(v / Divisor(form)), decimals);
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  if (zero && Scaled(form)) return "0";
  if (v < 0 && !zero) text.insert(0, "-");  // never "-0"
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

// Significant digits in a written number: "0.00120" has three.
int SignificantDigits(const std::string& text) {
  int count = 0;
  bool started = false;
  for (const char c : text) {
    if (c < '0' || c > '9') continue;
    started = started || c != '0';
    if (started) ++count;
  }
  return count;
}

// Decimals for `v` in `form`: from `decimals` up, until the text reads
// neither 0 for a non-zero value nor moves it by more than 5 % of itself,
// or shows three significant digits.
int FaithfulDecimals(double v, NumberForm form, int decimals) {
  if (v == 0 || !std::isfinite(v) || form == NumberForm::kExponent) return decimals;
  const double divisor = Divisor(form);
  for (int d = decimals; d <= 10; ++d) {
    const std::string text = FixedHalfAway(std::abs(v / divisor), d);
    const double shown = std::strtod(text.c_str(), nullptr) * divisor;
    if ((shown != 0 && std::abs(shown - std::abs(v)) <= kFaithfulShare * std::abs(v)) ||
        SignificantDigits(text) >= kMostFaithfulDigits) {
      return d;
    }
  }
  return 10;
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
  // Scaled: as few decimals as write every tick exactly. Any form: as few
  // as tell the ticks apart, so that no two read the same.
  const int first = format.decimals, last = std::min(first + kMoreTickDecimals, 10);
  const double divisor = Divisor(format.form);
  for (int d = first; Scaled(format.form) && d <= last; ++d) {
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
  const int least = std::clamp(axis.decimals, 0, 10);
  const int decimals = Scaled(form) ? std::max(least, kScaledValueDecimals) : least;
  return Write(v, form, FaithfulDecimals(v, form, decimals), least);
}

std::string FormatValue(double v, int decimalDigits) {
  return FormatAgainst(v, {NumberForm::kPlain, decimalDigits});
}

std::string FormatCompact(double v, int maxDigits) {
  const NumberForm form = FormOf(v);
  const int digits = std::clamp(maxDigits, 0, 10);
  const int decimals = Scaled(form) ? std::max(digits, kScaledValueDecimals) : digits;
  return Write(v, form, FaithfulDecimals(v, form, decimals), 0);
}

}  // namespace vantiro::engine::layout
