// The designer's HTTP server, on cpp-httplib.
#include "testhost/designer/server.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iostream>
#include <iterator>
#include <semaphore>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "testhost/designer/paths.h"
#include "testhost/designer/platform.h"
#include "testhost/designer/reference.h"
#include "testhost/designer/web_assets.h"
#include "text/code_page.h"

namespace vantiro::testhost::designer {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kMaxRequestBytes = 1u << 20;  // a script, with room
constexpr std::size_t kMaxFiles = 500;
constexpr int kMaxFolderDepth = 4;

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t n =
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) << 16) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1]) << 8) |
        static_cast<unsigned char>(bytes[i + 2]);
    for (const int shift : {18, 12, 6, 0}) out += kAlphabet[(n >> shift) & 63u];
  }
  if (i < bytes.size()) {
    std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) << 16);
    if (i + 1 < bytes.size()) {
      n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    out += kAlphabet[(n >> 18) & 63u];
    out += kAlphabet[(n >> 12) & 63u];
    out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63u] : '=';
    out += '=';
  }
  return out;
}

void SendJson(httplib::Response& response, const json& body, int status = 200) {
  response.status = status;
  // With a charset, cpp-httplib leaves the answer uncompressed: on loopback
  // brotli would only add its 100 ms and more.
  response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace),
                       "application/json; charset=utf-8");
}

void Refuse(httplib::Response& response, int status, const std::string& why) {
  SendJson(response, {{"error", why}}, status);
}

// The script text of a request body; false (and the answer sent) when the
// body is no JSON object with a "script" string.
bool ParseBody(const httplib::Request& request, httplib::Response& response, json& body) {
  body = json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    Refuse(response, 400, "the request is not a JSON object");
    return false;
  }
  if (body.contains("script") && !body["script"].is_string()) {
    Refuse(response, 400, "\"script\" is not a text");
    return false;
  }
  return true;
}

// The text under `key`, or the empty text when there is none or it is no text.
std::string Text(const json& body, const char* key) {
  const auto it = body.find(key);
  return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool HasExtension(const fs::path& path, std::initializer_list<const char*> extensions) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* wanted : extensions) {
    if (extension == wanted) return true;
  }
  return false;
}

// A file's bytes as UTF-8 text: as they are when they are UTF-8, else read
// in the plug-in's default code page.
std::string AsUtf8(const std::string& bytes) {
  std::string_view view = bytes;
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  return text::IsValidUtf8(view) ? std::string(view) : text::ToUtf8(view, 1252);
}

}  // namespace

struct DesignerServer::Impl {
  explicit Impl(ServerOptions given) : options(std::move(given)), runs(options.parallelRuns) {}

  ServerOptions options;
  httplib::Server server;
  std::counting_semaphore<64> runs;
  int port = -1;

  // Only the page this server served may call it: the Host header must name
  // this server (no other name resolving to 127.0.0.1), and an Origin, when
  // the browser sends one, must be this server's.
  bool FromOwnPage(const httplib::Request& request, std::string& why) const {
    const std::string suffix = ":" + std::to_string(port);
    const std::string host = request.get_header_value("Host");
    if (host != "127.0.0.1" + suffix && host != "localhost" + suffix) {
      why = "requests must be addressed to 127.0.0.1" + suffix;
      return false;
    }
    if (request.has_header("Origin")) {
      const std::string origin = request.get_header_value("Origin");
      if (origin != "http://127.0.0.1" + suffix && origin != "http://localhost" + suffix) {
        why = "requests from another origin are refused";
        return false;
      }
    }
    if (request.has_header("Sec-Fetch-Site")) {
      const std::string site = request.get_header_value("Sec-Fetch-Site");
      if (site != "same-origin" && site != "none") {
        why = "requests from another site are refused";
        return false;
      }
    }
    // A cross-origin page cannot send JSON without asking first, and this
    // server never answers such a question.
    if (request.method == "POST" &&
        request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
      why = "the API takes application/json";
      return false;
    }
    return true;
  }

  RunOutcome Run(const RunRequest& request) {
    runs.acquire();
    RunOutcome outcome = RunInChild(options.childProgram, options.root, request, options.limits);
    runs.release();
    return outcome;
  }

