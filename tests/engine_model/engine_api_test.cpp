// The engine's sixteen functions over the fake device: result codes and
// limits, what is copied from the caller, what reaches the device, and the
// lifetime of what a window repaints from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "abi/rmchart.h"
#include "engine/chartfile/chart_file.h"
#include "engine/model/chart_model.h"
#include "engine/model/chart_store.h"
#include "tests/engine_model/chart_generator.h"
#include "tests/engine_model/fake_device.h"

namespace vantiro::engine {
namespace {

namespace codes = vantiro::engine_codes;
using fake::Device;

constexpr RmcWindow kParent = 0x1234;
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

std::int32_t Create(std::int32_t id, std::int32_t exportOnly = 0, std::int32_t width = 400,
                    std::int32_t height = 300, RmcWindow parent = kParent) {
  return RMC_CREATECHART(parent, id, 10, 20, width, height, 0xFFFFFFFF, 0, exportOnly, "", "Arial",
                         0, 0);
}

std::int32_t AddRegion(std::int32_t id) { return RMC_ADDREGION(id, 0, 0, 0, 0, "", 0); }

std::int32_t AddBar(std::int32_t id, std::int32_t region) {
  const double values[] = {1, 2, 3};
  return RMC_ADDBARSERIES(id, region, values, 3, 0, 0, 0, 0xFF0000FF, 0, 1, 0, 0, 0);
}

std::int32_t AddGridless(std::int32_t id, std::int32_t region) {
  const double values[] = {1, 2};
  const RmcColour colours[] = {0xFFFF0000};
  return RMC_ADDGRIDLESSSERIES(id, region, values, 2, colours, 1, 0, 0, 0, 0, 0, 0, 0);
}

// The chart under `id` as the device sees it when asked to draw a file.
Chart Peek(std::int32_t id) {
  Device().lastDrawn = Chart{};
  EXPECT_EQ(RMC_DRAW2FILE(id, "peek.png", 0, 0, 0), codes::kOk);
  return Device().lastDrawn;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::ResetDevice(); }
  void TearDown() override {
    for (std::int32_t id = -5; id <= 40; ++id) RMC_DELETECHART(id);
    RMC_DELETECHART(kIntMin);
    RMC_DELETECHART(kIntMax);
    fake::ResetDevice();
  }
};

// One call of each content function on region `region` of chart `id`.
struct ContentCall {
  const char* name;
  std::function<std::int32_t(std::int32_t id, std::int32_t region)> call;
};

std::vector<ContentCall> ContentCalls() {
  return {
      {"grid", [](auto id, auto r) { return RMC_ADDGRID(id, r, 0xFFEEEEEE, 0, 0, 0, 0, 0, 0); }},
      {"caption",
       [](auto id, auto r) { return RMC_ADDCAPTION(id, r, "Title", 0, 0xFF000000, 12, 1); }},
      {"legend",
       [](auto id, auto r) { return RMC_ADDLEGEND(id, r, "A;B", 0, 0xFFFFFFFF, 0, 0, 9, 0); }},
      {"data axis",
       [](auto id, auto r) {
         std::int32_t align = 0;
         return RMC_ADDDATAAXIS(id, r, 0, 0.0, 100.0, 5, 9, 0, 0, 0, 0, "", "", "", &align);
       }},
      {"label axis",
       [](auto id, auto r) { return RMC_ADDLABELAXIS(id, r, "a;b", 0, 0, 0, 9, 0, 0, 0, 0, ""); }},
      {"bar series", [](auto id, auto r) { return AddBar(id, r); }},
      {"gridless series", [](auto id, auto r) { return AddGridless(id, r); }},
  };
}

TEST_F(EngineTest, EveryCallRefusesAnUnknownOrZeroControlId) {
  const std::function<std::int32_t(std::int32_t)> calls[] = {
      [](auto id) { return RMC_DRAW(id); },
      [](auto id) { return RMC_DELETECHART(id); },
      [](auto id) { return AddRegion(id); },
      [](auto id) { return RMC_DRAW2FILE(id, "a.png", 0, 0, 0); },
      [](auto id) { return RMC_WRITERMCFILE(id, "a.chart"); },
      [](auto id) { return RMC_DRAW2PRINTER(id, 7, 0, 0, 0, 0, 1); },
      [](auto id) { return RMC_DRAW2PRINTER(id, 0, 0, 0, 0, 0, 1); },  // ID before DC
      [](auto id) { return Create(id); },
      [](auto id) { return RMC_CREATECHARTFROMFILE(kParent, id, 0, 0, 0, "none.chart"); },
  };
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    EXPECT_EQ(calls[i](0), codes::kBadControlId) << "call " << i;
    if (i < 7) {  // the last two would create chart 2
      EXPECT_EQ(calls[i](2), codes::kBadControlId) << "call " << i;
    }
  }
  for (const ContentCall& c : ContentCalls()) {
    EXPECT_EQ(c.call(0, 1), codes::kBadControlId) << c.name;
    EXPECT_EQ(c.call(2, 1), codes::kBadControlId) << c.name;
  }
}

