// vantiro-host run as a program. --layout-dump: one report line per image
// drawn, in order, naming its output; a report that cannot be opened or
// written, and (on Windows) an engine without the report, stop the host
// with exit status 2. The engine's reasons under failed statuses, and the
// snapshots named after their scripts. Windows: runs bin/vantiro-host.exe
// beside the real engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "testhost/core/win32.h"
#else
#include <sys/wait.h>

#include <cstdlib>
#endif

#include "testhost/cli/cli.h"

namespace vantiro::testhost {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a Windows console's CR LF
    lines.push_back(line);
  }
  return lines;
}

// Runs `host` with `args` in `folder`; returns its exit status, with what
// it printed in `output`.
int RunHost(const std::string& host, const std::string& args, const fs::path& folder,
            std::string& output) {
  const fs::path log = folder / "host-output.txt";
#ifdef _WIN32
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileA(log.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + host + "\" " + args;
  DWORD status = DWORD(-1);
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.string().c_str(), &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  output = ReadFile(log);
  return static_cast<int>(status);
#else
  const std::string command =
      "cd '" + folder.string() + "' && '" + host + "' " + args + " >'" + log.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  output = ReadFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

class LayoutDump : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::path(::testing::TempDir()) / (std::string("vantiro-dump-") + test->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void WriteScript(const std::string& text) const {
    std::ofstream(folder_ / "dump.vsc", std::ios::binary) << text;
  }

  fs::path folder_;
};

// A chart with a caption and labelled bars; `exportOnly` 1 for no window.
std::string ChartScript(int exportOnly) {
  return "ae_Graph_CreateChart [HostWindow]|5|0|0|400|300|#FFFFFF|0|" + std::to_string(exportOnly) +
         "|||0|#FFFFFF\n"
         "ae_Graph_AddRegion 5|0|0|0|0||0\n"
         "ae_Graph_AddCaption 5|1|Caf\xE9 sales|#FFFFFF|#202020|14|1\n"
         "ae_Graph_AddGrid 5|1|#FFFFFF|1|0|0|0|0|1\n"
         "ae_Graph_AddDataAxis 5|1|1|0|0|0|9|#404040|#D0D0D0|1|0||||0\n"
         "ae_Graph_AddLabelAxis 5|1|North;South|6|1|4|10|#404040|0|#808080|4|\n"
         "ae_Graph_AddBarSeries 5|1|10,20|0|3|0|#2F5597|0|1|1|0|4\n";
}

// The chart's lines start alike; `output` and size tell them apart.
std::string LineStart(const std::string& output, int width, int height) {
  return "{\"chart\": 5, \"output\": \"" + output + "\", \"width\": " + std::to_string(width) +
         ", \"height\": " + std::to_string(height) + ", \"texts\": [{\"role\": ";
}

void ExpectLines(const std::string& report, const std::vector<std::string>& starts) {
  const std::vector<std::string> lines = Lines(report);
  ASSERT_EQ(lines.size(), starts.size()) << report;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(0, starts[i].size()), starts[i]) << lines[i];
    EXPECT_NE(
        lines[i].find("{\"role\": \"caption\", \"text\": \"Caf\xC3\xA9 sales\", \"quad\": [["),
        std::string::npos)
        << lines[i];
    EXPECT_NE(lines[i].find("{\"role\": \"category\", \"text\": \"N"), std::string::npos);
    EXPECT_EQ(lines[i].back(), '}');
  }
}

#ifdef _WIN32

std::string HostPath() { return win32::ExecutableFolder() + "vantiro-host.exe"; }

TEST_F(LayoutDump, TheWindowsHostReportsEveryImageFile) {
  // Without a display there is no host window: the chart is export-only.
  WriteScript(ChartScript(1) +
              "ae_Graph_Draw 5\n"
              "ae_Graph_Draw2File 5|chart.png|0|0|0\n"
              "ae_Graph_Draw2File 5|small.emf|200|150|0\n");
  std::ofstream(folder_ / "report.jsonl", std::ios::binary) << "kept\n";
  std::string output;
  ASSERT_EQ(RunHost(HostPath(), "--layout-dump report.jsonl dump.vsc", folder_, output), 0)
      << output;
  const std::string report = ReadFile(folder_ / "report.jsonl");
  ASSERT_EQ(report.substr(0, 5), "kept\n");  // appended to
  ExpectLines(report.substr(5),
              {LineStart("chart.png", 400, 300), LineStart("small.emf", 200, 150)});
}

TEST_F(LayoutDump, AnEngineWithoutTheReportStopsTheWindowsHost) {
  WriteScript(ChartScript(1));
  std::string output;
  const std::string recordingHost = win32::ExecutableFolder() + "recording\\vantiro-host.exe";
  EXPECT_EQ(RunHost(recordingHost, "--layout-dump report.jsonl dump.vsc", folder_, output),
            kExitScriptError);
  EXPECT_NE(output.find("does not export VantiroEngine_SetLayoutReport"), std::string::npos)
      << output;
}

#else

