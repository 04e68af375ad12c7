// The Windows engine reads its texts and file names in the process's ANSI
// code page. Registered twice: under a Russian locale (code page 1251) and a
// Western one (1252); each case states what it expects of either.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "abi/rmchart.h"

namespace {

// "Продажи по кварталам", "Продажи" and "отчёт": in code page 1251, UTF-8
// and UTF-16.
constexpr char kCaption1251[] =
    "\xCF\xF0\xEE\xE4\xE0\xE6\xE8 \xEF\xEE \xEA\xE2\xE0\xF0\xF2\xE0\xEB\xE0\xEC";
constexpr char kCaptionUtf8[] =
    "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD0\xB0\xD0\xB6\xD0\xB8 \xD0\xBF\xD0\xBE "
    "\xD0\xBA\xD0\xB2\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBC";
constexpr char kSalesUtf8[] = "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD0\xB0\xD0\xB6\xD0\xB8\"";
constexpr wchar_t kCaptionWide[] = L"\u041F\u0440\u043E\u0434\u0430\u0436\u0438";
constexpr char kName1251[] = "\xEE\xF2\xF7\xB8\xF2";
constexpr wchar_t kNameWide[] = L"\u043E\u0442\u0447\u0451\u0442";

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folderWide_ = std::wstring(temp) + L"vantiro-cp-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folderWide_.c_str(), nullptr));
    char ansi[MAX_PATH];
    ASSERT_GT(
        WideCharToMultiByte(CP_ACP, 0, folderWide_.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr),
        0);
    folder_ = ansi;
    ASSERT_EQ(VantiroEngine_SetLayoutReport(Path("report.jsonl").c_str()), 0);
  }
  void TearDown() override {
    VantiroEngine_SetLayoutReport(nullptr);
    for (std::int32_t id : {1, 2, 3}) RMC_DELETECHART(id);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folderWide_ + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((folderWide_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folderWide_.c_str());
  }
  // A path in the folder: `name` in the ANSI code page, or in UTF-16.
  std::string Path(const std::string& name) const { return folder_ + "\\" + name; }
  std::wstring Wide(const std::wstring& name) const { return folderWide_ + L"\\" + name; }
  std::string Report() const { return ReadAll(Wide(L"report.jsonl")); }

  std::string folder_;
  std::wstring folderWide_;
};

TEST_F(CodePageTest, CyrillicTextsAndFileNamesUnderCodePage1251) {
  if (GetACP() != 1251) GTEST_SKIP() << "runs under the Russian locale";
  ASSERT_EQ(RMC_CREATECHART(0, 1, 0, 0, 320, 200, 0xFFFFFFFF, 0, 1, "", "", 0, 0), 0);
  ASSERT_EQ(RMC_ADDREGION(1, 0, 0, 0, 0, "", 0), 0);
  ASSERT_EQ(RMC_ADDCAPTION(1, 1, kCaption1251, 0xFFFFFFFF, 0xFF000000, 12, 0), 0);

  // The image and the metafile under Cyrillic names; the metafile holds the
  // caption as the same characters.
  const std::string name(kName1251);
  ASSERT_EQ(RMC_DRAW2FILE(1, Path(name + ".png").c_str(), 320, 200, 0), 0);
  EXPECT_TRUE(Exists(Wide(std::wstring(kNameWide) + L".png")));
  const std::string report = Report();
  EXPECT_NE(report.find(std::string("\"text\": \"") + kCaptionUtf8 + "\""), std::string::npos)
      << report;
  ASSERT_EQ(RMC_DRAW2FILE(1, Path(name + ".emf").c_str(), 320, 200, 0), 0);
  const std::string emf = ReadAll(Wide(std::wstring(kNameWide) + L".emf"));
  const std::wstring caption(kCaptionWide);
  const std::string utf16(reinterpret_cast<const char*>(caption.data()),
                          caption.size() * sizeof(wchar_t));
  EXPECT_NE(emf.find(utf16), std::string::npos) << "EMF of " << emf.size() << " bytes";

  // A chart file under a Cyrillic name, its texts in UTF-8, read back.
  ASSERT_EQ(RMC_WRITERMCFILE(1, Path(name + ".rmc").c_str()), 0);
  const std::string written = ReadAll(Wide(std::wstring(kNameWide) + L".rmc"));
  EXPECT_EQ(written.rfind("VANTIRO-CHART 2\n", 0), 0u);
  EXPECT_NE(written.find("\\xD0\\x9F\\xD1\\x80"), std::string::npos) << written;
  ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 2, 0, 0, 1, Path(name + ".rmc").c_str()), 0);
  ASSERT_EQ(RMC_DRAW2FILE(2, Path("again.png").c_str(), 320, 200, 0), 0);
  EXPECT_NE(Report().substr(report.size()).find(kCaptionUtf8), std::string::npos);
}

// A chart file written under 1251 ("Продажи" in UTF-8), and a version 1 file
// of 1251 bytes, read in the reader's code page.
TEST_F(CodePageTest, ChartFilesAreReadInTheReadersCodePage) {
  const UINT codePage = GetACP();
  if (codePage != 1251 && codePage != 1252) GTEST_SKIP() << "code page " << codePage;
  const struct {
    const char* file;
    const char* contents;
    const char* cyrillic;  // the caption as the layout report has it
    const char* western;
  } cases[] = {
      {"v2.rmc",
       "VANTIRO-CHART 2\nchart 200 100 FFFFFFFF 0 0 00000000 \"\" \"\"\n"
       "region 0 0 0 0 0 \"\"\ncaption FFFFFFFF FF000000 12 0 "
       "\"\\xD0\\x9F\\xD1\\x80\\xD0\\xBE\\xD0\\xB4\\xD0\\xB0\\xD0\\xB6\\xD0\\xB8\"\nend\n",
       kSalesUtf8, "???????\""},
      {"v1.rmc",
       "VANTIRO-CHART 1\nchart 200 100 FFFFFFFF 0 0 00000000 \"\" \"\"\n"
       "region 0 0 0 0 0 \"\"\ncaption FFFFFFFF FF000000 12 0 \"\\xCF\\xF0\"\nend\n",
       "\xD0\x9F\xD1\x80\"", "\xC3\x8F\xC3\xB0\""},  // "Ïð" in 1252
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::ofstream(Path(c.file), std::ios::binary) << c.contents;
    ASSERT_EQ(RMC_CREATECHARTFROMFILE(0, 3, 0, 0, 1, Path(c.file).c_str()), 0);
    const std::size_t before = Report().size();
    ASSERT_EQ(RMC_DRAW2FILE(3, Path("read.png").c_str(), 200, 100, 0), 0);
    const std::string expected = codePage == 1251 ? c.cyrillic : c.western;
    EXPECT_NE(Report().substr(before).find("\"text\": \"" + expected), std::string::npos)
        << Report().substr(before);
  }
}

}  // namespace
