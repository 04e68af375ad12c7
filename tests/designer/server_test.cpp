// The designer server's safety rules, over loopback HTTP: which requests it
// answers, which paths it opens and saves, what a hostile request gets, and
// how it ends a run that does not end by itself.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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

constexpr const char* kToken = "0123456789abcdef";

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

// A small tmpfs at `folder`, where this test may mount one (as root).
bool MountSmallDisk(const fs::path& folder, const char* size) {
  fs::create_directories(folder);
  return mount("vantiro", folder.c_str(), "tmpfs", 0, size) == 0;
}

// Fills the disk at `folder` until a write fails.
void Fill(const fs::path& folder) {
  std::ofstream out(folder / "filler", std::ios::binary);
  const std::string block(4096, 'x');
  for (int i = 0; i < 100000 && out.write(block.data(), block.size()); ++i) {
  }
}

const httplib::Headers kAuthorized = {{"Authorization", std::string("token ") + kToken}};

// A server on a fresh folder:
//   served/inside.vsc, served/sub/, served/link-out.vsc -> outside.vsc,
//   served/link-dir -> outside folder; outside.vsc beside served/.
class DesignerServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = MakeFolder();
    root_ = base_ / "served";
    fs::create_directories(root_ / "sub");
    fs::create_directories(base_ / "elsewhere");
    Write(root_ / "inside.vsc", "ae_Graph_Draw 1\n");
    Write(base_ / "outside.vsc", "secret\n");
    fs::create_symlink(base_ / "outside.vsc", root_ / "link-out.vsc");
    fs::create_directory_symlink(base_ / "elsewhere", root_ / "link-dir");
    Start(root_, {});
  }

  void Start(const fs::path& root, const fs::path& scratch, std::uint64_t runBytes = 64ull << 20,
             int requestSeconds = 10) {
    ServerOptions options;
    options.requestSeconds = requestSeconds;
    options.root = root;
    options.childProgram = VANTIRO_HOST_PROGRAM;
    options.token = kToken;
    options.scratch = scratch;
    options.limits.runBytes = runBytes;
    server_ = std::make_unique<DesignerServer>(options);
    std::string error;
    port_ = server_->Bind(error);
    ASSERT_GT(port_, 0) << error;
    thread_ = std::thread([this] { server_->Listen(); });
  }

  void Stop() {
    if (!server_) return;
    server_->Stop();
    thread_.join();
    server_.reset();
  }

  void TearDown() override {
    Stop();
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }

  httplib::Result Get(const std::string& path, const httplib::Headers& headers = kAuthorized) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30);
    return client.Get(path.c_str(), headers);
  }
  httplib::Result Post(const std::string& path, const json& body,
                       const httplib::Headers& headers = kAuthorized,
                       const char* type = "application/json") {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30);
    return client.Post(path.c_str(), headers, body.dump(), type);
  }
  std::string Own(const std::string& host = "127.0.0.1") const {
    return host + ":" + std::to_string(port_);
  }
  static httplib::Headers With(httplib::Headers headers) {
    headers.insert(kAuthorized.begin(), kAuthorized.end());
    return headers;
  }
  // The lines of a run's answer by number.
  std::map<int, json> RunLines(const std::string& script) {
    auto run = Post("/api/run", {{"script", script}});
    std::map<int, json> lines;
    if (!run) return lines;
    const json result = json::parse(run->body);
    for (const json& line : result.value("lines", json::array())) {
      lines[line["line"].get<int>()] = line;
    }
    return lines;
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
      {"own address", With({}), 200},
      {"localhost", With({{"Host", Own("localhost")}}), 200},
      {"own origin", With({{"Origin", "http://" + Own()}, {"Sec-Fetch-Site", "same-origin"}}), 200},
      {"another host name (DNS rebinding)", With({{"Host", Own("attacker.example")}}), 403},
      {"another port", With({{"Host", "127.0.0.1:1"}}), 403},
      {"another origin", With({{"Origin", "http://attacker.example"}}), 403},
      {"origin null", With({{"Origin", "null"}}), 403},
      {"cross-site fetch", With({{"Sec-Fetch-Site", "cross-site"}}), 403},
  };
  for (const Case& c : cases) {
    auto page = Get("/", c.headers);
    ASSERT_TRUE(page) << c.what;
    EXPECT_EQ(page->status, c.status) << c.what;
    auto run = Post("/api/run", {{"script", "!echo hi"}}, c.headers);
    ASSERT_TRUE(run) << c.what;
    EXPECT_EQ(run->status, c.status) << c.what;
  }
  // A form post from another page cannot send JSON without asking first.
  auto form = Post("/api/save", {{"path", "x.vsc"}}, kAuthorized, "text/plain");
  ASSERT_TRUE(form);
  EXPECT_EQ(form->status, 403);
  EXPECT_FALSE(fs::exists(root_ / "x.vsc"));
}