TEST_F(EngineTest, ContentCallsCheckTheRegionIndex) {
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  const struct {
    std::int32_t region;
    std::int32_t expected;
  } cases[] = {
      {1, codes::kOk},
      {2, codes::kOk},
      {3, codes::kNoSuchRegion},  // within the limit, not added
      {6, codes::kNoSuchRegion},
      {7, codes::kRegionLimit},
      {0, codes::kNoSuchRegion},
      {-1, codes::kNoSuchRegion},
      {kIntMax, codes::kRegionLimit},
      {kIntMin, codes::kNoSuchRegion},
  };
  for (const ContentCall& c : ContentCalls()) {
    for (const auto& row : cases) {
      EXPECT_EQ(c.call(1, row.region), row.expected) << c.name << " region " << row.region;
    }
  }
}

TEST_F(EngineTest, ChartRegionAndSeriesLimits) {
  for (std::int32_t id = 1; id <= kMaxCharts; ++id) ASSERT_EQ(Create(id), codes::kOk);
  EXPECT_EQ(Create(21), codes::kTooManyCharts);
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 21, 0, 0, 1, "none.chart"), codes::kTooManyCharts);
  EXPECT_EQ(Create(5), codes::kOk) << "replacing keeps the count";
  EXPECT_EQ(Create(21), codes::kTooManyCharts);
  EXPECT_EQ(RMC_DELETECHART(5), codes::kOk);
  EXPECT_EQ(Create(21), codes::kOk) << "a deleted chart frees its place";
  EXPECT_EQ(Create(5), codes::kTooManyCharts);

  for (int i = 0; i < kMaxRegions; ++i) ASSERT_EQ(AddRegion(1), codes::kOk);
  EXPECT_EQ(AddRegion(1), codes::kRegionLimit);

  // Bar and gridless series count together, per region.
  for (int i = 0; i < kMaxSeriesPerRegion; ++i) {
    ASSERT_EQ(i % 2 ? AddBar(1, 3) : AddGridless(1, 3), codes::kOk);
  }
  EXPECT_EQ(AddBar(1, 3), codes::kSeriesLimit);
  EXPECT_EQ(AddGridless(1, 3), codes::kSeriesLimit);
  EXPECT_EQ(AddBar(1, 4), codes::kOk);
  const Chart chart = Peek(1);
  EXPECT_EQ(chart.regions[2].SeriesCount(), static_cast<std::size_t>(kMaxSeriesPerRegion));
}

TEST_F(EngineTest, LegendNeedsANonEmptyEntry) {
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"", codes::kEmptyLegend},   {nullptr, codes::kEmptyLegend},
      {";;", codes::kEmptyLegend}, {";", codes::kEmptyLegend},
      {";a", codes::kOk},          {"a", codes::kOk},
      {" ", codes::kOk},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RMC_ADDLEGEND(1, 1, c.text, 0, 0, 0, 0, 0, 0), c.expected)
        << (c.text ? c.text : "(null)");
  }
}

