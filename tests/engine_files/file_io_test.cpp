// The one write routine: what a target may be and what happens to it, that
// a failure midway (a full disk) keeps the old file and leaves nothing
// behind, long names; reads that refuse anything but a regular file; the
// size rules of charts and image files.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/chartfile/chart_file.h"
#include "engine/device/shared/device_shared.h"
#include "engine/files/file_io.h"

namespace vantiro::engine::files {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class FileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("vantiro-files-" + std::to_string(stamp));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    SetWriteLimitForTesting(-1);
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }
  // Names in the folder: what a write left behind.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

// Each kind of target: whether the write is done, and that a refused one
// changed nothing and no temporary file remains.
TEST_F(FileIo, TargetsAreRegularFilesOrAbsent) {
  enum class Setup { kAbsent, kRegular, kFolder, kReadOnly, kLink, kDanglingLink, kFifo };
  const struct {
    const char* name;
    Setup setup;
    bool written;
  } cases[] = {
      {"new.chart", Setup::kAbsent, true},
      {"old.chart", Setup::kRegular, true},
      {"", Setup::kAbsent, true},  // the longest name a folder takes, below
      {"folder.png", Setup::kFolder, false},
      {"locked.chart", Setup::kReadOnly, false},
#ifndef _WIN32
      {"link.chart", Setup::kLink, true},
      {"dangling.chart", Setup::kDanglingLink, false},
      {"pipe.chart", Setup::kFifo, false},
#endif
  };
  const std::string longName = std::string(246, 'n') + ".png";  // 250 characters
  for (const auto& c : cases) {
    const std::string name = *c.name != '\0' ? c.name : longName;
    SCOPED_TRACE(name.substr(0, 20));
    const fs::path path = folder_ / name;
    const fs::path linked = folder_ / "linked-target";
    switch (c.setup) {
      case Setup::kAbsent: break;
      case Setup::kRegular: Put(path, "old"); break;
      case Setup::kFolder: fs::create_directory(path); break;
      case Setup::kReadOnly:
        Put(path, "old");
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
        break;
      case Setup::kLink:
        Put(linked, "old");
        fs::create_symlink(linked, path);
        break;
      case Setup::kDanglingLink: fs::create_symlink(folder_ / "nowhere", path); break;
      case Setup::kFifo:
#ifndef _WIN32
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
#endif
        break;
    }
    const std::set<std::string> before = Names();
    EXPECT_EQ(WriteWholeFile(path.string(), std::string_view("new content")), c.written);
    EXPECT_EQ(Names(), before.empty() && c.written ? std::set<std::string>{name} : before);
    if (c.setup == Setup::kLink) {
      EXPECT_TRUE(fs::is_symlink(path));
      EXPECT_EQ(ReadAll(linked), "new content");
    } else if (c.written) {
      EXPECT_EQ(ReadAll(path), "new content");
    } else if (c.setup == Setup::kRegular || c.setup == Setup::kReadOnly) {
      EXPECT_EQ(ReadAll(path), "old");
    }
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
    fs::remove(linked, ignored);
  }
  EXPECT_FALSE(WriteWholeFile(Path("missing/x.chart"), std::string_view("x")));
  EXPECT_FALSE(WriteWholeFile("", std::string_view("x")));
}

#ifdef _WIN32
// A link made on the Linux side, which Wine shows as a plain file: written
// through, so the link stays a link. Skipped where no such link was made.
TEST(FileLinks, WritesThroughALinkOfTheFileSystemUnderneath) {
  const char* folder = std::getenv("VANTIRO_LINK_FOLDER");
  if (folder == nullptr) GTEST_SKIP() << "no link made for this run";
  const std::string link = std::string(folder) + "\\link.chart";
  const std::string target = std::string(folder) + "\\target.chart";
  ASSERT_EQ(ReadAll(target), "old");
  EXPECT_TRUE(WriteWholeFile(link, std::string_view("new content")));
  EXPECT_EQ(ReadAll(target), "new content");
}
#endif

// A full disk at any point: the old file stays whole, nothing is left.
TEST_F(FileIo, FailedWriteKeepsTheOldFile) {
  const std::string big((std::size_t{1} << 20) * 2 + 5, 'x');
  const std::string path = Path("chart.png");
  Put(path, "old");
  for (std::int64_t limit : {std::int64_t{0}, std::int64_t{1}, std::int64_t{1} << 20,
                             static_cast<std::int64_t>(big.size()) - 1}) {
    SCOPED_TRACE(limit);
    SetWriteLimitForTesting(limit);
    EXPECT_FALSE(WriteWholeFile(path, big));
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"chart.png"});
  }
  SetWriteLimitForTesting(-1);
  EXPECT_TRUE(WriteWholeFile(path, big));
  EXPECT_EQ(ReadAll(path).size(), big.size());
}

