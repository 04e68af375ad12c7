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
            labels.insert(FormatValue(t, digits));
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
      {-0.001, 2, "0.00"},
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

}  // namespace
}  // namespace vantiro::engine::layout
