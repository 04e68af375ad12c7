// The designer server's safety rules, over loopback HTTP: which requests it
// answers, which paths it opens and saves, and how it ends a run that does
// not end by itself.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "testhost/designer/paths.h"
#include "testhost/designer/server.h"

namespace vantiro::testhost::designer {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Encode(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += std::isalnum(c) != 0 || c == '.' || c == '-'
               ? std::string(1, static_cast<char>(c))
               : std::string{'%', kHex[c >> 4], kHex[c & 15]};
  }
  return out;
}

fs::path MakeFolder() {
  std::string pattern = (fs::temp_directory_path() / "designer-test-XXXXXX").string();
  EXPECT_NE(mkdtemp(pattern.data()), nullptr);
  return fs::canonical(pattern);
}

// A server on a fresh folder:
//   served/inside.vsc, served/sub/, served/link-out.vsc -> outside.vsc,
//   served/link-dir -> outside folder; outside.vsc beside served/.
class DesignerServerTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(VANTIRO_HOST_PROGRAM, 10); }

  void Start(const std::string& program, int seconds) {
    base_ = MakeFolder();
    root_ = base_ / "served";
    fs::create_directories(root_ / "sub");
    fs::create_directories(base_ / "elsewhere");
    Write(root_ / "inside.vsc", "ae_Graph_Draw 1\n");
    Write(base_ / "outside.vsc", "secret\n");
    fs::create_symlink(base_ / "outside.vsc", root_ / "link-out.vsc");
    fs::create_directory_symlink(base_ / "elsewhere", root_ / "link-dir");
    ServerOptions options;
    options.root = root_;
    options.childProgram = program;
    options.limits.seconds = seconds;
    server_ = std::make_unique<DesignerServer>(options);
    port_ = server_->Bind();
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_->Listen(); });
  }

  void TearDown() override {
    server_->Stop();
    thread_.join();
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }

  httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30);
    return client.Get(path.c_str(), headers);
  }
  httplib::Result Post(const std::string& path, const json& body,
                       const httplib::Headers& headers = {},
                       const char* type = "application/json") {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30);
    return client.Post(path.c_str(), headers, body.dump(), type);
  }
  std::string Own(const std::string& host = "127.0.0.1") const {
    return host + ":" + std::to_string(port_);
  }

  fs::path base_, root_;
  std::unique_ptr<DesignerServer> server_;
  std::thread thread_;
  int port_ = 0;
};

