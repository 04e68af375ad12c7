// The designer of vantiro-host.exe under Wine: the server answers over
// loopback, refuses paths out of its folder, and runs scripts in child runs
// of bin/vantiro-host.exe beside chart.dll and rmchart.dll. Charts need a
// host window, so the run that draws one is registered for the display.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>
#include <windows.h>

#include "testhost/designer/server.h"
#include "testhost/core/win32.h"

namespace vantiro::testhost::designer {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class DesignerWine : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("designer-wine-" + std::to_string(std::random_device()()));
    fs::create_directories(root_ / "sub");
    std::ofstream(root_ / "inside.vsc", std::ios::binary) << "!echo inside\n";
    root_ = fs::canonical(root_);
    ServerOptions options;
    options.root = root_;
    options.childProgram = win32::ExecutableFolder() + "vantiro-host.exe";
    server_ = std::make_unique<DesignerServer>(options);
    port_ = server_->Bind();
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_->Listen(); });
  }

  void TearDown() override {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  httplib::Result Get(const std::string& path) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60);
    return client.Get(path.c_str());
  }

  json Run(const std::string& script) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60);
    auto answer = client.Post("/api/run", json({{"script", script}}).dump(), "application/json");
    if (!answer || answer->status != 200) return json();
    return json::parse(answer->body, nullptr, false);
  }

  fs::path root_;
  std::unique_ptr<DesignerServer> server_;
  std::thread thread_;
  int port_ = 0;
};

TEST_F(DesignerWine, OpensOnlyInsideItsFolder) {
  struct Case {
    const char* path;
    int status;
  };
  const Case cases[] = {
      {"inside.vsc", 200}, {"..%2Finside.vsc", 403}, {"sub%2F..%2F..%2Fx.vsc", 403},
      {"..%5Cx.vsc", 403}, {"C%3Ax.vsc", 403},       {"C%3A%5Cwindows%5Cwin.ini", 403},
      {"%2Fetc.vsc", 403}, {"no.vsc", 404},
  };
  for (const Case& c : cases) {
    auto opened = Get(std::string("/api/open?path=") + c.path);
    ASSERT_TRUE(opened) << c.path;
    EXPECT_EQ(opened->status, c.status) << c.path << ": " << opened->body;
  }
}

TEST_F(DesignerWine, RunsScriptsInAChild) {
  auto page = Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  const json result = Run("!echo hello\nae_Graph_Draw2File 1|../out.png|0|0|0\n");
  ASSERT_TRUE(result.contains("lines")) << result.dump();
  ASSERT_EQ(result["lines"].size(), 2u) << result.dump();
  EXPECT_EQ(result["lines"][0]["echo"], "hello");
  EXPECT_TRUE(result["lines"][1].contains("notRun")) << result.dump();
  EXPECT_FALSE(fs::exists(root_.parent_path() / "out.png"));
}

// With a display: the chart drawn comes back as its PNG snapshot.
TEST_F(DesignerWine, DrawnChartsComeBackAsPng) {
  const json result =
      Run("ae_Graph_CreateChart [HostWindow]|4|0|0|160|120|#FFFFFF|0|0|||0|#FFFFFF\n"
          "ae_Graph_AddRegion 4|0|0|0|0||0\n"
          "ae_Graph_Draw 4\n");
  ASSERT_TRUE(result.contains("charts")) << result.dump();
  ASSERT_EQ(result["charts"].size(), 1u) << result.dump();
  EXPECT_EQ(result["charts"][0]["id"], 4);
  // Base64 of the PNG signature.
  EXPECT_EQ(result["charts"][0]["png"].get<std::string>().rfind("iVBORw0KGgo", 0), 0u);
}

// This program as a child run that ends badly (VANTIRO_DESIGNER_CHILD says
// how); skipped when it is not a child.
TEST(DesignerWineChild, EndsBadly) {
  char how[16] = "";
  GetEnvironmentVariableA("VANTIRO_DESIGNER_CHILD", how, sizeof how);
  if (std::string(how) == "hang") std::this_thread::sleep_for(std::chrono::seconds(30));
  if (std::string(how) == "crash") TerminateProcess(GetCurrentProcess(), 0xC0000005);
  GTEST_SKIP() << "runs only as a child";
}

TEST(DesignerRunLimits, EndsRunsThatDoNotEndWell) {
  struct Case {
    const char* how;
    const char* error;
  };
  const Case cases[] = {
      {"hang", "ran longer than 1 s"},
      {"crash", "ended with exception 0xC0000005"},
  };
  SetEnvironmentVariableA("GTEST_FILTER", "DesignerWineChild.EndsBadly");
  for (const Case& c : cases) {
    SetEnvironmentVariableA("VANTIRO_DESIGNER_CHILD", c.how);
    RunLimits limits;
    limits.seconds = 1;
    const RunOutcome outcome = RunInChild(win32::ExecutableFolder() + "designer_wine_test.exe",
                                          fs::temp_directory_path(), {"!echo x", 0, ""}, limits);
    EXPECT_FALSE(outcome.ran) << c.how;
    EXPECT_NE(outcome.error.find(c.error), std::string::npos) << c.how << ": " << outcome.error;
    EXPECT_LT(outcome.milliseconds, 5000) << c.how;
  }
  SetEnvironmentVariableA("VANTIRO_DESIGNER_CHILD", nullptr);
  SetEnvironmentVariableA("GTEST_FILTER", nullptr);
}

}  // namespace
}  // namespace vantiro::testhost::designer
