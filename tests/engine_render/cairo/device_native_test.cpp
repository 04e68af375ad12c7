// The native device: file output by extension with its result codes, the
// PDF stand-in printer and its handle registry, snapshots, and a chart
// drawn end to end (model, layout, Cairo, PNG file).
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include "engine/device/device.h"
#include "abi/rmchart.h"

namespace vantiro::engine::device {
namespace {

namespace fs = std::filesystem;

constexpr Argb kBarColour = 0xFFE02020;

Chart BarChart(std::vector<double> values) {
  Chart chart;
  chart.ctrlId = 7;
  chart.settings.parent = 1;
  chart.settings.width = 400;
  chart.settings.height = 300;
  Region region;
  region.grid.present = true;
  region.dataAxes.push_back(DataAxis{});
  region.hasLabelAxis = true;
  region.labelAxis.labels = "Q1;Q2;Q3";
  BarSeries bars;
  bars.values = std::move(values);
  bars.colour = kBarColour;
  region.bars.push_back(bars);
  chart.regions.push_back(region);
  return chart;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// RGBA pixels of a PNG file, empty if it does not decode.
struct Decoded {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  const std::uint8_t* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

Decoded ReadPng(const fs::path& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  Decoded out;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return out;
  png.format = PNG_FORMAT_RGBA;
  out.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, out.rgba.data(), 0, nullptr)) return {};
  out.width = int(png.width);
  out.height = int(png.height);
  return out;
}

class NativeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) / ("vantiro-device-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    VantiroEngine_SetSnapshots(nullptr, "");
    fs::remove_all(folder_);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  fs::path folder_;
};

TEST_F(NativeDevice, WindowsNeedAParentAndGraphicsAlwaysStart) {
  EXPECT_EQ(StartGraphics(), 0);
  Chart chart = BarChart({1});
  EXPECT_EQ(CreateChartWindow(chart), 0);
  chart.settings.parent = 0;
  EXPECT_EQ(CreateChartWindow(chart), -10);
  DestroyChartWindow(chart.ctrlId);
}

TEST_F(NativeDevice, DrawToFileResultsByExtensionAndSize) {
  fs::create_directories(folder_ / "taken.png");
  const struct {
    std::string name;
    int width, height;
    std::int32_t code;
    const char* signature;  // start of the file written, if any
  } cases[] = {
      {"a.png", 320, 200, 0, "\x89PNG"},
      {"b.PNG", 320, 200, 0, "\x89PNG"},
      {"c.jpg", 320, 200, 0, "\xFF\xD8\xFF"},
      {"d.JpEg", 320, 200, 0, "\xFF\xD8\xFF"},
      {"e.bmp", 320, 200, 0, "BM"},
      {"f.svg", 320, 200, 0, "<?xml"},
      {"g.pdf", 320, 200, 0, "%PDF-"},
      {"h.emf", 320, 200, -20, nullptr},
      {"i.gif", 320, 200, -20, nullptr},
      {"no-extension", 320, 200, -20, nullptr},
      {"dotted.folder/name", 320, 200, -20, nullptr},
      {"missing-folder/j.png", 320, 200, -20, nullptr},
      {"taken.png", 320, 200, -20, nullptr},     // a folder of that name
      {"wide.png", 20000, 10, -20, nullptr},     // side over the limit
      {"huge.png", 10000, 10000, -20, nullptr},  // too many pixels
      {"empty.png", 0, 10, -20, nullptr},
  };
  const Chart chart = BarChart({3, 5, 4});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DrawToFile(chart, Path(c.name), c.width, c.height, 80), c.code);
    if (c.signature != nullptr) {
      EXPECT_EQ(ReadFile(Path(c.name)).rfind(c.signature, 0), 0u);
    } else if (c.name != "taken.png") {
      EXPECT_FALSE(fs::exists(Path(c.name)));
    }
    EXPECT_FALSE(fs::exists(Path(c.name + ".part")));
  }
}

TEST_F(NativeDevice, ImagesHaveTheRequestedSize) {
  const Chart chart = BarChart({3, 5, 4});
  ASSERT_EQ(DrawToFile(chart, Path("big.png"), 1000, 250, 0), 0);
  const Decoded image = ReadPng(Path("big.png"));
  EXPECT_EQ(image.width, 1000);
  EXPECT_EQ(image.height, 250);
}

