// Value ranges with round ticks, and number formatting.
#include "engine/layout/value_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace vantiro::engine::layout {
namespace {

struct RangeCase {
  double low, high;
  int tickCount, maxIntervals, digits;
  double min, max, step;
};

TEST(ValueScale, ChoosesRoundRangesFromData) {
  const RangeCase cases[] = {
      {0, 170, 0, 6, 0, 0, 200, 50},
      {0, 100, 0, 5, 0, 0, 100, 20},
      {0, 100, 0, 4, 0, 0, 100, 25},
      {12, 2500, 0, 5, 0, 0, 2500, 500},  // zero is always included
      {-30, 80, 0, 6, 0, -40, 80, 20},
      {-45, 0, 0, 5, 0, -50, 0, 10},
      {0, 7, 0, 6, 0, 0, 8, 2},
      {0, 1e6, 0, 5, 0, 0, 1e6, 2e5},
      {0, 0.8, 0, 5, 0, 0, 1, 1},  // no step finer than the labels show
      {0, 0.8, 0, 5, 1, 0, 0.8, 0.2},
      {0, 2.5, 0, 5, 1, 0, 2.5, 0.5},  // 0.25 would need two digits
      {0, 25, 0, 5, 0, 0, 25, 5},
      {0, 0, 0, 5, 0, 0, 10, 2},      // no data
      {0, 170, 4, 6, 0, 0, 200, 50},  // four intervals asked for
      {-5, 100, 3, 6, 0, -50, 100, 50},
      {0, 100, 0, 1, 0, 0, 100, 100},
      {-1, 1, 0, 1, 0, -1, 1, 1},  // both signs need two intervals
  };
  for (const RangeCase& c : cases) {
    ScaleRequest r;
    r.dataLow = c.low;
    r.dataHigh = c.high;
    r.tickCount = c.tickCount;
    r.maxIntervals = c.maxIntervals;
    r.decimalDigits = c.digits;
    const ValueScale s = ChooseScale(r);
    SCOPED_TRACE(testing::Message()
                 << "data " << c.low << ".." << c.high << " ticks " << c.tickCount << " most "
                 << c.maxIntervals << " digits " << c.digits);
    EXPECT_DOUBLE_EQ(s.min, c.min);
    EXPECT_DOUBLE_EQ(s.max, c.max);
    EXPECT_DOUBLE_EQ(s.step, c.step);
    ASSERT_FALSE(s.ticks.empty());
    EXPECT_DOUBLE_EQ(s.ticks.front(), c.min);
    EXPECT_NEAR(s.ticks.back(), c.max, 1e-9 * std::max(1.0, c.max));
    EXPECT_EQ(int(s.ticks.size()) - 1, s.spanIntervals);
  }
}

TEST(ValueScale, AutomaticRangesCoverDataWithDistinctLabels) {
  // Many data ranges: the scale holds the data and zero, its ticks are
  // multiples of the step, there are no more intervals than allowed, and
  // the labels at the requested digits are all different.
  const double highs[] = {0.3, 1, 3.7, 9.99, 10, 42, 99, 101, 777, 1234.5, 98765, 3e7};
  const double lows[] = {0, -0.2, -3, -57, -1000};
  for (const double high : highs) {
    for (const double low : lows) {
      for (int most = 2; most <= 10; most += 4) {
        for (int digits = 0; digits <= 2; ++digits) {
          ScaleRequest r{low, high, 0, 0, 0, most, digits};
          const ValueScale s = ChooseScale(r);
          SCOPED_TRACE(testing::Message()
                       << low << ".." << high << " most " << most << " d " << digits);
          EXPECT_LE(s.min, std::min(low, 0.0));
          EXPECT_GE(s.max, high);
          EXPECT_LE(s.spanIntervals, std::max(most, 2));
          std::set<std::string> labels;
          for (const double t : s.ticks) {
            EXPECT_NEAR(std::round(t / s.step) * s.step, t, 1e-9 * s.step);
            labels.insert(FormatTick(t, s.numbers));
          }
          EXPECT_EQ(labels.size(), s.ticks.size());
        }
      }
    }
  }
}

TEST(ValueScale, AuthorRangesAreKept) {
  struct Case {
    double axisMin, axisMax;
    int tickCount, maxIntervals;
    double min, max;
    std::vector<double> ticks;
  };
  const Case cases[] = {
      {0, 100, 4, 5, 0, 100, {0, 25, 50, 75, 100}},
      {100, 0, 4, 5, 0, 100, {0, 25, 50, 75, 100}},  // reversed
      {0, 100, 0, 5, 0, 100, {0, 20, 40, 60, 80, 100}},
      {-7, 93, 0, 5, -7, 93, {0, 20, 40, 60, 80}},  // round ticks inside
      {5, 5, 2, 5, 4, 6, {4, 5, 6}},                // empty range widened
      {0, 10, 3, 5, 0, 10, {0, 10.0 / 3, 20.0 / 3, 10}},
  };
  for (const Case& c : cases) {
    ScaleRequest r;
    r.dataHigh = 1e6;  // the data does not matter
    r.axisMin = c.axisMin;
    r.axisMax = c.axisMax;
    r.tickCount = c.tickCount;
    r.maxIntervals = c.maxIntervals;
    const ValueScale s = ChooseScale(r);
    SCOPED_TRACE(testing::Message() << c.axisMin << ".." << c.axisMax << " ticks " << c.tickCount);
    EXPECT_DOUBLE_EQ(s.min, c.min);
    EXPECT_DOUBLE_EQ(s.max, c.max);
    ASSERT_EQ(s.ticks.size(), c.ticks.size());
    for (std::size_t i = 0; i < c.ticks.size(); ++i) EXPECT_NEAR(s.ticks[i], c.ticks[i], 1e-9);
  }
}

TEST(ValueScale, ExtremeInputsGiveAUsableScale) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ScaleRequest requests[] = {
      {nan, nan, 0, 0, 0, 5, 0},       {-inf, inf, 0, 0, 0, 5, 0},
      {0, 1e308, 0, 0, 0, 5, 0},       {-1e308, 1e308, 0, 0, 0, 5, 0},
      {0, 1, 0, 0, 0, 0, 0},           {0, 1, nan, inf, 0, 5, 0},
      {0, 1e-300, 0, 0, 0, 5, 20},     {0, 10, 0, 0, 0, -3, -4},
      {0, 10, 0, 0, 2147483647, 5, 0}, {0, 10, -1e300, 1e300, 0, 1000000, 0},
  };
  for (const ScaleRequest& r : requests) {
    const ValueScale s = ChooseScale(r);
    EXPECT_TRUE(std::isfinite(s.min) && std::isfinite(s.max));
    EXPECT_LT(s.min, s.max);
    EXPECT_LE(s.ticks.size(), 1001u);
    for (const double t : s.ticks) {
      EXPECT_TRUE(std::isfinite(t));
      EXPECT_GE(t, s.min);
      EXPECT_LE(t, s.max);
    }
  }
}