TEST_F(EngineTest, CreationResolvesSizesAndChecksTheParent) {
  const struct {
    const char* what;
    std::int32_t width, height, exportOnly;
    RmcWindow parent;
    std::int32_t expected, storedWidth, storedHeight;
  } cases[] = {
      {"given size", 400, 300, 0, kParent, codes::kOk, 400, 300},
      {"default size", 0, 0, 0, kParent, codes::kOk, kDefaultWidth, kDefaultHeight},
      {"default height only", 100, 0, 1, kParent, codes::kOk, 100, kDefaultHeight},
      {"largest side", kMaxSide, 1, 1, kParent, codes::kOk, kMaxSide, 1},
      {"side too large", kMaxSide + 1, 10, 1, kParent, codes::kWindowNotCreated, 0, 0},
      {"largest area", kMaxSide, 4096, 1, kParent, codes::kOk, kMaxSide, 4096},
      {"area too large", kMaxSide, 4097, 1, kParent, codes::kWindowNotCreated, 0, 0},
      {"both sides largest", kMaxSide, kMaxSide, 0, kParent, codes::kWindowNotCreated, 0, 0},
      {"negative width", -1, 10, 1, kParent, codes::kWindowNotCreated, 0, 0},
      {"negative height", 10, kIntMin, 0, kParent, codes::kWindowNotCreated, 0, 0},
      {"no parent", 10, 10, 0, 0, codes::kBadParentWindow, 0, 0},
      {"no parent, export only", 10, 10, 1, 0, codes::kOk, 10, 10},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Create(3, c.exportOnly, c.width, c.height, c.parent), c.expected) << c.what;
    if (c.expected == codes::kOk) {
      const Chart chart = Peek(3);
      EXPECT_EQ(chart.settings.width, c.storedWidth) << c.what;
      EXPECT_EQ(chart.settings.height, c.storedHeight) << c.what;
      EXPECT_EQ(chart.settings.exportOnly, c.exportOnly) << c.what;
    } else {
      EXPECT_EQ(RMC_DRAW(3), codes::kBadControlId) << c.what << ": nothing stored";
    }
  }
}

TEST_F(EngineTest, DeviceFailuresAtCreationLeaveNoChart) {
  Device().startGraphicsResult = codes::kNoGraphicsLibrary;
  EXPECT_EQ(Create(1), codes::kNoGraphicsLibrary);
  EXPECT_EQ(Create(2, /*exportOnly=*/1), codes::kOk) << "export-only charts need no window";
  Device().startGraphicsResult = codes::kOk;
  Device().createWindowResult = codes::kWindowNotCreated;
  EXPECT_EQ(Create(1), codes::kWindowNotCreated);
  EXPECT_EQ(RMC_DRAW(1), codes::kBadControlId);
  Device().createWindowResult = codes::kOk;
  Device().log.clear();
  EXPECT_EQ(Create(1), codes::kOk);
  EXPECT_EQ(Device().log, (std::vector<std::string>{"start", "create 1"}));
  EXPECT_EQ(Device().windows.count(1), 1u);
  EXPECT_EQ(Device().windows.count(2), 0u);
}

TEST_F(EngineTest, ReplacementAndDeletionDestroyTheWindowFirst) {
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  Device().log.clear();
  ASSERT_EQ(Create(1, 0, 200, 100), codes::kOk);
  EXPECT_EQ(Device().log, (std::vector<std::string>{"destroy 1", "start", "create 1"}));
  EXPECT_TRUE(Peek(1).regions.empty());
  Device().log.clear();
  EXPECT_EQ(RMC_DELETECHART(1), codes::kOk);
  EXPECT_EQ(Device().log, (std::vector<std::string>{"destroy 1"}));
  EXPECT_EQ(RMC_DELETECHART(1), codes::kBadControlId);
  EXPECT_EQ(Create(1), codes::kOk) << "the ID can be used again";
  // A failed replacement leaves no chart under the ID either.
  Device().createWindowResult = codes::kWindowNotCreated;
  EXPECT_EQ(Create(1), codes::kWindowNotCreated);
  EXPECT_EQ(RMC_DRAW(1), codes::kBadControlId);
}