// Bars of 10, 20 and 30 stand on one baseline with heights 1:2:3.
TEST_F(NativeDevice, BarChartEndToEnd) {
  ASSERT_EQ(DrawToFile(BarChart({10, 20, 30}), Path("bars.png"), 400, 300, 0), 0);
  const Decoded image = ReadPng(Path("bars.png"));
  ASSERT_EQ(image.width, 400);
  const auto isBar = [&](int x, int y) {
    const std::uint8_t* p = image.at(x, y);
    return std::abs(p[0] - 0xE0) <= 2 && std::abs(p[1] - 0x20) <= 2 && std::abs(p[2] - 0x20) <= 2;
  };
  struct Bar {
    int x0, x1, top = 1 << 30, bottom = -1;
  };
  std::vector<Bar> bars;
  for (int x = 0; x < image.width; ++x) {
    int top = 1 << 30, bottom = -1;
    for (int y = 0; y < image.height; ++y) {
      if (isBar(x, y)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    if (bottom < 0) continue;
    if (bars.empty() || bars.back().x1 != x - 1) bars.push_back(Bar{x, x});
    Bar& bar = bars.back();
    bar.x1 = x;
    bar.top = std::min(bar.top, top);
    bar.bottom = std::max(bar.bottom, bottom);
  }
  ASSERT_EQ(bars.size(), 3u);
  const double unit = (bars[0].bottom - bars[0].top + 1);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(bars[i].x1 - bars[i].x0, 10);
    EXPECT_NEAR(bars[i].bottom, bars[0].bottom, 1);
    EXPECT_NEAR((bars[i].bottom - bars[i].top + 1) / unit, i + 1, 0.06);
    if (i > 0) {
      EXPECT_GT(bars[i].x0, bars[i - 1].x1 + 5);
    }
  }
  // Text of the axes is drawn: dark pixels below the bars.
  int dark = 0;
  for (int y = bars[0].bottom + 2; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) dark += image.at(x, y)[0] < 100;
  }
  EXPECT_GT(dark, 20);
}

TEST_F(NativeDevice, SnapshotsAreSavedOnlyWhileAFolderIsSet) {
  const Chart chart = BarChart({1, 2});
  EXPECT_EQ(ShowChart(chart), 0);
  EXPECT_TRUE(fs::is_empty(folder_));
  VantiroEngine_SetSnapshots(folder_.c_str(), "");
  EXPECT_EQ(ShowChart(chart), 0);
  const Decoded snapshot = ReadPng(folder_ / "chart-7.png");
  EXPECT_EQ(snapshot.width, 400);
  EXPECT_EQ(snapshot.height, 300);
  VantiroEngine_SetSnapshots((folder_ / "missing").c_str(), "");
  EXPECT_EQ(ShowChart(chart), -20);
  VantiroEngine_SetSnapshots("", "");
  fs::remove(folder_ / "chart-7.png");
  EXPECT_EQ(ShowChart(chart), 0);
  EXPECT_TRUE(fs::is_empty(folder_));
}