TEST(ValueScale, FormatsNumbers) {
  const struct {
    double value;
    int digits;
    const char* text;
  } cases[] = {
      {0, 0, "0"},
      {120, 0, "120"},
      {1234.56, 1, "1234.6"},
      {-3, 0, "-3"},
      {-0.001, 2, "-0.001"},  // never 0 for a value that is not
      {12.5, 0, "13"},        // halves away from zero, as a reader rounds
      {-12.5, 0, "-13"},
      {2.675, 2, "2.68"},  // the datum as written, not its binary neighbour
      {0.4, 0, "0.4"},
      {0.0001, 0, "0.0001"},
      {0.00012345, 0, "0.00012"},  // within 5 % of itself
      {1.05, 0, "1"},
      {1.06, 0, "1.1"},
      {0.0012345, 0, "0.0012"},
      {9.96, 0, "10"},
      {-0.0, 0, "0"},
      {0.25, 2, "0.25"},
      {7, 3, "7.000"},
      {2.5e15, 0, "2.5e+15"},
      {-4e20, 0, "-4e+20"},
      {12, -5, "12"},
      {1.5, 99, "1.5000000000"},
      {std::numeric_limits<double>::quiet_NaN(), 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatValue(c.value, c.digits), c.text) << c.value << " with " << c.digits;
  }
}