TEST_F(DesignerServerTest, OpensAndSavesOnlyInsideItsFolder) {
  fs::create_symlink(base_ / "nowhere.vsc", root_ / "dangling.vsc");
  ASSERT_EQ(mkfifo((root_ / "pipe.vsc").c_str(), 0600), 0);
  Write(root_ / "locked.vsc", "keep\n");
  fs::permissions(root_ / "locked.vsc", fs::perms::owner_read);
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
      {"inside.txt", 404, 403},       {"dangling.vsc", 403, 403},
      {"pipe.vsc", 403, 403},         {"NUL.vsc", 404, 403},
      {"COM1.vsc", 404, 403},         {"aux.vsc", 404, 403},
      {"x.txt:evil.vsc", 404, 403},   {"locked.vsc", 200, 500},
  };
  for (const Case& c : cases) {
    auto opened = Get(std::string("/api/open?path=") + Encode(c.path));
    ASSERT_TRUE(opened) << c.path;
    EXPECT_EQ(opened->status, c.openStatus) << c.path;
    auto saved = Post("/api/save", {{"path", c.path}, {"script", "!echo saved"}});
    ASSERT_TRUE(saved) << c.path;
    EXPECT_EQ(saved->status, c.saveStatus) << c.path << ": " << saved->body;
  }
  EXPECT_EQ(Read(base_ / "outside.vsc"), "secret\n");
  EXPECT_EQ(Read(root_ / "locked.vsc"), "keep\n");
  EXPECT_TRUE(fs::is_empty(base_ / "elsewhere"));
  EXPECT_FALSE(fs::exists(base_ / "nowhere.vsc"));
  EXPECT_TRUE(fs::exists(root_ / "sub" / "new.vsc"));

  auto files = Get("/api/files");
  ASSERT_TRUE(files);
  const json listed = json::parse(files->body)["files"];
  EXPECT_EQ(listed, json({"inside.vsc", "locked.vsc", "sub/new.vsc"}));
}

// Requests an attacker would send: none reads or writes anything.
TEST_F(DesignerServerTest, RefusesHostileRequests) {
  struct Case {
    const char* what;
    httplib::Headers headers;
  };
  const Case cases[] = {
      {"no token", {}},
      {"a wrong token", {{"Authorization", "token 0123456789abcdee"}}},
      {"the token in another form", {{"Authorization", std::string("Bearer ") + kToken}}},
      {"the token cut short", {{"Authorization", "token 0123"}}},
  };
  for (const Case& c : cases) {
    for (const char* path : {"/api/files", "/api/open?path=inside.vsc", "/api/reference"}) {
      auto got = Get(path, c.headers);
      ASSERT_TRUE(got) << c.what;
      EXPECT_EQ(got->status, 403) << c.what << " " << path;
      EXPECT_EQ(got->body.find("ae_Graph"), std::string::npos) << c.what << " " << path;
    }
    auto saved = Post("/api/save", {{"path", "stolen.vsc"}, {"script", "x"}}, c.headers);
    ASSERT_TRUE(saved) << c.what;
    EXPECT_EQ(saved->status, 403) << c.what;
    auto run = Post("/api/run", {{"script", "!echo x"}}, c.headers);
    ASSERT_TRUE(run) << c.what;
    EXPECT_EQ(run->status, 403) << c.what;
  }
  EXPECT_FALSE(fs::exists(root_ / "stolen.vsc"));

  // Bodies: a script larger than a script can be, sent whole or in chunks.
  auto large = Post("/api/run", {{"script", std::string(2u << 20, '#')}});
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  httplib::Client client("127.0.0.1", port_);
  const std::string chunk(64 * 1024, '#');
  for (const std::size_t chunks : {std::size_t{2}, std::size_t{64}}) {
    std::size_t sent = 0;
    auto chunked = client.Post(
        "/api/save", kAuthorized,
        [&](std::size_t, httplib::DataSink& sink) {
          if (sent == 0) sink.write("{\"path\":\"chunked.vsc\",\"script\":\"", 32);
          if (sent < chunks) {
            sink.write(chunk.data(), chunk.size());
            ++sent;
          } else {
            sink.write("\"}", 2);
            sink.done();
          }
          return true;
        },
        "application/json");
    // The large one is answered 413, or cut off while it is still sending.
    if (chunks == 2 || chunked) {
      ASSERT_TRUE(chunked) << chunks;
      EXPECT_EQ(chunked->status, chunks == 2 ? 200 : 413) << chunks << ": " << chunked->body;
    }
    EXPECT_EQ(fs::exists(root_ / "chunked.vsc"), true) << chunks;  // from the small one
  }
  EXPECT_EQ(fs::file_size(root_ / "chunked.vsc"), 2 * chunk.size());

  // A second designer on the same port does not start.
  ServerOptions second;
  second.root = root_;
  second.port = port_;
  DesignerServer other(second);
  std::string error;
  EXPECT_EQ(other.Bind(error), -1);
  EXPECT_EQ(error, "port " + std::to_string(port_) + " is in use");
  const std::string command = std::string("cd '") + root_.string() + "' && '" +
                              VANTIRO_DESIGNER_PROGRAM + "' " + std::to_string(port_) + " 2>'" +
                              (base_ / "err.txt").string() + "'";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(Read(base_ / "err.txt").find("port " + std::to_string(port_) + " is in use"),
            std::string::npos);
}