// A chart drawn again unchanged at the same size reuses the drawn frame;
// any change draws anew. Each changed chart's file must equal the file
// drawn for it while another chart was kept.
TEST_F(NativeDevice, AKeptFrameServesOnlyTheSameChartAtTheSameSize) {
  Chart base = BarChart({3, 5, 4});
  base.regions[0].caption.present = true;
  base.regions[0].caption.text = "Caf\xC3\xA9";
  const struct {
    const char* change;
    void (*apply)(Chart&, int& width, std::int32_t& codePage);
  } cases[] = {
      {"unchanged", [](Chart&, int&, std::int32_t&) {}},
      {"a value", [](Chart& c, int&, std::int32_t&) { c.regions[0].bars[0].values[1] = 6; }},
      {"a colour", [](Chart& c, int&, std::int32_t&) { c.regions[0].bars[0].colour = 0xFF2020E0; }},
      {"the caption", [](Chart& c, int&, std::int32_t&) { c.regions[0].caption.text = "Cafe"; }},
      {"the width", [](Chart&, int& w, std::int32_t&) { w = 401; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    Chart changed = base;
    int width = 400;
    std::int32_t codePage = 1252;
    c.apply(changed, width, codePage);
    ASSERT_EQ(VantiroEngine_SetCodePage(codePage), 0);
    DestroyChartWindow(changed.ctrlId);  // nothing kept: drawn afresh
    ASSERT_EQ(DrawToFile(changed, Path("fresh.png"), width, 300, 0), 0);
    ASSERT_EQ(VantiroEngine_SetCodePage(1252), 0);
    DestroyChartWindow(base.ctrlId);
    ASSERT_EQ(ShowChart(base), 0);  // keeps the base chart's frame
    ASSERT_EQ(VantiroEngine_SetCodePage(codePage), 0);
    ASSERT_EQ(DrawToFile(changed, Path("again.png"), width, 300, 0), 0);
    ASSERT_EQ(DrawToFile(changed, Path("again.bmp"), width, 300, 0), 0);
    ASSERT_EQ(DrawToFile(changed, Path("fresh.bmp"), width, 300, 0), 0);
    ASSERT_EQ(VantiroEngine_SetCodePage(1252), 0);
    EXPECT_EQ(ReadFile(Path("again.png")), ReadFile(Path("fresh.png")));
    EXPECT_EQ(ReadFile(Path("again.bmp")), ReadFile(Path("fresh.bmp")));
    if (std::string_view(c.change) != "unchanged") {
      EXPECT_NE(ReadFile(Path("again.png")), ReadFile(Path("base.png")));
    } else {
      fs::copy_file(Path("again.png"), Path("base.png"));
    }
  }
  DestroyChartWindow(base.ctrlId);
}

TEST_F(NativeDevice, PrinterHandlesAreLookedUpNeverTrusted) {
  const Chart chart = BarChart({1, 2});
  for (std::uintptr_t unknown : {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0x7D000000},
                                 reinterpret_cast<std::uintptr_t>(&chart)}) {
    EXPECT_EQ(DrawToPrinter(chart, unknown, 0, 0, 0, 0, 1), -13);
  }
  EXPECT_EQ(VantiroEngine_OpenPdfPrinter((folder_ / "missing" / "p.pdf").c_str()), 0u);
  EXPECT_EQ(VantiroEngine_OpenPdfPrinter(nullptr), 0u);
  VantiroEngine_ClosePdfPrinter(12345);  // unknown: ignored
}

TEST_F(NativeDevice, PrintingMakesOnePdfPagePerManagedCall) {
  const Chart chart = BarChart({1, 2, 3});
  const std::uintptr_t paged = VantiroEngine_OpenPdfPrinter(Path("paged.pdf").c_str());
  const std::uintptr_t single = VantiroEngine_OpenPdfPrinter(Path("single.pdf").c_str());
  ASSERT_NE(paged, 0u);
  ASSERT_NE(single, 0u);
  ASSERT_NE(paged, single);
  EXPECT_EQ(DrawToPrinter(chart, paged, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(DrawToPrinter(chart, paged, 72, 72, 300, 100, 1), 0);
  EXPECT_EQ(DrawToPrinter(chart, single, 0, 0, 300, 200, 0), 0);
  EXPECT_EQ(DrawToPrinter(chart, single, 0, 300, 300, 200, 0), 0);
  VantiroEngine_ClosePdfPrinter(paged);
  VantiroEngine_ClosePdfPrinter(single);
  EXPECT_EQ(DrawToPrinter(chart, paged, 0, 0, 0, 0, 1), -13);
  const std::string pagedPdf = ReadFile(Path("paged.pdf"));
  const std::string singlePdf = ReadFile(Path("single.pdf"));
  EXPECT_EQ(pagedPdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pagedPdf.find("/Count 2"), std::string::npos);
  EXPECT_NE(singlePdf.find("/Count 1"), std::string::npos);
  EXPECT_NE(pagedPdf.find("%%EOF"), std::string::npos);
}

}  // namespace
}  // namespace vantiro::engine::device