TEST(ValueScale, AutomaticRangesLeaveTheHeadroomAskedFor) {
  const struct {
    double low, high, headroomHigh, headroomLow;
    double min, max;
  } cases[] = {
      {0, 100, 0.01, 0, 0, 125},    // a round maximum gets more room
      {-100, 0, 0, 0.01, -125, 0},  // and so does a round minimum
      {-100, 100, 0.01, 0.01, -200, 200},
      {0, 95, 0.1, 0, 0, 125},   // 5 % free is not the 10 % asked for
      {0, 170, 0.1, 0, 0, 200},  // 15 % free already
      {0, 100, 0, 0.2, 0, 100},  // no room below when no data is there
      {0, 100, 0, 0, 0, 100},
  };
  for (const auto& c : cases) {
    ScaleRequest r;
    r.dataLow = c.low;
    r.dataHigh = c.high;
    r.headroomHigh = c.headroomHigh;
    r.headroomLow = c.headroomLow;
    const ValueScale s = ChooseScale(r);
    SCOPED_TRACE(testing::Message()
                 << c.low << ".." << c.high << " room " << c.headroomHigh << "/" << c.headroomLow);
    EXPECT_DOUBLE_EQ(s.min, c.min);
    EXPECT_DOUBLE_EQ(s.max, c.max);
    EXPECT_GE(s.max - c.high, c.headroomHigh * (s.max - s.min) - 1e-9);
    EXPECT_GE(c.low - s.min, (c.low < 0 ? c.headroomLow : 0) * (s.max - s.min) - 1e-9);
  }
}

TEST(ValueScale, NumberRule) {
  const struct {
    double value;
    int digits;
    const char* text;
  } values[] = {
      {9500, 0, "9500"},        {9999.4, 0, "9999"},
      {12.5, 1, "12.5"},        {10000, 0, "10,000"},
      {250000, 0, "250,000"},   {-12345.25, 2, "-12,345.25"},
      {1.5e6, 0, "1.5 M"},      {-2e6, 0, "-2 M"},
      {12345678, 0, "12.35 M"}, {1.5e6, 3, "1.500 M"},
      {4e9, 0, "4 bn"},         {4.1234e9, 0, "4.12 bn"},
      {4e12, 0, "4,000 bn"},    {-123456e9, 0, "-123,456 bn"},
      {2.5e15, 0, "2.5e+15"},
  };
  for (const auto& c : values) {
    EXPECT_EQ(FormatValue(c.value, c.digits), c.text) << c.value << " with " << c.digits;
  }
  EXPECT_EQ(FormatCompact(1.5e6, 0), "1.5 M");
  EXPECT_EQ(FormatCompact(2e9, 1), "2 bn");
  EXPECT_EQ(FormatCompact(12.50, 2), "12.5");

  // A whole axis in the form of its largest tick, with as few decimals as
  // its ticks need; values shown against it follow it.
  const struct {
    std::vector<double> ticks;
    int digits;
    std::vector<const char*> texts;
    double value;
    const char* valueText;
  } axes[] = {
      {{0, 1e9, 2e9, 4e9}, 0, {"0", "1 bn", "2 bn", "4 bn"}, 4123456789, "4.12 bn"},
      {{0, 1e9, 2e9}, 2, {"0", "1.00 bn", "2.00 bn"}, 1.5e9, "1.50 bn"},
      {{0, 5e5, 1e6, 1.5e6}, 0, {"0", "0.5 M", "1.0 M", "1.5 M"}, 2e6, "2.0 M"},
      {{-2.5e5, 0, 2.5e5, 5e5, 1e6},
       0,
       {"-0.25 M", "0", "0.25 M", "0.50 M", "1.00 M"},
       3e9,
       "3.00 bn"},
      {{0, 5000, 10000}, 0, {"0", "5,000", "10,000"}, 512.4, "512"},
      {{0, 2e12, 4e12}, 0, {"0", "2,000 bn", "4,000 bn"}, 1e12, "1,000 bn"},
      {{0, 2500, 5000}, 1, {"0.0", "2500.0", "5000.0"}, 12345, "12,345.0"},
      {{0, 1e15, 2e15}, 0, {"0", "1e+15", "2e+15"}, 5e14, "5e+14"},
  };
  for (const auto& a : axes) {
    const NumberFormat format = AxisNumberFormat(a.ticks, a.digits);
    ASSERT_EQ(a.ticks.size(), a.texts.size());
    for (std::size_t i = 0; i < a.ticks.size(); ++i) {
      EXPECT_EQ(FormatTick(a.ticks[i], format), a.texts[i]) << a.ticks[i];
    }
    EXPECT_EQ(FormatAgainst(a.value, format), a.valueText) << a.value;
  }
}

}  // namespace
}  // namespace vantiro::engine::layout