TEST_F(DesignerServerTest, ScriptsReadAndWriteOnlyInsideTheirFolders) {
  const fs::path outside = base_ / "written.png";
  Write(base_ / "secret.png", "not a picture for scripts");
  // Chart files whose background picture lies outside, and one inside.
  const std::string chart = "VANTIRO-CHART 2\nchart 100 80 FFFFFFFF 0 0 FFFFFFFF \"\" \"";
  Write(root_ / "absolute.rmc", chart + (base_ / "secret.png").string() + "\"\nend\n");
  Write(root_ / "parent.rmc", chart + "../secret.png\"\nend\n");
  Write(root_ / "plain.rmc", chart + "\"\nend\n");
  const std::string script =
      "ae_Graph_CreateChart [HostWindow]|1|0|0|100|80|#FFFFFF|0|0|||0|#FFFFFF\n"
      "ae_Graph_Draw2File 1|" +
      outside.string() +
      "|0|0|0\n"
      "ae_Graph_Draw2File 1|../written.png|0|0|0\n"
      "ae_Graph_Draw2File 1|here.png|0|0|0\n"
      "ae_Graph_CreateChartfromFile [HostWindow]|2|0|0|0|../outside.vsc\n"
      "ae_Graph_CreateChartfromFile [HostWindow]|3|0|0|1|absolute.rmc\n"
      "ae_Graph_CreateChartfromFile [HostWindow]|4|0|0|1|parent.rmc\n"
      "ae_Graph_CreateChartfromFile [HostWindow]|5|0|0|1|plain.rmc\n";
  std::map<int, json> lines = RunLines(script);
  for (const int refused : {2, 3, 5, 6, 7}) {
    EXPECT_TRUE(lines[refused].contains("notRun")) << refused << ": " << lines[refused];
  }
  EXPECT_NE(lines[6]["notRun"].get<std::string>().find("background image"), std::string::npos);
  EXPECT_EQ(lines[4]["statuses"][0]["value"], "Ok");
  EXPECT_EQ(lines[8]["statuses"][0]["value"], "Ok") << lines[8];
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_FALSE(fs::exists(root_ / "here.png"));
}