TEST_F(LayoutDump, OneLinePerImageInDrawingOrder) {
  WriteScript(ChartScript(0) +
              "ae_Graph_Draw 5\n"
              "ae_Graph_Draw2File 5|chart.png|200|150|0\n"
              "ae_Graph_Draw2Printer 5\n"
              "ae_Graph_Draw2File 5|chart.svg|0|0|0\n");
  std::string output;
  ASSERT_EQ(
      RunHost(VANTIRO_HOST_PATH, "--strict --printer out.pdf --layout-dump report.jsonl dump.vsc",
              folder_, output),
      0)
      << output;
  ExpectLines(ReadFile(folder_ / "report.jsonl"),
              {LineStart("window", 400, 300), LineStart("chart.png", 200, 150),
               LineStart("printer", 400, 300), LineStart("chart.svg", 400, 300)});
}

TEST_F(LayoutDump, AReportThatCannotBeWrittenStopsTheHost) {
  WriteScript(ChartScript(0) + "ae_Graph_Draw 5\n");
  const struct {
    std::string path, error;
  } cases[] = {
      {"no-such-folder/report.jsonl",
       "cannot open the layout report no-such-folder/report.jsonl for appending"},
      {"/dev/full", "lines of the layout report /dev/full could not be written"},
  };
  for (const auto& c : cases) {
    std::string output;
    EXPECT_EQ(RunHost(VANTIRO_HOST_PATH, "--layout-dump " + c.path + " dump.vsc", folder_, output),
              kExitScriptError)
        << c.path;
    EXPECT_NE(output.find(c.error), std::string::npos) << output;
  }
}

#endif

#ifdef _WIN32
const std::string kHost = HostPath();
#else
const std::string kHost = VANTIRO_HOST_PATH;
#endif

TEST_F(LayoutDump, TheEngineReasonFollowsAFailedStatus) {
  WriteScript(ChartScript(1) +
              "ae_Graph_Draw2File 5|no-such-folder/x.png|0|0|0\n"
              "ae_Graph_Draw2File 5|chart.xyz|0|0|0\n"
              "ae_Graph_Draw2File 5|chart.png|0|0|0\n");
  std::string output;
  ASSERT_EQ(RunHost(kHost, "--quiet dump.vsc", folder_, output), 0) << output;
  const std::string failed = ": ae_Graph_Draw2FileStatus = Error while creating the EMF file.\n";
  const std::vector<std::string> lines = Lines(output);
  ASSERT_EQ(lines.size(), 4u) << output;  // the last file is written: no lines of its own
  EXPECT_EQ(lines[0] + '\n', "dump.vsc:8" + failed);
  EXPECT_EQ(lines[1].rfind("  reason: cannot create no-such-folder/x.png: ", 0), 0u) << lines[1];
  EXPECT_GT(lines[1].size(), std::string("  reason: cannot create no-such-folder/x.png: ").size());
  EXPECT_EQ(lines[2] + '\n', "dump.vsc:9" + failed);
  EXPECT_EQ(lines[3].rfind("  reason: cannot write chart.xyz: unknown extension .xyz (known: "
                           ".png .jpg .jpeg .bmp .svg .pdf",
                           0),
            0u)
      << lines[3];
}

TEST_F(LayoutDump, CheckRunsNothingAndExitsOneWhenItWarned) {
  WriteScript(ChartScript(1) + "ae_Graph_Draw2File 5|chart.png|0|0\n");
  std::string output;
  EXPECT_EQ(RunHost(kHost, "--check dump.vsc", folder_, output), kExitNotOk);
  EXPECT_EQ(Lines(output), (std::vector<std::string>{
                               "dump.vsc:8: warning: 4 fields, but ae_Graph_Draw2File takes 5 "
                               "(Id|TargetFileName|width|height|JPGQuality): the missing ones "
                               "read as 0 or the empty text"}));
  EXPECT_FALSE(fs::exists(folder_ / "chart.png"));
  WriteScript(ChartScript(1));
  EXPECT_EQ(RunHost(kHost, "--check dump.vsc", folder_, output), kExitOk) << output;
  EXPECT_EQ(output, "");
}

// Snapshots are of charts on screen: on Windows they need a display, and
// run again in the display group.
TEST_F(LayoutDump, SnapshotsAreNamedAfterTheirScript) {
#ifdef _WIN32
  HWND probe = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) GTEST_SKIP() << "no display";
  DestroyWindow(probe);
#endif
  // Script a draws chart 5 and only exports chart 6; script b draws chart 5.
  std::ofstream(folder_ / "a.vsc", std::ios::binary)
      << ChartScript(0) << "ae_Graph_Draw 5\n"
      << "ae_Graph_CreateChart 1|6|0|0|200|100|#FFFFFF|0|1|||0|#FFFFFF\n"
      << "ae_Graph_Draw2File 6|six.png|0|0|0\n";
  std::ofstream(folder_ / "b.vsc", std::ios::binary) << ChartScript(0) << "ae_Graph_Draw 5\n";
  std::string output;
  ASSERT_EQ(RunHost(kHost, "--quiet --snapshot snaps a.vsc b.vsc", folder_, output), 0) << output;
  EXPECT_EQ(Lines(output), (std::vector<std::string>{
                               "a.vsc: note: chart 6 was only exported (ae_Graph_Draw2File), "
                               "never drawn with ae_Graph_Draw, so it has no snapshot"}));
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_ / "snaps")) {
    files.push_back(entry.path().filename().string());
    EXPECT_EQ(ReadFile(entry.path()).substr(1, 3), "PNG");
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"a-chart5.png", "b-chart5.png"}));
}

}  // namespace
}  // namespace vantiro::testhost
