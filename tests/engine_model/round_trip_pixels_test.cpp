// Chart files keep everything that is drawn: a chart written to a file and
// read back draws the same pixels as the original, with the real layout and
// the real backend of the target.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/chartfile/chart_file.h"
#include "abi/rmchart.h"
#include "tests/engine_model/chart_generator.h"

namespace {

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixel rows of a 24-bit BMP (everything after its header).
std::vector<char> BmpPixels(const std::string& path) {
  const std::vector<char> file = ReadFile(path);
  if (file.size() < 54) return {};
  const std::uint32_t offset =
      std::uint32_t(std::uint8_t(file[10])) | std::uint32_t(std::uint8_t(file[11])) << 8 |
      std::uint32_t(std::uint8_t(file[12])) << 16 | std::uint32_t(std::uint8_t(file[13])) << 24;
  if (offset >= file.size()) return {};
  return {file.begin() + offset, file.end()};
}

class RoundTripPixelsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (std::int32_t id : {1, 2}) RMC_DELETECHART(id);
    for (const std::string& f : files_) std::remove(f.c_str());
  }
  // Named after the test: ctest runs the tests of this file side by side
  // in one folder.
  std::string File(const std::string& name) {
    files_.push_back(std::string("round-trip-") +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name);
    return files_.back();
  }

  // Writes chart `from` to a chart file, loads it as chart `to`, and draws
  // both into BMP files of the same size.
  void ExpectSamePixels(std::int32_t from, std::int32_t to, int width, int height) {
    const std::string chartFile = File("chart.rmc");
    ASSERT_EQ(RMC_WRITERMCFILE(from, chartFile.c_str()), 0);
    ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, to, 5, 5, 1, chartFile.c_str()), 0);
    const std::string a = File("a.bmp"), b = File("b.bmp");
    ASSERT_EQ(RMC_DRAW2FILE(from, a.c_str(), width, height, 0), 0);
    ASSERT_EQ(RMC_DRAW2FILE(to, b.c_str(), width, height, 0), 0);
    const std::vector<char> original = BmpPixels(a), reloaded = BmpPixels(b);
    ASSERT_FALSE(original.empty());
    EXPECT_TRUE(original == reloaded) << "the reloaded chart draws other pixels";
  }

  std::vector<std::string> files_;
};

TEST_F(RoundTripPixelsTest, AScriptBuiltChartDrawsTheSameAfterReloading) {
  ASSERT_EQ(RMC_CREATECHART(0, 1, 0, 0, 640, 400, RGB2ARGB(0xFFFFFF, 0), 3, 1, "", "", 0, 0), 0);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, "Source: sales reports", 1), 0);
  ASSERT_EQ(
      RMC_ADDCAPTION(1, 1, "Quarterly sales", RGB2ARGB(0xFFFFFF, 0), RGB2ARGB(0x643820, 0), 14, 1),
      0);
  ASSERT_EQ(RMC_ADDGRID(1, 1, RGB2ARGB(0xFCF9F7, 0), 1, 0, 0, 0, 0, 1), 0);
  std::int32_t labelAlignment = 0;
  ASSERT_EQ(RMC_ADDDATAAXIS(1, 1, 1, 0.0, 0.0, 0, 9, RGB2ARGB(0x404040, 0), RGB2ARGB(0xD0D0D0, 0),
                            1, 1, " k$", "Revenue", "", &labelAlignment),
            0);
  ASSERT_EQ(RMC_ADDLABELAXIS(1, 1, "Q1;Q2;Q3;Q4", 4, 1, 4, 10, RGB2ARGB(0x404040, 0), 0,
                             RGB2ARGB(0x808080, 0), 4, "Quarter"),
            0);
  const double north[] = {120.5, 135, 150.25, 170};
  const double south[] = {95, 110, 128, 140};
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, north, 4, 0, 3, 0, RGB2ARGB(0xC47244, 0), 0, 1, 1, 0, 3), 0);
  ASSERT_EQ(RMC_ADDBARSERIES(1, 1, south, 4, 0, 1, 1, RGB2ARGB(0x317DED, 0), 0, 1, 2, 0, 0), 0);
  ASSERT_EQ(RMC_ADDLEGEND(1, 1, "North;South", 3, RGB2ARGB(0xFFFFFF, 0), 2, 0x404040, 9, 0), 0);
  ExpectSamePixels(1, 2, 0, 0);
}

TEST_F(RoundTripPixelsTest, GeneratedChartsDrawTheSameAfterReloading) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string generated = File("generated.rmc");
    ASSERT_TRUE(vantiro::engine::chartfile::WriteChartFile(
        vantiro::engine::testing::GenerateChart(seed), generated));
    ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 1, 0, 0, 1, generated.c_str()), 0);
    ExpectSamePixels(1, 2, 320, 240);
    RMC_DELETECHART(1);
    RMC_DELETECHART(2);
  }
}

}  // namespace