TEST_F(EngineTest, WindowsRepaintWhatWasLastDrawn) {
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  ASSERT_EQ(RMC_DRAW(1), codes::kOk);
  // Content added after a draw stays out of the window until the next one,
  // however much the chart's own storage moves meanwhile.
  for (int i = 0; i < 5; ++i) ASSERT_EQ(AddRegion(1), codes::kOk);
  for (int i = 0; i < kMaxSeriesPerRegion; ++i) ASSERT_EQ(AddBar(1, 1), codes::kOk);
  EXPECT_EQ(fake::Repaint(1).regions.size(), 1u);
  EXPECT_TRUE(fake::Repaint(1).regions[0].bars.empty());
  ASSERT_EQ(RMC_DRAW(1), codes::kOk);
  EXPECT_EQ(fake::Repaint(1).regions.size(), 6u);
  EXPECT_EQ(fake::Repaint(1).regions[0].bars.size(), 15u);
  // Replacement and deletion destroy the window before its chart goes (the
  // fake repaints once more inside DestroyChartWindow).
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(RMC_DRAW(1), codes::kOk);
  EXPECT_TRUE(fake::Repaint(1).regions.empty());
  ASSERT_EQ(RMC_DELETECHART(1), codes::kOk);
  EXPECT_EQ(Device().windows.count(1), 0u);
}

// A drawn chart is known by its generation: drawing again unchanged keeps
// it (a kept drawing serves), every change gives a new one, also once the
// window's chart and the stored one have parted, and the window keeps
// reading the chart as it was drawn.
TEST_F(EngineTest, EveryChangeGivesTheChartANewGeneration) {
  std::vector<ContentCall> calls = ContentCalls();
  calls.push_back({"region", [](auto id, auto) { return AddRegion(id); }});
  const auto fileGeneration = [] {
    EXPECT_EQ(RMC_DRAW2FILE(1, "chart.png", 0, 0, 0), codes::kOk);
    return Device().lastFileGeneration;
  };
  for (const ContentCall& c : calls) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Create(1), codes::kOk);
    ASSERT_EQ(AddRegion(1), codes::kOk);
    ASSERT_EQ(RMC_DRAW(1), codes::kOk);
    const std::uint64_t drawn = Device().windows.at(1)->generation.value();
    EXPECT_EQ(fileGeneration(), drawn);
    ASSERT_EQ(RMC_DRAW(1), codes::kOk);
    EXPECT_EQ(fileGeneration(), drawn);
    const Chart before = fake::Repaint(1);
    ASSERT_EQ(c.call(1, 1), codes::kOk);
    const std::uint64_t changed = fileGeneration();
    EXPECT_NE(changed, drawn);
    ASSERT_EQ(c.call(1, 1), codes::kOk);
    EXPECT_NE(fileGeneration(), changed);
    EXPECT_EQ(Device().windows.at(1)->generation.value(), drawn);
    EXPECT_TRUE(fake::Repaint(1) == before);
  }
}

TEST_F(EngineTest, DrawingPassesTheDeviceResultAndSkipsExportOnlyCharts) {
  ASSERT_EQ(Create(1), codes::kOk);
  ASSERT_EQ(Create(2, /*exportOnly=*/1), codes::kOk);
  Device().log.clear();
  EXPECT_EQ(RMC_DRAW(2), codes::kOk);
  EXPECT_TRUE(Device().log.empty()) << "an export-only chart has no window to draw";
  Device().showChartResult = codes::kWindowNotCreated;
  EXPECT_EQ(RMC_DRAW(1), codes::kWindowNotCreated);
  Device().showChartResult = codes::kOk;
  Device().throwOnShow = true;
  EXPECT_EQ(RMC_DRAW(1), codes::kWindowNotCreated) << "no exception leaves the engine";
  Device().throwOnShow = false;
  EXPECT_EQ(RMC_DRAW(1), codes::kOk);
}