TEST_F(DesignerServerTest, ShowsEveryFileAndExportsWhatTheEngineWrites) {
  // Only exported: its image files are shown, its vector files noted.
  auto run =
      Post("/api/run", {{"script",
                         "ae_Graph_CreateChart [HostWindow]|3|0|0|120|90|#FFFFFF|0|1|||0|#FFFFFF\n"
                         "ae_Graph_Draw2File 3|only.png|0|0|0\n"
                         "ae_Graph_Draw2File 3|only.svg|0|0|0\n"}});
  ASSERT_TRUE(run);
  const json answer = json::parse(run->body);
  ASSERT_EQ(answer["files"].size(), 2u) << run->body;
  EXPECT_EQ(answer["files"][0]["name"], "only.png");
  EXPECT_EQ(answer["files"][0]["type"], "image/png");
  EXPECT_FALSE(answer["files"][0]["data"].get<std::string>().empty());
  EXPECT_NE(answer["files"][1]["note"].get<std::string>().find("SVG"), std::string::npos);

  // A script that writes export.png itself does not replace the download.
  const std::string script =
      "ae_Graph_CreateChart [HostWindow]|3|0|0|120|90|#FFFFFF|0|0|||0|#FFFFFF\n"
      "ae_Graph_Draw 3\n"
      "ae_Graph_CreateChart [HostWindow]|4|0|0|300|200|#FFFFFF|0|0|||0|#FFFFFF\n"
      "ae_Graph_Draw2File 4|export.png|0|0|0\n";
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
    if (c.status == 200 && std::string(c.format) == "png") {
      EXPECT_EQ(static_cast<unsigned char>(exported->body[19]), 120u);  // the width of chart 3
    }
  }
}

// A client that sends its header a byte at a time, each in time for the
// read, is cut off when the request's time is up; the others are answered.
TEST_F(DesignerServerTest, CutsOffRequestsThatTakeTooLong) {
  Stop();
  Start(root_, {}, 64ull << 20, 1);
  const int slow = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port_));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const timeval wait{0, 400000};
  setsockopt(slow, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  const std::string start = "GET / HTTP/1.1\r\nHost: " + Own() + "\r\n";
  ASSERT_GT(send(slow, start.data(), start.size(), MSG_NOSIGNAL), 0);
  const auto began = std::chrono::steady_clock::now();
  bool cut = false;
  while (!cut && std::chrono::steady_clock::now() - began < std::chrono::seconds(8)) {
    char byte = 0;
    cut = send(slow, "X", 1, MSG_NOSIGNAL) < 0 || recv(slow, &byte, 1, 0) == 0;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  close(slow);
  EXPECT_TRUE(cut);
  EXPECT_LT(seconds, 4.0);
  auto page = Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
}

// A full disk: a failed save keeps the script, a full scratch disk says so,
// and one run may not fill the disk.
TEST_F(DesignerServerTest, AFullDiskLosesNothing) {
  Stop();
  const fs::path disk = base_ / "disk";
  if (!MountSmallDisk(disk, "size=4m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  fs::create_directories(disk / "scripts");
  fs::create_directories(disk / "scratch");
  Write(disk / "scripts" / "kept.vsc", "ae_Graph_Draw 1\n");
  Start(disk / "scripts", disk / "scratch", 96 * 1024);
  // One run may not write more than 96 KiB in all.
  std::string many = "ae_Graph_CreateChart [HostWindow]|1|0|0|100|100|#FFFFFF|0|1|||0|#FFFFFF\n";
  for (int i = 0; i < 40; ++i)
    many += "ae_Graph_Draw2File 1|f" + std::to_string(i) + ".bmp|0|0|0\n";
  auto run = Post("/api/run", {{"script", many}});
  ASSERT_TRUE(run);
  EXPECT_NE(json::parse(run->body).value("error", "").find("grew past"), std::string::npos)
      << run->body;
  Fill(disk);
  auto saved = Post("/api/save", {{"path", "kept.vsc"}, {"script", std::string(300000, '#')}});
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->status, 500) << saved->body;
  EXPECT_EQ(Read(disk / "scripts" / "kept.vsc"), "ae_Graph_Draw 1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(disk / "scripts"), fs::directory_iterator()), 1);
  auto full = Post("/api/run", {{"script", "!echo x"}});
  ASSERT_TRUE(full);
  EXPECT_NE(json::parse(full->body).value("error", "").find("full"), std::string::npos)
      << full->body;
  Stop();
  EXPECT_TRUE(fs::is_empty(disk / "scratch"));
  umount(disk.c_str());
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
    const RunOutcome outcome =
        RunInChild(child.string(), folder, {"!echo x", 0, ""}, limits, folder);
    EXPECT_FALSE(outcome.ran) << c.what;
    EXPECT_NE(outcome.error.find(c.error), std::string::npos) << c.what << ": " << outcome.error;
    EXPECT_LT(outcome.milliseconds, 5000) << c.what;
  }
  // Every run's folder is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vantiro::testhost::designer