  void HandleRun(const httplib::Request& request, httplib::Response& response) {
    json body;
    if (!ParseBody(request, response, body)) return;
    RunRequest run;
    run.script = Text(body, "script");
    const RunOutcome outcome = Run(run);
    if (!outcome.ran) {
      SendJson(response, {{"error", outcome.error}, {"ms", outcome.milliseconds}});
      return;
    }
    json answer = outcome.result;
    json charts = json::array();
    for (const auto& [id, png] : outcome.charts) {
      charts.push_back({{"id", id}, {"png", Base64(png)}});
    }
    answer["charts"] = charts;
    answer["ms"] = outcome.milliseconds;
    SendJson(response, answer);
  }

  void HandleExport(const httplib::Request& request, httplib::Response& response) {
    json body;
    if (!ParseBody(request, response, body)) return;
    RunRequest run;
    run.script = Text(body, "script");
    run.exportFormat = Text(body, "format");
    const json chart = body.value("chart", json());
    if (!chart.is_number_integer() || chart.get<std::int64_t>() <= 0 ||
        chart.get<std::int64_t>() > 0x7FFFFFFF) {
      Refuse(response, 400, "\"chart\" is not a control ID");
      return;
    }
    run.exportChart = chart.get<std::int32_t>();
    const char* type = run.exportFormat == "png"   ? "image/png"
                       : run.exportFormat == "svg" ? "image/svg+xml; charset=utf-8"
                       : run.exportFormat == "rmc" ? "application/octet-stream"
                                                   : nullptr;
    if (type == nullptr) {
      Refuse(response, 400, "the format is png, svg or rmc");
      return;
    }
    const RunOutcome outcome = Run(run);
    if (!outcome.ran || !outcome.result.contains("exported")) {
      Refuse(response, 422, outcome.ran ? Text(outcome.result, "exportError") : outcome.error);
      return;
    }
    const std::string name = "chart" + std::to_string(run.exportChart) + "." + run.exportFormat;
    response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    response.set_content(outcome.exported, type);
  }

  void HandleFiles(const httplib::Request&, httplib::Response& response) {
    std::vector<std::string> files;
    std::error_code failure;
    fs::recursive_directory_iterator it(options.root, fs::directory_options::none, failure);
    for (; !failure && it != fs::recursive_directory_iterator() && files.size() < kMaxFiles;
         it.increment(failure)) {
      if (it.depth() >= kMaxFolderDepth) it.disable_recursion_pending();
      const std::string relative = it->path().lexically_relative(options.root).generic_string();
      if (relative.rfind('.', 0) == 0 || relative.find("/.") != std::string::npos) continue;
      if (!HasExtension(it->path(), {".vsc", ".rmc"})) continue;
      fs::path resolved;
      std::string ignored;
      std::error_code notRegular;
      if (!ResolveInside(options.root, relative, resolved, ignored)) continue;
      if (!fs::is_regular_file(resolved, notRegular)) continue;
      files.push_back(relative);
    }
    std::sort(files.begin(), files.end());
    SendJson(response, {{"files", files}});
  }

