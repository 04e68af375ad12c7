// The awkward charts laid out with the test measurer, at every size.
#include <string>

#include <gtest/gtest.h>

#include "tests/engine_layout/awkward_charts.h"

namespace vantiro::engine::layout_test {
namespace {

constexpr std::initializer_list<Size> kAllSizes = {
    {120, 80}, {240, 160}, {600, 400}, {1024, 768}, {3000, 2000}};

TEST(AwkwardCharts, TextsNeverOverlapStayInsideAndAreDrawnOrReported) {
  ForEachAwkward(60, kAllSizes, [](const Chart& chart, const Asked& asked, Size size) {
    FakeMeasurer measurer;
    CheckPlacement(chart, asked, Lay(chart, size.width, size.height), measurer);
  });
}

TEST(AwkwardCharts, EveryNumberShownIsTrueAndOnItsOwnShape) {
  ForEachAwkward(60, kAllSizes, [](const Chart& chart, const Asked&, Size size) {
    FakeMeasurer measurer;
    CheckTruth(chart, Lay(chart, size.width, size.height), measurer);
  });
}

TEST(AwkwardCharts, SliceLabelsTellTheirDatumAndNoTextHoldsAControlCharacter) {
  ForEachAwkward(60, kAllSizes, [](const Chart& awkward, const Asked&, Size size) {
    const Chart chart = WithPastedTextsAndEmptySlices(awkward);
    CheckSlices(chart, Lay(chart, size.width, size.height));
  });
}

}  // namespace
}  // namespace vantiro::engine::layout_test