TEST(DesignerPaths, PlainRelativePaths) {
  struct Case {
    const char* path;
    bool plain;
  };
  const Case cases[] = {
      {"a.vsc", true},        {"sub/a.vsc", true},     {"a..b.vsc", true}, {"", false},
      {"/etc/passwd", false}, {"\\a.vsc", false},      {"C:a.vsc", false}, {"..", false},
      {"../a.vsc", false},    {"sub/../a.vsc", false}, {"sub/..", false},  {"a\\..\\b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPlainRelativePath(c.path), c.plain) << c.path;
}

TEST_F(DesignerServerTest, AnswersOnlyItsOwnPage) {
  struct Case {
    const char* what;
    httplib::Headers headers;
    int status;
  };
  const Case cases[] = {
      {"own address", {}, 200},
      {"localhost", {{"Host", Own("localhost")}}, 200},
      {"own origin", {{"Origin", "http://" + Own()}, {"Sec-Fetch-Site", "same-origin"}}, 200},
      {"another host name (DNS rebinding)", {{"Host", Own("attacker.example")}}, 403},
      {"another port", {{"Host", "127.0.0.1:1"}}, 403},
      {"another origin", {{"Origin", "http://attacker.example"}}, 403},
      {"origin null", {{"Origin", "null"}}, 403},
      {"cross-site fetch", {{"Sec-Fetch-Site", "cross-site"}}, 403},
  };
  for (const Case& c : cases) {
    auto page = Get("/", c.headers);
    ASSERT_TRUE(page) << c.what;
    EXPECT_EQ(page->status, c.status) << c.what;
    auto run = Post("/api/run", {{"script", "!echo hi"}}, c.headers);
    ASSERT_TRUE(run) << c.what;
    EXPECT_EQ(run->status, c.status) << c.what;
  }
  // A script larger than a script can be is not read.
  auto large = Post("/api/run", {{"script", std::string(2u << 20, '#')}});
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  // A form post from another page cannot send JSON without asking first.
  auto form = Post("/api/save", {{"path", "x.vsc"}}, {}, "text/plain");
  ASSERT_TRUE(form);
  EXPECT_EQ(form->status, 403);
  EXPECT_FALSE(fs::exists(root_ / "x.vsc"));
}

TEST_F(DesignerServerTest, OpensAndSavesOnlyInsideItsFolder) {
  struct Case {
    const char* path;
    int openStatus;
    int saveStatus;
  };
  const Case cases[] = {
      {"inside.vsc", 200, 200},       {"sub/new.vsc", 404, 200},
      {"../outside.vsc", 403, 403},   {"sub/../../outside.vsc", 403, 403},
      {"/etc/passwd", 403, 403},      {"link-out.vsc", 403, 403},
      {"link-dir/new.vsc", 403, 403}, {"no-folder/new.vsc", 404, 404},
      {"inside.txt", 404, 403},
  };
  for (const Case& c : cases) {
    auto opened = Get(std::string("/api/open?path=") + Encode(c.path));
    ASSERT_TRUE(opened) << c.path;
    EXPECT_EQ(opened->status, c.openStatus) << c.path;
    auto saved = Post("/api/save", {{"path", c.path}, {"script", "!echo saved"}});
    ASSERT_TRUE(saved) << c.path;
    EXPECT_EQ(saved->status, c.saveStatus) << c.path << ": " << saved->body;
  }
  std::ifstream outside(base_ / "outside.vsc");
  std::string text((std::istreambuf_iterator<char>(outside)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "secret\n");
  EXPECT_TRUE(fs::is_empty(base_ / "elsewhere"));
  EXPECT_TRUE(fs::exists(root_ / "sub" / "new.vsc"));

  auto files = Get("/api/files");
  ASSERT_TRUE(files);
  const json listed = json::parse(files->body)["files"];
  EXPECT_EQ(listed, json({"inside.vsc", "sub/new.vsc"}));
}

TEST_F(DesignerServerTest, ScriptsWriteOnlyIntoTheirScratchFolder) {
  const fs::path outside = base_ / "written.png";
  const std::string script =
      "ae_Graph_CreateChart [HostWindow]|1|0|0|100|80|#FFFFFF|0|0|||0|#FFFFFF\n"
      "ae_Graph_Draw2File 1|" +
      outside.string() +
      "|0|0|0\n"
      "ae_Graph_Draw2File 1|../written.png|0|0|0\n"
      "ae_Graph_Draw2File 1|here.png|0|0|0\n"
      "ae_Graph_CreateChartfromFile [HostWindow]|2|0|0|0|../outside.vsc\n";
  auto run = Post("/api/run", {{"script", script}});
  ASSERT_TRUE(run);
  const json result = json::parse(run->body);
  ASSERT_TRUE(result.contains("lines")) << run->body;
  std::map<int, json> lines;
  for (const json& line : result["lines"]) lines[line["line"].get<int>()] = line;
  for (const int refused : {2, 3, 5}) EXPECT_TRUE(lines[refused].contains("notRun")) << refused;
  EXPECT_EQ(lines[4]["statuses"][0]["value"], "Ok");
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_FALSE(fs::exists(root_ / "here.png"));
}

TEST_F(DesignerServerTest, ExportsWhatTheEngineWrites) {
  const std::string script =
      "ae_Graph_CreateChart [HostWindow]|3|0|0|120|90|#FFFFFF|0|0|||0|#FFFFFF\n"
      "ae_Graph_Draw 3\n";
  struct Case {
    int chart;
    const char* format;
    int status;
    const char* starts;
  };
  const Case cases[] = {
      {3, "png", 200, "\x89PNG"}, {3, "svg", 200, "<?xml"}, {3, "rmc", 200, ""},
      {4, "png", 422, "{"},       {3, "exe", 400, "{"},
  };
  for (const Case& c : cases) {
    auto exported =
        Post("/api/export", {{"script", script}, {"chart", c.chart}, {"format", c.format}});
    ASSERT_TRUE(exported) << c.format;
    EXPECT_EQ(exported->status, c.status) << c.format << ": " << exported->body;
    EXPECT_FALSE(exported->body.empty()) << c.format;
    EXPECT_EQ(exported->body.rfind(c.starts, 0), 0u) << c.format;
  }
}

// Children that never end or crash: the server stops them and goes on.
TEST(DesignerRunLimits, EndsRunsThatDoNotEndWell) {
  const fs::path folder = MakeFolder();
  struct Case {
    const char* what;
    const char* child;
    const char* error;
  };
  const Case cases[] = {
      {"hangs", "#!/bin/sh\nsleep 30\n", "ran longer than 1 s"},
      {"crashes", "#!/bin/sh\nkill -SEGV $$\n", "ended with signal 11"},
      {"fails", "#!/bin/sh\necho broken >&2\nexit 3\n", "failed: broken"},
  };
  for (const Case& c : cases) {
    const fs::path child = folder / "child.sh";
    Write(child, c.child);
    fs::permissions(child, fs::perms::owner_all);
    RunLimits limits;
    limits.seconds = 1;
    const RunOutcome outcome = RunInChild(child.string(), folder, {"!echo x", 0, ""}, limits);
    EXPECT_FALSE(outcome.ran) << c.what;
    EXPECT_NE(outcome.error.find(c.error), std::string::npos) << c.what << ": " << outcome.error;
    EXPECT_LT(outcome.milliseconds, 5000) << c.what;
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vantiro::testhost::designer
