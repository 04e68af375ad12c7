// The designer under Wine (vantiro-designer.exe's server): it answers over
// loopback with its token only, refuses paths out of its folder and names
// Windows cannot keep, and runs scripts in child runs of bin/vantiro-host.exe
// beside chart.dll and rmchart.dll. Charts need a host window, so the run
// that draws one is registered for the display.
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

#include "testhost/core/win32.h"
#include "testhost/designer/paths.h"
#include "testhost/designer/server.h"

namespace vantiro::testhost::designer {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kToken = "fedcba9876543210";
const httplib::Headers kAuthorized = {{"Authorization", std::string("token ") + kToken}};

class DesignerWine : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("designer-wine-" + std::to_string(std::random_device()()));
    fs::create_directories(root_ / "sub");
    std::ofstream(root_ / "inside.vsc", std::ios::binary) << "!echo inside\n";
    root_ = fs::canonical(root_);
    ServerOptions options;
    options.root = root_;
    options.childProgram = ToUtf8(fs::path(win32::ExecutableFolder() + "vantiro-host.exe"));
    options.token = kToken;
    options.svgFiles = false;
    server_ = std::make_unique<DesignerServer>(options);
    std::string error;
    port_ = server_->Bind(error);
    ASSERT_GT(port_, 0) << error;
    thread_ = std::thread([this] { server_->Listen(); });
  }

  void TearDown() override {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  httplib::Result Get(const std::string& path, const httplib::Headers& headers = kAuthorized) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60);
    return client.Get(path.c_str(), headers);
  }

  httplib::Result Post(const std::string& path, const json& body,
                       const httplib::Headers& headers = kAuthorized) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60);
    return client.Post(path.c_str(), headers, body.dump(), "application/json");
  }

  json Run(const std::string& script) {
    auto answer = Post("/api/run", {{"script", script}});
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

// Requests an attacker would send, and names Windows cannot keep.
TEST_F(DesignerWine, RefusesHostileRequests) {
  for (const httplib::Headers& headers :
       {httplib::Headers{}, httplib::Headers{{"Authorization", "token 0000"}}}) {
    auto opened = Get("/api/open?path=inside.vsc", headers);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->status, 403);
    auto saved = Post("/api/save", {{"path", "stolen.vsc"}, {"script", "x"}}, headers);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->status, 403);
  }
  EXPECT_FALSE(fs::exists(root_ / "stolen.vsc"));
  for (const char* name : {"NUL.vsc", "COM1.vsc", "aux.vsc", "x.txt:evil.vsc", "con .vsc"}) {
    auto saved = Post("/api/save", {{"path", name}, {"script", "!echo x"}});
    ASSERT_TRUE(saved) << name;
    EXPECT_EQ(saved->status, 403) << name << ": " << saved->body;
  }
  // A name in the system's code page is stored as it reads, and listed.
  const std::string cafe = "caf\xC3\xA9.vsc";  // "café.vsc" in UTF-8
  auto saved = Post("/api/save", {{"path", cafe}, {"script", "!echo x"}});
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->status, 200) << saved->body;
  EXPECT_TRUE(fs::exists(root_ / fs::path(u8"caf\u00e9.vsc")));
  auto files = Get("/api/files");
  ASSERT_TRUE(files);
  EXPECT_NE(files->body.find(cafe), std::string::npos) << files->body;
  // SVG is refused with its reason; a busy port is named.
  auto svg = Post("/api/export", {{"script", "!echo x"}, {"chart", 1}, {"format", "svg"}});
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg->status, 422);
  EXPECT_NE(svg->body.find("native engine only"), std::string::npos) << svg->body;
  ServerOptions second;
  second.root = root_;
  second.port = port_;
  DesignerServer other(second);
  std::string error;
  EXPECT_EQ(other.Bind(error), -1);
  EXPECT_EQ(error, "port " + std::to_string(port_) + " is in use");
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

// With a display: the chart drawn comes back as its PNG snapshot, and the
// print dialog, which would wait for a click there, answers as cancelled.
TEST_F(DesignerWine, DrawnChartsComeBackAsPng) {
  const json result =
      Run("ae_Graph_CreateChart [HostWindow]|4|0|0|160|120|#FFFFFF|0|0|||0|#FFFFFF\n"
          "ae_Graph_AddRegion 4|0|0|0|0||0\n"
          "ae_Graph_Draw 4\n"
          "ae_Graph_Draw2Printer 4\n");
  ASSERT_TRUE(result.contains("lines")) << result.dump();
  EXPECT_EQ(result["lines"][3]["statuses"][0]["value"], "Canceled") << result.dump();
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
    const RunOutcome outcome =
        RunInChild(ToUtf8(fs::path(win32::ExecutableFolder() + "designer_wine_test.exe")),
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
