// The Windows device's image files: each format by its extension, checked
// by signature and read back; every refusal gives -20 and leaves no file.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/device.h"
#include "engine/files/file_io.h"
#include "tests/engine_win32/pixels.h"

namespace vantiro::engine {
namespace {

using testing::Near;
using testing::Pixels;

constexpr Argb kBackground = 0xFF3366CC;

class DrawToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(device::StartGraphics(), 0);
    // Nothing but a background: every pixel of any image has its colour.
    chart_.settings.width = 120;
    chart_.settings.height = 80;
    chart_.settings.background = kBackground;
  }

  Chart chart_;
  testing::ScratchFolder folder_;
};

// The metafile played back onto a bitmap of width x height.
Pixels PlayMetafile(const std::string& path, int width, int height) {
  HENHMETAFILE metafile = GetEnhMetaFileA(path.c_str());
  testing::DibCanvas canvas(width, height, 0xFF000000);
  const RECT all{0, 0, width, height};
  EXPECT_TRUE(metafile != nullptr && PlayEnhMetaFile(canvas.dc(), metafile, &all));
  DeleteEnhMetaFile(metafile);
  return canvas.Read();
}

TEST_F(DrawToFileTest, WritesTheFormatItsExtensionNames) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> signature;
    int quality, tolerance;
  } cases[] = {
      {"chart.png", {0x89, 'P', 'N', 'G', '\r', '\n'}, 80, 0},
      {"CHART.PNG", {0x89, 'P', 'N', 'G'}, 80, 0},
      {"chart.jpg", {0xFF, 0xD8, 0xFF}, 0, 10},  // quality 0: the default
      {"chart.Jpeg", {0xFF, 0xD8, 0xFF}, 1000, 10},
      {"chart.bmp", {'B', 'M'}, 80, 0},
      {"chart.emf", {1, 0, 0, 0}, 80, 8},  // header record first
  };
  // Not the chart's own size: the chart is laid out anew at this one.
  const int width = 160, height = 90;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder_.Path(c.name);
    // Written twice: an existing file is replaced.
    ASSERT_EQ(device::DrawToFile(chart_, path, 10, 10, c.quality), 0);
    ASSERT_EQ(device::DrawToFile(chart_, path, width, height, c.quality), 0);
    const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 64u);
    EXPECT_TRUE(std::equal(c.signature.begin(), c.signature.end(), bytes.begin()));
    EXPECT_FALSE(testing::FileExists(path + ".part"));
    const bool metafile = c.signature.front() == 1;
    if (metafile) {
      EXPECT_EQ(std::string(bytes.begin() + 40, bytes.begin() + 44), " EMF");
    }
    if (c.signature.front() == 'B') {
      EXPECT_EQ(bytes[28], 24);  // 24-bit pixels
    }
    const Pixels pixels = metafile ? PlayMetafile(path, width, height) : testing::LoadPicture(path);
    ASSERT_EQ(pixels.width, width);
    ASSERT_EQ(pixels.height, height);
    for (auto [x, y] : {std::pair{width / 2, height / 2}, {2, 2}, {width - 3, height - 3}}) {
      EXPECT_TRUE(Near(pixels.At(x, y), kBackground, c.tolerance)) << x << "," << y;
    }
  }
}

TEST_F(DrawToFileTest, RefusesWhatItCannotWrite) {
  const struct {
    std::string name;  // inside the scratch folder
    int width, height;
  } cases[] = {
      {"chart.gif", 100, 100},
      {"chart.png.txt", 100, 100},
      {"chart", 100, 100},
      {"dir.png\\chart", 100, 100},      // the dot is the folder's
      {"missing\\chart.png", 100, 100},  // no such folder
      {"missing\\chart.emf", 100, 100},
      {"taken.png", 100, 100},  // a folder is in the way
      {"chart.png", 0, 100},
      {"chart.bmp", 100, -1},
      {"chart.png", kMaxSide + 1, 10},
      {"chart.emf", 10, kMaxSide + 1},
      {"chart.jpg", kMaxSide, kMaxSide},  // above the pixel limit
      {"chart.png", 2147483647, 2147483647},
  };
  ASSERT_TRUE(CreateDirectoryA(folder_.Path("taken.png").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(folder_.Path("dir.png").c_str(), nullptr));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + std::to_string(c.width) + "x" + std::to_string(c.height));
    const std::string path = folder_.Path(c.name);
    EXPECT_EQ(device::DrawToFile(chart_, path, c.width, c.height, 80), -20);
    EXPECT_EQ(testing::FileExists(path), c.name == "taken.png");
    EXPECT_FALSE(testing::FileExists(path + ".part"));
  }
  EXPECT_EQ(device::DrawToFile(chart_, "", 100, 100, 80), -20);
}

// A write that fails midway (a full disk) or a target that may not be
// replaced gives -20 and leaves the old file as it was.
TEST_F(DrawToFileTest, KeepsTheOldFileWhenItCannotReplaceIt) {
  const struct {
    const char* name;
    std::int64_t writeLimit;  // bytes the disk takes; -1: no limit
    bool readOnly;
  } cases[] = {
      {"full.emf", 316, false}, {"full.png", 0, false},   {"full.bmp", 100, false},
      {"locked.emf", -1, true}, {"locked.jpg", -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder_.Path(c.name);
    ASSERT_EQ(device::DrawToFile(chart_, path, 40, 30, 80), 0);
    const std::vector<std::uint8_t> good = testing::ReadFileBytes(path);
    if (c.readOnly) {
      ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    files::SetWriteLimitForTesting(c.writeLimit);
    EXPECT_EQ(device::DrawToFile(chart_, path, 400, 300, 80), -20);
    files::SetWriteLimitForTesting(-1);
    EXPECT_EQ(testing::ReadFileBytes(path), good);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(folder_.Path(".vt-*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);  // no temporary file left
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
}  // namespace vantiro::engine