TEST_F(EngineTest, ImageFilesResolveSizeAndQuality) {
  ASSERT_EQ(Create(1, 1, 400, 300), codes::kOk);
  const struct {
    std::int32_t width, height, quality;
    std::int32_t expected;
    const char* logged;
  } cases[] = {
      {0, 0, 0, codes::kOk, "file 1 out.jpg 400x300 q90"},
      {800, 0, 50, codes::kOk, "file 1 out.jpg 800x300 q50"},
      {0, 600, 101, codes::kOk, "file 1 out.jpg 400x600 q100"},
      {10, 10, -7, codes::kOk, "file 1 out.jpg 10x10 q1"},
      {kMaxSide, 4096, 1, codes::kOk, "file 1 out.jpg 16384x4096 q1"},  // 64 Mpx
      {kMaxSide, 4097, 1, codes::kImageFileFailed, nullptr},
      {kMaxSide + 1, 1, 1, codes::kImageFileFailed, nullptr},
      {-1, 10, 1, codes::kImageFileFailed, nullptr},
      {10, kIntMin, 1, codes::kImageFileFailed, nullptr},
  };
  for (const auto& c : cases) {
    Device().log.clear();
    EXPECT_EQ(RMC_DRAW2FILE(1, "out.jpg", c.width, c.height, c.quality), c.expected)
        << c.width << "x" << c.height;
    EXPECT_EQ(Device().log,
              c.logged ? std::vector<std::string>{c.logged} : std::vector<std::string>{});
  }
  Device().drawToFileResult = codes::kImageFileFailed;
  EXPECT_EQ(RMC_DRAW2FILE(1, nullptr, 0, 0, 0), codes::kImageFileFailed);
  EXPECT_EQ(Device().log.back(), "file 1  400x300 q90");
}

TEST_F(EngineTest, PrintingPassesItsArgumentsAndResult) {
  ASSERT_EQ(Create(1, 1), codes::kOk);
  EXPECT_EQ(RMC_DRAW2PRINTER(1, 0, 0, 0, 0, 0, 1), codes::kPrinterDcFailed);
  EXPECT_EQ(RMC_DRAW2PRINTER(1, 77, 1, 2, 30, 40, 1), codes::kOk);
  EXPECT_EQ(Device().log.back(), "printer 1 dc=77 1,2 30x40 pages=1");
  Device().drawToPrinterResult = codes::kPrinterDcFailed;
  EXPECT_EQ(RMC_DRAW2PRINTER(1, 77, 0, 0, 0, 0, 0), codes::kPrinterDcFailed);
  Device().drawToPrinterResult = codes::kImageFileFailed;
  EXPECT_EQ(RMC_DRAW2PRINTER(1, 77, 0, 0, 0, 0, 0), codes::kImageFileFailed);
}

