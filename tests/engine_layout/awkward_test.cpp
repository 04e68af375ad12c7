// The awkward charts laid out with the test measurer, at every size.
#include <string>

#include <gtest/gtest.h>

#include "tests/engine_layout/awkward_charts.h"

namespace vantiro::engine::layout_test {
namespace {

TEST(AwkwardCharts, TextsNeverOverlapStayInsideAndAreDrawnOrReported) {
  int checked = 0;
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    for (const Size size : kSizes) {
      Asked asked;
      const Chart chart = Awkward(seed, size, asked);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      FakeMeasurer measurer;
      CheckPlacement(chart, asked, Lay(chart, size.width, size.height), measurer);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 60 * int(std::size(kSizes)));
}

TEST(AwkwardCharts, EveryNumberShownIsTrueAndOnItsOwnShape) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    for (const Size size : kSizes) {
      Asked asked;
      const Chart chart = Awkward(seed, size, asked);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      FakeMeasurer measurer;
      CheckTruth(chart, Lay(chart, size.width, size.height), measurer);
    }
  }
}

TEST(AwkwardCharts, SliceLabelsTellTheirDatumAndNoTextHoldsAControlCharacter) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    for (const Size size : kSizes) {
      Asked asked;
      const Chart chart = WithPastedTextsAndEmptySlices(Awkward(seed, size, asked));
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      CheckSlices(chart, Lay(chart, size.width, size.height));
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