TEST_F(FileIo, ReadsOnlyRegularFiles) {
  Put(folder_ / "chart.chart", "data");
  EXPECT_EQ(ReadRegularFile(Path("chart.chart"), 100),
            (std::vector<std::uint8_t>{'d', 'a', 't', 'a'}));
  EXPECT_TRUE(ReadRegularFile(Path("chart.chart"), 3).empty());  // above the cap
  const std::vector<std::string> refused = {
      folder_.string(),
      Path("absent"),
#ifdef _WIN32
      "NUL",
      "CON",
      "\\\\.\\pipe\\vantiro-none",
#else
      "/dev/zero",      "/dev/null",    Path("pipe"),
#endif
  };
#ifndef _WIN32
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);  // no writer: a read would block
#endif
  Chart chart;
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    EXPECT_EQ(OpenRegularFile(path), nullptr);
    EXPECT_FALSE(chartfile::ReadChartFile(path, chart));
  }
}

#ifdef _WIN32
TEST_F(FileIo, DeviceNamesAreNeverTargets) {
  for (const char* name : {"NUL", "CON", "COM1", "\\\\.\\pipe\\vantiro-none"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(WriteWholeFile(name, std::string_view("x")));
  }
}

#else
TEST_F(FileIo, DevicesAndModes) {
  // A device node is refused and stays a device.
  EXPECT_FALSE(WriteWholeFile("/dev/null", std::string_view("x")));
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // An existing file keeps its permission bits.
  const std::string path = Path("shared.chart");
  Put(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteWholeFile(path, std::string_view("new")));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Links planted under the names temporary files once had are not followed.
  const std::string victim = Path("victim");
  Put(victim, "keep");
  fs::create_symlink(victim, path + ".part");
  fs::create_symlink(victim, path + ".vantiro-tmp");
  EXPECT_TRUE(WriteWholeFile(path, std::string_view("again")));
  EXPECT_EQ(ReadAll(victim), "keep");
}

// A real full disk: a small tmpfs, where this test may mount one.
TEST_F(FileIo, FullDiskKeepsTheOldFile) {
  const fs::path disk = folder_ / "disk";
  fs::create_directory(disk);
  if (mount("vantiro", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  const std::string path = (disk / "chart.png").string();
  Put(path, "old");
  const bool written = WriteWholeFile(path, std::string(1 << 20, 'x'));
  const std::string kept = ReadAll(path);
  const auto entries = std::distance(fs::directory_iterator(disk), fs::directory_iterator());
  umount(disk.c_str());
  EXPECT_FALSE(written);
  EXPECT_EQ(kept, "old");
  EXPECT_EQ(entries, 1);  // no temporary file left
}
#endif

// Charts and raster files share one pixel cap; vector files only the side.
TEST(DeviceSizes, RasterFilesHaveThePixelCapVectorFilesDoNot) {
  using device::FileKind;
  const struct {
    const char* path;
    FileKind kind;
    int width, height;
    bool allowed;
  } cases[] = {
      {"a.PNG", FileKind::kPng, kMaxSide, 4096, true},
      {"a.jpeg", FileKind::kJpeg, kMaxSide, 4097, false},
      {"a.bmp", FileKind::kBmp, kMaxSide, kMaxSide, false},
      {"a.svg", FileKind::kSvg, kMaxSide, kMaxSide, true},
      {"a.pdf", FileKind::kPdf, kMaxSide + 1, 1, false},
      {"a.emf", FileKind::kEmf, kMaxSide, kMaxSide, true},
      {"dir.png/a", FileKind::kUnknown, 10, 10, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(device::FileKindOf(c.path), c.kind);
    EXPECT_EQ(device::FileSizeAllowed(c.kind, c.width, c.height), c.allowed);
  }
  EXPECT_TRUE(ChartSizeAllowed(kMaxSide, 4096));
  EXPECT_FALSE(ChartSizeAllowed(kMaxSide, kMaxSide));
  EXPECT_EQ(device::JpegQuality(0), kDefaultJpegQuality);
  EXPECT_EQ(device::JpegQuality(101), 100);
}

}  // namespace
}  // namespace vantiro::engine::files