  void HandleOpen(const httplib::Request& request, httplib::Response& response) {
    const std::string path = request.get_param_value("path");
    fs::path resolved;
    std::string error;
    if (!ResolveInside(options.root, path, resolved, error)) {
      Refuse(response, 403, error);
      return;
    }
    std::error_code failure;
    const std::uintmax_t size = fs::file_size(resolved, failure);
    if (failure || !fs::is_regular_file(resolved, failure)) {
      Refuse(response, 404, "no file '" + path + "'");
      return;
    }
    if (HasExtension(resolved, {".rmc"})) {
      // A chart file opens as the script that loads and draws it.
      SendJson(response, {{"path", path},
                          {"script", "# The chart file " + path +
                                         "\nae_Graph_CreateChartfromFile [HostWindow]|1|0|0|0|" +
                                         path + "\nae_Graph_Draw 1\n"}});
      return;
    }
    if (size > kMaxRequestBytes) {
      Refuse(response, 413, "'" + path + "' is larger than a script can be");
      return;
    }
    std::ifstream in(resolved, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SendJson(response, {{"path", path}, {"script", AsUtf8(bytes)}});
  }

  void HandleSave(const httplib::Request& request, httplib::Response& response) {
    json body;
    if (!ParseBody(request, response, body)) return;
    const std::string path = Text(body, "path");
    fs::path resolved;
    std::string error;
    if (!ResolveInside(options.root, path, resolved, error)) {
      Refuse(response, 403, error);
      return;
    }
    if (!HasExtension(resolved, {".vsc"})) {
      Refuse(response, 403, "scripts are saved as .vsc files");
      return;
    }
    std::error_code failure;
    if (!fs::is_directory(resolved.parent_path(), failure) || fs::is_directory(resolved, failure)) {
      Refuse(response, 404, "no folder for '" + path + "'");
      return;
    }
    const std::string script = Text(body, "script");
    std::ofstream out(resolved, std::ios::binary | std::ios::trunc);
    out.write(script.data(), static_cast<std::streamsize>(script.size()));
    out.close();
    if (!out) {
      Refuse(response, 500, "cannot write '" + path + "'");
      return;
    }
    SendJson(response, {{"saved", path}});
  }

  void Routes() {
    server.set_payload_max_length(kMaxRequestBytes);
    // Stopping waits for open connections: let idle ones go soon.
    server.set_keep_alive_timeout(1);
    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
          std::string why;
          response.set_header("X-Content-Type-Options", "nosniff");
          response.set_header("X-Frame-Options", "DENY");
          response.set_header("Cache-Control", "no-store");
          if (FromOwnPage(request, why)) return httplib::Server::HandlerResponse::Unhandled;
          Refuse(response, 403, why);
          return httplib::Server::HandlerResponse::Handled;
        });
    for (const WebAsset& asset : WebAssets()) {
      const std::string path = asset.path;
      server.Get(path == "index.html" ? "/" : "/" + path, [&asset](const httplib::Request&,
                                                                   httplib::Response& response) {
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; img-src 'self' data: blob:; "
                            "style-src 'self' 'unsafe-inline'");
        response.set_content(reinterpret_cast<const char*>(asset.data), asset.size, asset.type);
      });
    }
    server.Get("/favicon.ico",
               [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
    server.Get("/api/reference", [](const httplib::Request&, httplib::Response& response) {
      SendJson(response, {{"actions", ReferenceJson()}});
    });
    server.Post("/api/run", [this](const auto& q, auto& r) { HandleRun(q, r); });
    server.Post("/api/export", [this](const auto& q, auto& r) { HandleExport(q, r); });
    server.Get("/api/files", [this](const auto& q, auto& r) { HandleFiles(q, r); });
    server.Get("/api/open", [this](const auto& q, auto& r) { HandleOpen(q, r); });
    server.Post("/api/save", [this](const auto& q, auto& r) { HandleSave(q, r); });
  }
};

DesignerServer::DesignerServer(ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {
  impl_->Routes();
}

DesignerServer::~DesignerServer() = default;

int DesignerServer::Bind() {
  if (impl_->options.port == 0) {
    impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
  } else if (impl_->server.bind_to_port("127.0.0.1", impl_->options.port)) {
    impl_->port = impl_->options.port;
  }
  return impl_->port;
}

void DesignerServer::Listen() { impl_->server.listen_after_bind(); }

void DesignerServer::Stop() { impl_->server.stop(); }

int Serve(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
          std::ostream& err) {
  ServerOptions options;
  auto number = [](const std::string& text, int low, int high, int& value) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
  };
  bool portGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--codepage" && i + 1 < args.size()) {
      int codePage = 0;
      if (!number(args[++i], 1, 65535, codePage) || !platform.setCodePage ||
          !platform.setCodePage(codePage)) {
        err << "vantiro-host: --codepage " << args[i]
            << " is not a code page of this engine (1250, 1251, 1252, 65001)\n";
        return 2;
      }
      options.limits.codePage = codePage;
    } else if (!portGiven && number(args[i], 0, 65535, options.port)) {
      portGiven = true;
    } else {
      err << "vantiro-host: --serve takes a port (0 to 65535) and --codepage N, not '" << args[i]
          << "'\n";
      return 2;
    }
  }
  std::error_code failure;
  options.root = fs::canonical(fs::current_path(), failure);
  std::string error;
  options.childProgram = platform::OwnProgram(error);
  if (options.childProgram.empty() || failure) {
    err << "vantiro-host: cannot find this program's own file or folder: "
        << (failure ? failure.message() : error) << '\n';
    return 2;
  }

  DesignerServer server(options);
  const int port = server.Bind();
  if (port < 0) {
    err << "vantiro-host: cannot listen on 127.0.0.1:" << options.port << '\n';
    return 2;
  }
  out << "Designer at http://127.0.0.1:" << port << "/ for the folder " << options.root.string()
      << "; Ctrl+C stops it" << std::endl;
  platform::ServeUntilStopped(server);
  out << "Designer stopped" << std::endl;
  return 0;
}

}  // namespace vantiro::testhost::designer
