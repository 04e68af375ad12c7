// The Windows device's printing, on device contexts a test can read back:
// a memory DC with a DIB section, and a metafile DC played back.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/device.h"
#include "tests/engine_win32/pixels.h"

namespace vantiro::engine {
namespace {

using testing::DibCanvas;
using testing::Near;

constexpr Argb kPaper = 0xFF000000;  // nothing the chart draws is black
constexpr Argb kRed = 0xFFFF0000;

std::uintptr_t Handle(HDC dc) { return reinterpret_cast<std::uintptr_t>(dc); }

class DrawToPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(device::StartGraphics(), 0);
    chart_.settings.width = 100;
    chart_.settings.height = 50;
    chart_.settings.background = kRed;
  }

  Chart chart_;
};

TEST_F(DrawToPrinterTest, FitsTheChartOntoThePageKeepingItsShape) {
  struct Probe {
    int x, y;
    Argb colour;
  };
  // The page is 200 x 150, the chart 100 x 50.
  const struct {
    const char* name;
    int left, top, width, height;
    std::vector<Probe> probes;
  } cases[] = {
      {"whole page: 200 x 100 at 0,25",
       0,
       0,
       0,
       0,
       {{100, 75, kRed}, {1, 26, kRed}, {198, 123, kRed}, {100, 23, kPaper}, {100, 127, kPaper}}},
      {"width only: the whole page", 10, 10, 50, 0, {{100, 75, kRed}, {100, 23, kPaper}}},
      {"rectangle 20,30 50 x 50: 50 x 25 at 20,42.5",
       20,
       30,
       50,
       50,
       {{22, 44, kRed},
        {67, 66, kRed},
        {45, 40, kPaper},
        {45, 70, kPaper},
        {17, 55, kPaper},
        {73, 55, kPaper}}},
      {"rectangle 0,100 200 x 40: 80 x 40 at 60,100",
       0,
       100,
       200,
       40,
       {{62, 120, kRed},
        {137, 120, kRed},
        {57, 120, kPaper},
        {143, 120, kPaper},
        {100, 97, kPaper}}},
  };
  for (const auto& c : cases) {
    // Asked to manage pages or not: a memory DC has none.
    for (int managePages : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << c.name << ", pages " << managePages);
      DibCanvas page(200, 150, kPaper);
      ASSERT_EQ(device::DrawToPrinter(chart_, Handle(page.dc()), c.left, c.top, c.width, c.height,
                                      managePages),
                0);
      const testing::Pixels pixels = page.Read();
      for (const Probe& p : c.probes) {
        EXPECT_TRUE(Near(pixels.At(p.x, p.y), p.colour, 8)) << p.x << "," << p.y;
      }
    }
  }
}

TEST_F(DrawToPrinterTest, DrawsOnAMetafileDeviceContext) {
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(device::DrawToPrinter(chart_, Handle(recorder), 0, 0, 100, 50, 0), 0);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header{};
  ASSERT_GT(GetEnhMetaFileHeader(metafile, sizeof header, &header), 0u);
  // Played back at the place and size it was recorded at.
  const RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1,
                    header.rclBounds.bottom + 1};
  DibCanvas canvas(100, 50, kPaper);
  EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), metafile, &bounds));
  DeleteEnhMetaFile(metafile);
  EXPECT_TRUE(Near(canvas.Read().At(50, 25), kRed, 8));
}

TEST_F(DrawToPrinterTest, RefusesValuesThatAreNoUsableDeviceContext) {
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HDC deleted = CreateCompatibleDC(nullptr);
  DeleteDC(deleted);
  const std::uintptr_t values[] = {
      0, 1, 0x12345678, 0xFFFFFFFF, Handle(deleted), reinterpret_cast<std::uintptr_t>(brush)};
  for (std::uintptr_t value : values) {
    EXPECT_EQ(device::DrawToPrinter(chart_, value, 0, 0, 0, 0, 0), -13) << value;
    EXPECT_EQ(device::DrawToPrinter(chart_, value, 0, 0, 100, 100, 1), -13) << value;
  }
  DeleteObject(brush);
}

}  // namespace
}  // namespace vantiro::engine
