// The native engine in a code page other than its default: texts reach the
// layout report (and so Cairo) as the right characters, file names reach the
// file system as UTF-8, and chart files carry texts from one code page to
// another.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "abi/rmchart.h"

namespace {

namespace fs = std::filesystem;

// "Продажи по кварталам" and "отчёт" in code page 1251, and in UTF-8.
constexpr char kCaption1251[] =
    "\xCF\xF0\xEE\xE4\xE0\xE6\xE8 \xEF\xEE \xEA\xE2\xE0\xF0\xF2\xE0\xEB\xE0\xEC";
constexpr char kCaptionUtf8[] =
    "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD0\xB0\xD0\xB6\xD0\xB8 \xD0\xBF\xD0\xBE "
    "\xD0\xBA\xD0\xB2\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBC";
constexpr char kName1251[] = "\xEE\xF2\xF7\xB8\xF2";
constexpr char kNameUtf8[] = "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CodePageFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) / ("vantiro-code-page-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ASSERT_EQ(VantiroEngine_SetCodePage(1251), 0);
    ASSERT_EQ(VantiroEngine_SetLayoutReport(Path("report.jsonl").c_str()), 0);
  }
  void TearDown() override {
    VantiroEngine_SetLayoutReport(nullptr);
    EXPECT_EQ(VantiroEngine_SetCodePage(1252), 0);
    for (std::int32_t id : {1, 2, 3, 4}) RMC_DELETECHART(id);
    fs::remove_all(folder_);
  }
  // A name in the folder, `name` in the engine's code page.
  std::string Path(const std::string& name) const { return folder_.string() + "/" + name; }
  fs::path OnDisk(const std::string& utf8) const { return folder_ / fs::u8path(utf8); }
  std::string Report() const { return ReadFile(folder_ / "report.jsonl"); }

  fs::path folder_;
};

TEST_F(CodePageFilesTest, CyrillicTextsAndFileNamesArriveAsUnicode) {
  ASSERT_EQ(RMC_CREATECHART(0, 1, 0, 0, 320, 200, 0xFFFFFFFF, 0, 1, "", "", 0, 0), 0);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, "", 0), 0);
  ASSERT_EQ(RMC_ADDCAPTION(1, 1, kCaption1251, 0xFFFFFFFF, 0xFF000000, 12, 0), 0);

  const std::string png = std::string(kName1251) + ".png";
  ASSERT_EQ(RMC_DRAW2FILE(1, Path(png).c_str(), 320, 200, 0), 0);
  EXPECT_TRUE(fs::is_regular_file(OnDisk(std::string(kNameUtf8) + ".png")));
  const std::string report = Report();
  EXPECT_NE(report.find(std::string("\"text\": \"") + kCaptionUtf8 + "\""), std::string::npos)
      << report;
  EXPECT_NE(report.find(std::string(kNameUtf8) + ".png\""), std::string::npos) << report;

  const std::uintptr_t printer =
      VantiroEngine_OpenPdfPrinter(Path(std::string(kName1251) + ".pdf").c_str());
  EXPECT_NE(printer, 0u);
  VantiroEngine_ClosePdfPrinter(printer);
  EXPECT_TRUE(fs::is_regular_file(OnDisk(std::string(kNameUtf8) + ".pdf")));

  // A chart file under a Cyrillic name, its texts in UTF-8, read back.
  const std::string chartFile = Path(std::string(kName1251) + ".rmc");
  ASSERT_EQ(RMC_WRITERMCFILE(1, chartFile.c_str()), 0);
  const std::string written = ReadFile(OnDisk(std::string(kNameUtf8) + ".rmc"));
  EXPECT_EQ(written.rfind("VANTIRO-CHART 2\n", 0), 0u);
  EXPECT_NE(written.find("\\xD0\\x9F\\xD1\\x80"), std::string::npos) << written;
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 2, 0, 0, 1, chartFile.c_str()), 0);
  ASSERT_EQ(RMC_DRAW2FILE(2, Path("again.png").c_str(), 320, 200, 0), 0);
  const std::string again = Report().substr(report.size());
  EXPECT_NE(again.find(kCaptionUtf8), std::string::npos) << again;

  // The same file read under 1252: a "?" for every Cyrillic letter.
  ASSERT_EQ(RMC_WRITERMCFILE(1, Path("sales.rmc").c_str()), 0);
  ASSERT_EQ(VantiroEngine_SetCodePage(1252), 0);
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 3, 0, 0, 1, Path("sales.rmc").c_str()), 0);
  const std::size_t before = Report().size();
  ASSERT_EQ(RMC_DRAW2FILE(3, Path("western.png").c_str(), 320, 200, 0), 0);
  EXPECT_NE(Report().substr(before).find("\"text\": \"??????? ?? ?????????\""), std::string::npos)
      << Report().substr(before);
}

TEST_F(CodePageFilesTest, VersionOneFilesAreReadInTheReadersCodePage) {
  {
    std::ofstream out(Path("old.rmc"), std::ios::binary);
    out << "VANTIRO-CHART 1\nchart 200 100 FFFFFFFF 0 0 00000000 \"\" \"\"\n"
           "region 0 0 0 0 0 \"\"\ncaption FFFFFFFF FF000000 12 0 \"\\xCF\\xF0\"\nend\n";
  }
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 4, 0, 0, 1, Path("old.rmc").c_str()), 0);
  ASSERT_EQ(RMC_DRAW2FILE(4, Path("old.png").c_str(), 200, 100, 0), 0);
  EXPECT_NE(Report().find("\"text\": \"\xD0\x9F\xD1\x80\""), std::string::npos) << Report();
  EXPECT_EQ(VantiroEngine_SetCodePage(437), kVantiroCodePageUnsupported);
  EXPECT_EQ(VantiroEngine_CodePage(), 1251);
}

}  // namespace