TEST_F(EngineTest, CallsKeepCopiesOfWhatTheCallerPasses) {
  char footer[] = "Footer";
  char caption[] = "Caption";
  char legend[] = "A;B";
  char units[] = "kg", title[] = "Weight", labels[] = "L1;L2", axisLabels[] = "Jan;Feb";
  double values[] = {1.5, 2.5};
  RmcColour colours[] = {0xFF112233, 0xFF445566};
  std::int32_t alignment = 2;
  char font[] = "Verdana", image[] = "back.png";
  ASSERT_EQ(RMC_CREATECHART(kParent, 1, 0, 0, 100, 100, 0, 0, 1, image, font, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, footer, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDCAPTION(1, 1, caption, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDLEGEND(1, 1, legend, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDDATAAXIS(1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, units, title, labels, &alignment),
            codes::kOk);
  ASSERT_EQ(RMC_ADDLABELAXIS(1, 1, axisLabels, 0, 0, 0, 0, 0, 0, 0, 0, title), codes::kOk);
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, values, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDGRIDLESSSERIES(1, 1, values, 2, colours, 2, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  for (char* text : {footer, caption, legend, units, title, labels, axisLabels, font, image}) {
    std::memset(text, 'X', std::strlen(text));
  }
  values[0] = values[1] = 99;
  colours[0] = colours[1] = 0;
  alignment = 0;

  const Chart chart = Peek(1);
  EXPECT_EQ(chart.settings.fontName, "Verdana");
  EXPECT_EQ(chart.settings.backgroundImage, "back.png");
  const Region& r = chart.regions.at(0);
  EXPECT_EQ(r.footer, "Footer");
  EXPECT_EQ(r.caption.text, "Caption");
  EXPECT_EQ(r.legend.text, "A;B");
  EXPECT_EQ(r.dataAxes.at(0).units, "kg");
  EXPECT_EQ(r.dataAxes.at(0).title, "Weight");
  EXPECT_EQ(r.dataAxes.at(0).labels, "L1;L2");
  EXPECT_EQ(r.dataAxes.at(0).labelAlignment, 2);
  EXPECT_EQ(r.labelAxis.labels, "Jan;Feb");
  EXPECT_EQ(r.labelAxis.title, "Weight");
  EXPECT_EQ(r.bars.at(0).values, (std::vector<double>{1.5, 2.5}));
  EXPECT_EQ(r.gridless.at(0).values, (std::vector<double>{1.5, 2.5}));
  EXPECT_EQ(r.gridless.at(0).colours, (std::vector<Argb>{0xFF112233, 0xFF445566}));
}

TEST_F(EngineTest, NullAndOddArgumentsHaveSafeMeanings) {
  ASSERT_EQ(RMC_CREATECHART(kParent, 1, 0, 0, 0, 0, 0, 0, 1, nullptr, nullptr, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, nullptr, 0), codes::kOk);
  const double values[] = {1, std::nan(""), std::numeric_limits<double>::infinity(), -2};
  const RmcColour zero = 0;
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, values, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, values, -4, 0, 0, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, nullptr, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDGRIDLESSSERIES(1, 1, values, 1, &zero, 0, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDGRIDLESSSERIES(1, 1, values, 1, nullptr, 3, 0, 0, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(RMC_ADDDATAAXIS(1, 1, 0, -std::numeric_limits<double>::infinity(), std::nan(""), 0, 0,
                            0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
            codes::kOk);
  ASSERT_EQ(RMC_ADDCAPTION(1, 1, nullptr, 0, 0, 0, 0), codes::kOk);

  const Chart chart = Peek(1);
  EXPECT_EQ(chart.settings.fontName, "");
  const Region& r = chart.regions.at(0);
  EXPECT_EQ(r.bars.at(0).values, (std::vector<double>{1, 0, 0, -2})) << "non-finite become 0";
  EXPECT_TRUE(r.bars.at(1).values.empty()) << "negative count: empty list";
  EXPECT_TRUE(r.bars.at(2).values.empty()) << "null list: empty list";
  EXPECT_TRUE(r.gridless.at(0).colours.empty()) << "colour count 0: default palette";
  EXPECT_TRUE(r.gridless.at(1).colours.empty());
  EXPECT_EQ(r.dataAxes.at(0).minValue, 0.0);
  EXPECT_EQ(r.dataAxes.at(0).maxValue, 0.0);
  EXPECT_EQ(r.dataAxes.at(0).labelAlignment, 0) << "null alignment pointer reads as 0";
  EXPECT_TRUE(r.caption.present);
  EXPECT_TRUE(IsValidChart(chart));
}

TEST_F(EngineTest, TextsAboveTheLengthLimitAreRefused) {
  const std::string longest(kMaxTextLength, 'a');
  const std::string tooLong(kMaxTextLength + 1, 'a');
  ASSERT_EQ(Create(1, 1), codes::kOk);
  EXPECT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, tooLong.c_str(), 0), codes::kOutOfMemory);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, longest.c_str(), 0), codes::kOk);
  EXPECT_EQ(RMC_ADDLEGEND(1, 1, tooLong.c_str(), 0, 0, 0, 0, 0, 0), codes::kOutOfMemory);
  EXPECT_EQ(RMC_CREATECHART(kParent, 2, 0, 0, 0, 0, 0, 0, 1, "", tooLong.c_str(), 0, 0),
            codes::kOutOfMemory);
  EXPECT_EQ(Peek(1).regions.at(0).footer, longest);
}

TEST_F(EngineTest, AThirdDataAxisReplacesTheSecond) {
  ASSERT_EQ(Create(1, 1), codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  for (const char* units : {"a", "b", "c"}) {
    ASSERT_EQ(RMC_ADDDATAAXIS(1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, units, "", "", nullptr), codes::kOk);
  }
  const Region r = Peek(1).regions.at(0);
  ASSERT_EQ(r.dataAxes.size(), 2u);
  EXPECT_EQ(r.dataAxes[0].units, "a");
  EXPECT_EQ(r.dataAxes[1].units, "c");
}

TEST(Rgb2ArgbTest, MovesRedToTheThirdByteAndSetsAlpha) {
  const struct {
    RmcColour colour;
    std::int32_t alpha;
    RmcColour expected;
  } cases[] = {
      {0x000000FF, 0, 0xFFFF0000},                                       // red
      {0x0000FF00, 0, 0xFF00FF00},                                       // green
      {0x00FF0000, 0, 0xFF0000FF},                                       // blue
      {0x00332211, 0, 0xFF112233},     {0xAB332211, 0, 0xFF112233},      // top byte ignored
      {0x00332211, 0x80, 0x80112233},  {0x00332211, 0x1FF, 0xFF112233},  // low byte of alpha
      {0x00332211, 0x100, 0x00112233}, {0x00332211, -1, 0xFF112233},    {0xFFFFFFFF, 1, 0x01FFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RGB2ARGB(c.colour, c.alpha), c.expected) << std::hex << c.colour << " " << c.alpha;
  }
}

class ChartFileCallsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("vantiro-engine-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    EngineTest::TearDown();
    std::filesystem::remove_all(dir_);
  }
  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(ChartFileCallsTest, WrittenChartsComeBackIdenticalAtTheNewPlace) {
  ASSERT_EQ(RMC_CREATECHART(kParent, 1, 5, 6, 320, 240, 0xFF102030, 3, 0, "img.png", "Arial", 150,
                            0xFF000000),
            codes::kOk);
  ASSERT_EQ(AddRegion(1), codes::kOk);
  ASSERT_EQ(RMC_ADDLEGEND(1, 1, "Only;Two", 1, 0, 0, 0, 0, 0), codes::kOk);
  ASSERT_EQ(AddBar(1, 1), codes::kOk);
  ASSERT_EQ(AddGridless(1, 1), codes::kOk);
  const std::string path = PathOf("saved.chart");
  ASSERT_EQ(RMC_WRITERMCFILE(1, path.c_str()), codes::kOk);

  Device().log.clear();
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(kParent + 1, 2, 70, 80, 0, path.c_str()), codes::kOk);
  EXPECT_EQ(Device().log, (std::vector<std::string>{"start", "create 2"}));
  Chart copy = Peek(2);
  EXPECT_EQ(copy.settings.parent, kParent + 1);
  EXPECT_EQ(copy.settings.x, 70);
  EXPECT_EQ(copy.settings.y, 80);
  Chart original = Peek(1);
  copy.ctrlId = original.ctrlId;
  copy.settings.parent = original.settings.parent;
  copy.settings.x = original.settings.x;
  copy.settings.y = original.settings.y;
  EXPECT_TRUE(copy == original);

  // Export-only from the call, whatever the file's chart was.
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 3, 0, 0, 1, path.c_str()), codes::kOk);
  EXPECT_EQ(Peek(3).settings.exportOnly, 1);
}

TEST_F(ChartFileCallsTest, FileErrors) {
  ASSERT_EQ(Create(1, 1), codes::kOk);
  EXPECT_EQ(RMC_WRITERMCFILE(1, PathOf("no-folder/x.chart").c_str()), codes::kTargetFileFailed);
  EXPECT_EQ(RMC_WRITERMCFILE(1, nullptr), codes::kTargetFileFailed);
  EXPECT_EQ(RMC_WRITERMCFILE(1, ""), codes::kTargetFileFailed);
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 2, 0, 0, 0, PathOf("absent.chart").c_str()),
            codes::kSourceFileFailed);
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 2, 0, 0, 0, nullptr), codes::kSourceFileFailed);
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 2, 0, 0, 0, ""), codes::kSourceFileFailed);
  // A good file still goes through the window checks.
  const std::string path = PathOf("ok.chart");
  ASSERT_EQ(RMC_WRITERMCFILE(1, path.c_str()), codes::kOk);
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(0, 2, 0, 0, 0, path.c_str()), codes::kBadParentWindow);
  Device().startGraphicsResult = codes::kNoGraphicsLibrary;
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 2, 0, 0, 0, path.c_str()), codes::kNoGraphicsLibrary);
  EXPECT_EQ(RMC_DRAW(2), codes::kBadControlId);
  // A failed read under an ID in use leaves no chart there.
  EXPECT_EQ(RMC_CREATECHARTFROMFILE(kParent, 1, 0, 0, 0, PathOf("absent.chart").c_str()),
            codes::kSourceFileFailed);
  EXPECT_EQ(RMC_DRAW(1), codes::kBadControlId);
}

TEST_F(ChartFileCallsTest, TheLastFailureSaysWhyAndOutlivesOnlyTheDeletion) {
  ASSERT_EQ(Create(1, 1), codes::kOk);
  std::ofstream(PathOf("damaged.chart"), std::ios::binary) << "VANTIRO-CHART 1\nchart x\n";
  const std::string folder = PathOf("no-folder/x.chart");
  const struct {
    std::function<std::int32_t()> call;
    std::string detail;
  } cases[] = {
      {[&] { return RMC_WRITERMCFILE(1, folder.c_str()); },
       "cannot create " + folder + ": "},  // and the system's reason
      {[&] {
         return RMC_CREATECHARTFROMFILE(kParent, 2, 0, 0, 0, PathOf("damaged.chart").c_str());
       },
       "the chart file " + PathOf("damaged.chart") + " is damaged at line 2"},
      {[] { return Create(3, 1, 20000, 10); }, "the size 20000 x 10 is beyond the side limit"},
      {[] { return RMC_ADDREGION(1, 0, 0, 0, 0, std::string(70000, 'x').c_str(), 0); },
       "a text is longer than the engine's limit of 65535 characters"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(c.call(), codes::kOk) << c.detail;
    RMC_DELETECHART(99);  // as the plug-in does after a failure: the detail stays
    const std::string detail = VantiroEngine_TakeLastFailure();
    EXPECT_EQ(detail.substr(0, c.detail.size()), c.detail);
    EXPECT_STREQ(VantiroEngine_TakeLastFailure(), "");  // taken
  }
  EXPECT_NE(RMC_WRITERMCFILE(1, folder.c_str()), codes::kOk);
  EXPECT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, "", 0), codes::kOk);  // a later call forgets it
  EXPECT_STREQ(VantiroEngine_TakeLastFailure(), "");
}

}  // namespace
}  // namespace vantiro::engine
