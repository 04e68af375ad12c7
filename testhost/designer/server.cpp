// The designer's HTTP server, on cpp-httplib.
#include "testhost/designer/server.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <random>
#include <semaphore>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "files/safe_file.h"
#include "testhost/designer/paths.h"
#include "testhost/designer/platform.h"
#include "testhost/designer/reference.h"
#include "testhost/designer/web_assets.h"
#include "text/code_page.h"

#ifndef _WIN32
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#endif

namespace vantiro::testhost::designer {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kMaxRequestBytes = 1u << 20;  // a script, with room
constexpr std::size_t kMaxFiles = 500;
constexpr int kMaxFolderDepth = 4;
// Each read of a request may wait a few seconds; a connection serves one
// request.
constexpr int kReadTimeoutSeconds = 3;
// Connections answered at once: more than slow clients can tie up; the
// rest wait their turn.
constexpr std::size_t kWorkers = 64;

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

std::string RandomToken() {
  std::random_device random;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 8; ++i) {
    const std::uint32_t word = random();
    for (int shift = 28; shift >= 0; shift -= 4) token += kHex[(word >> shift) & 15u];
  }
  return token;
}

// Compares in a time that does not tell how much of the token was right.
bool SameToken(std::string_view given, std::string_view token) {
  unsigned difference = given.size() == token.size() ? 0u : 1u;
  for (std::size_t i = 0; i < token.size(); ++i) {
    difference |= static_cast<unsigned char>(i < given.size() ? given[i] : 0) ^
                  static_cast<unsigned char>(token[i]);
  }
  return difference == 0;
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

// The text under `key`, or the empty text when there is none or it is no text.
std::string Text(const json& body, const char* key) {
  const auto it = body.find(key);
  return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool HasExtension(const fs::path& path, std::initializer_list<const char*> extensions) {
  std::string extension = ToUtf8(path.extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* wanted : extensions) {
    if (extension == wanted) return true;
  }
  return false;
}

// A file's bytes as UTF-8 text: as they are when they are UTF-8, else read
// in the plug-in's code page.
std::string AsUtf8(const std::string& bytes, int codePage) {
  std::string_view view = bytes;
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  return text::IsValidUtf8(view) ? std::string(view) : text::ToUtf8(view, codePage);
}

// Every part of a saved name must name a file on Windows too.
std::string NameProblem(std::string_view path, int codePage) {
  for (const std::string_view part : [&] {
         std::vector<std::string_view> parts;
         std::size_t start = 0;
         for (std::size_t end; (end = path.find('/', start)) != std::string_view::npos;
              start = end + 1) {
           parts.push_back(path.substr(start, end - start));
         }
         parts.push_back(path.substr(start));
         return parts;
       }()) {
    if (files::IsWindowsDeviceName(part)) {
      return "'" + std::string(part) + "' is a device name on Windows (CON, NUL, AUX, COM1 ...)";
    }
    if (!files::IsPortableName(part)) {
      return "'" + std::string(part) +
             "' cannot name a file on Windows (no : \\ * ? \" < > |, no blank or dot at the end)";
    }
  }
#ifdef _WIN32
  // The plug-in names files in the system's code page: a name it cannot
  // hold could be saved, but never opened by a script.
  std::size_t unmappable = 0;
  text::FromUtf8(path, codePage, &unmappable);
  if (unmappable > 0) {
    return "'" + std::string(path) + "' holds characters that code page " +
           std::to_string(codePage) + " cannot hold, so no script could name it";
  }
#else
  (void)codePage;
#endif
  return {};
}

// Connections whose request is not read within the time limit are shut, so
// that a client sending a byte now and then cannot keep a worker. POSIX: the
// connections are this process's sockets on the server's port, found when
// one is accepted; Windows has only the time limit of each read.
class SlowRequests {
 public:
  void Start(int port, std::chrono::seconds limit) {
#ifndef _WIN32
    port_ = port;
    limit_ = limit;
    watch_ = std::thread([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(200));
        ShutLate();
      }
    });
#else
    (void)port;
    (void)limit;
#endif
  }

  ~SlowRequests() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (watch_.joinable()) watch_.join();
  }

  // A connection was accepted: watch every new one.
  void Accepted() {
#ifndef _WIN32
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    for (const int fd : OpenFiles()) {
      int peer = 0;
      const ino_t inode = Connection(fd, peer);
      if (inode == 0) {
        watched_.erase(fd);
        continue;
      }
      auto found = watched_.find(fd);
      if (found == watched_.end() || found->second.inode != inode) {
        watched_[fd] = {inode, peer, now};
      }
    }
#endif
  }

  // The request from this client port was read: no longer watched.
  void Read(int peerPort) {
#ifndef _WIN32
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = watched_.begin(); it != watched_.end();) {
      it = it->second.peerPort == peerPort ? watched_.erase(it) : std::next(it);
    }
#else
    (void)peerPort;
#endif
  }

 private:
#ifndef _WIN32
  struct Watched {
    ino_t inode;
    int peerPort;
    std::chrono::steady_clock::time_point since;
  };

  // This process's open file descriptors: those /proc lists, else every
  // number up to the limit.
  static std::vector<int> OpenFiles() {
    std::vector<int> fds;
    std::error_code failure;
    for (fs::directory_iterator it("/proc/self/fd", failure), end; !failure && it != end;
         it.increment(failure)) {
      const std::string name = it->path().filename().string();
      int fd = 0;
      if (std::from_chars(name.data(), name.data() + name.size(), fd).ec == std::errc()) {
        fds.push_back(fd);
      }
    }
    if (!fds.empty()) return fds;
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    for (int fd = 3; fd < static_cast<int>(std::min<rlim_t>(files.rlim_cur, 65536)); ++fd) {
      fds.push_back(fd);
    }
    return fds;
  }

  // The inode of `fd` when it is a connection accepted on the server's
  // port (its client's port in `peer`), else 0.
  ino_t Connection(int fd, int& peer) const {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return 0;
    int listening = 0;
    socklen_t size = sizeof listening;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening != 0) {
      return 0;
    }
    sockaddr_in local{}, remote{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        local.sin_family != AF_INET || ntohs(local.sin_port) != port_) {
      return 0;
    }
    length = sizeof remote;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &length) != 0) return 0;
    peer = ntohs(remote.sin_port);
    return st.st_ino;
  }

  void ShutLate() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = watched_.begin(); it != watched_.end();) {
      int peer = 0;
      if (Connection(it->first, peer) != it->second.inode) {
        it = watched_.erase(it);
      } else if (now - it->second.since > limit_) {
        shutdown(it->first, SHUT_RDWR);
        it = watched_.erase(it);
      } else {
        ++it;
      }
    }
  }

  int port_ = 0;
  std::chrono::seconds limit_{10};
  std::map<int, Watched> watched_;
#endif
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread watch_;
};

// Threads for the connections, up to kWorkers at once; the others wait.
class ConnectionThreads : public httplib::TaskQueue {
 public:
  explicit ConnectionThreads(std::function<void()> accepted) : accepted_(std::move(accepted)) {}

  void enqueue(std::function<void()> task) override {
    accepted_();
    std::unique_lock<std::mutex> lock(mutex_);
    if (running_ >= kWorkers) {
      waiting_.push_back(std::move(task));
      return;
    }
    Start(std::move(task));
  }

  void shutdown() override {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.clear();
    done_.wait(lock, [this] { return running_ == 0; });
  }

 private:
  void Start(std::function<void()> task) {
    ++running_;
    std::thread([this, task = std::move(task)]() mutable {
      for (;;) {
        task();
        std::unique_lock<std::mutex> lock(mutex_);
        if (waiting_.empty()) {
          --running_;
          done_.notify_all();
          return;
        }
        task = std::move(waiting_.front());
        waiting_.pop_front();
      }
    }).detach();
  }

  std::function<void()> accepted_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::size_t running_ = 0;
  std::deque<std::function<void()>> waiting_;
};

// Whether another socket has 127.0.0.1:port (the bind failed for that).
bool PortInUse(int port) {
#ifdef _WIN32
  using Socket = SOCKET;
  const Socket none = INVALID_SOCKET;
#else
  using Socket = int;
  const Socket none = -1;
#endif
  const Socket probe = ::socket(AF_INET, SOCK_STREAM, 0);
  if (probe == none) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
#ifdef _WIN32
  BOOL exclusive = TRUE;
  setsockopt(probe, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  const bool inUse =
      ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      (WSAGetLastError() == WSAEADDRINUSE || WSAGetLastError() == WSAEACCES);
  closesocket(probe);
#else
  const bool inUse =
      ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno == EADDRINUSE;
  ::close(probe);
#endif
  return inUse;
}

}  // namespace

struct DesignerServer::Impl {
  explicit Impl(ServerOptions given) : options(std::move(given)), runs(options.parallelRuns) {
    if (options.token.empty()) options.token = RandomToken();
  }
  ~Impl() {
    if (ownScratch) RemoveFolder(options.scratch);
  }

  ServerOptions options;
  httplib::Server server;
  std::counting_semaphore<64> runs;
  int port = -1;
  bool ownScratch = false;
  // 0: not listening, 1: Listen called, 2: Listen returned. Stop waits for
  // listening to begin: cpp-httplib's stop does nothing before.
  std::atomic<int> listening{0};
  std::atomic<bool> stopped{false};
  SlowRequests slow;

  int CodePage() const {
#ifdef _WIN32
    return text::CurrentCodePage();
#else
    return options.limits.codePage != 0 ? options.limits.codePage : 1252;
#endif
  }

  // Only the page this server served may call it: the Host header must name
  // this server (no other name resolving to 127.0.0.1), and an Origin, when
  // the browser sends one, must be this server's. Every API call carries
  // the session token.
  bool FromOwnPage(const httplib::Request& request, int& status, std::string& why) const {
    status = 403;
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
    if (request.method != "GET" && request.method != "POST") {
      status = 405;
      why = "the designer answers GET and POST only";
      return false;
    }
    const bool api = request.path.rfind("/api/", 0) == 0;
    if (api) {
      const std::string authorization = request.get_header_value("Authorization");
      const std::string_view scheme = "token ";
      if (authorization.rfind(scheme, 0) != 0 ||
          !SameToken(std::string_view(authorization).substr(scheme.size()), options.token)) {
        why = "the API needs the session token the designer printed (Authorization: token T)";
        return false;
      }
    }
    // Bodies are read only by the routes that take one, each within its cap.
    const bool takesBody =
        request.method == "POST" && (request.path == "/api/run" || request.path == "/api/export" ||
                                     request.path == "/api/save");
    const bool hasBody =
        request.has_header("Transfer-Encoding") ||
        (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0");
    if (!takesBody && hasBody) {
      status = 413;
      why = "this request takes no body";
      return false;
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

  // The JSON object of a request body, read with its cap and time limit,
  // chunked or not; false (and the answer sent) otherwise.
  bool ReadBody(const httplib::ContentReader& reader, httplib::Response& response, json& body) {
    std::string text;
    bool tooLarge = false, tooSlow = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.requestSeconds);
    const bool read = reader([&](const char* data, std::size_t size) {
      if (text.size() + size > kMaxRequestBytes) {
        tooLarge = true;
        return false;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        tooSlow = true;
        return false;
      }
      text.append(data, size);
      return true;
    });
    if (tooLarge || (!read && response.status == 413)) {
      Refuse(response, 413, "the request is larger than a script can be (1 MiB)");
      return false;
    }
    if (tooSlow || !read) {
      Refuse(response, 408, "the request was not read in time");
      return false;
    }
    body = json::parse(text, nullptr, false);
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

  RunOutcome Run(const RunRequest& request) {
    runs.acquire();
    RunOutcome outcome =
        RunInChild(options.childProgram, options.root, request, options.limits, options.scratch);
    runs.release();
    return outcome;
  }

  void HandleRun(const httplib::Request&, httplib::Response& response,
                 const httplib::ContentReader& reader) {
    json body;
    if (!ReadBody(reader, response, body)) return;
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
    json files = json::array();
    for (const WrittenFile& file : outcome.files) {
      json entry = {{"name", file.name}};
      if (!file.type.empty()) {
        entry["type"] = file.type;
        entry["data"] = Base64(file.bytes);
      } else {
        entry["note"] = file.note;
      }
      files.push_back(std::move(entry));
    }
    answer["charts"] = charts;
    answer["files"] = files;
    answer["ms"] = outcome.milliseconds;
    SendJson(response, answer);
  }

  void HandleExport(const httplib::Request&, httplib::Response& response,
                    const httplib::ContentReader& reader) {
    json body;
    if (!ReadBody(reader, response, body)) return;
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
    if (run.exportFormat == "svg" && !options.svgFiles) {
      Refuse(response, 422,
             "SVG files are written by the native engine only: the Windows engine (GDI+) "
             "writes PNG, JPEG, BMP and EMF files");
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
      const std::string relative = ToUtf8(it->path().lexically_relative(options.root));
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
    const fs::file_status status = fs::status(resolved, failure);
    if (status.type() == fs::file_type::not_found) {
      Refuse(response, 404, "no file '" + path + "'");
      return;
    }
    if (!fs::is_regular_file(status)) {
      Refuse(response, 403, "'" + path + "' is not a regular file");
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
    std::string bytes;
    std::string reason;
    if (!files::ReadRegularFile(resolved, kMaxRequestBytes, bytes, &reason)) {
      Refuse(response, 413, "'" + path + "' cannot be opened as a script: " + reason);
      return;
    }
    SendJson(response, {{"path", path}, {"script", AsUtf8(bytes, CodePage())}});
  }

  void HandleSave(const httplib::Request&, httplib::Response& response,
                  const httplib::ContentReader& reader) {
    json body;
    if (!ReadBody(reader, response, body)) return;
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
    if (const std::string problem = NameProblem(path, CodePage()); !problem.empty()) {
      Refuse(response, 403, problem);
      return;
    }
    std::error_code failure;
    if (!fs::is_directory(resolved.parent_path(), failure)) {
      Refuse(response, 404, "no folder for '" + path + "'");
      return;
    }
    const fs::file_status status = fs::symlink_status(resolved, failure);
    if (status.type() != fs::file_type::not_found &&
        !fs::is_regular_file(fs::status(resolved, failure))) {
      Refuse(response, 403,
             "'" + path + "' is not a regular file: only regular files are saved over");
      return;
    }
    // A temporary file renamed into place: a failed save leaves the old
    // script as it was.
    std::string reason;
    if (!files::WriteWholeFile(resolved, Text(body, "script"), &reason)) {
      Refuse(response, 500, "'" + path + "' was not saved (the file is as it was): " + reason);
      return;
    }
    SendJson(response, {{"saved", path}});
  }

  void Routes() {
    server.set_payload_max_length(kMaxRequestBytes);
    server.set_read_timeout(kReadTimeoutSeconds, 0);
    server.set_write_timeout(kReadTimeoutSeconds, 0);
    // One request per connection: a connection never waits idle for
    // another, and stopping need not wait for idle ones.
    server.set_keep_alive_max_count(1);
    server.set_keep_alive_timeout(1);
    server.new_task_queue = [this] { return new ConnectionThreads([this] { slow.Accepted(); }); };
    // The port is this server's alone: no SO_REUSEPORT (cpp-httplib's
    // default), and on Windows no other socket may take it over.
    server.set_socket_options([](socket_t sock) {
#ifdef _WIN32
      BOOL exclusive = TRUE;
      setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof exclusive);
#else
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    });
    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
          std::string why;
          int status = 403;
          response.set_header("X-Content-Type-Options", "nosniff");
          response.set_header("X-Frame-Options", "DENY");
          response.set_header("Cache-Control", "no-store");
          response.set_header("Referrer-Policy", "no-referrer");
          slow.Read(request.remote_port);
          if (FromOwnPage(request, status, why)) return httplib::Server::HandlerResponse::Unhandled;
          Refuse(response, status, why);
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
    server.Get("/api/reference", [this](const httplib::Request&, httplib::Response& response) {
      json formats = options.svgFiles ? json({"png", "svg", "rmc"}) : json({"png", "rmc"});
      SendJson(response, {{"actions", ReferenceJson()}, {"formats", formats}});
    });
    server.Post("/api/run", [this](const httplib::Request& q, httplib::Response& r,
                                   const httplib::ContentReader& c) { HandleRun(q, r, c); });
    server.Post("/api/export", [this](const httplib::Request& q, httplib::Response& r,
                                      const httplib::ContentReader& c) { HandleExport(q, r, c); });
    server.Get("/api/files", [this](const auto& q, auto& r) { HandleFiles(q, r); });
    server.Get("/api/open", [this](const auto& q, auto& r) { HandleOpen(q, r); });
    server.Post("/api/save", [this](const httplib::Request& q, httplib::Response& r,
                                    const httplib::ContentReader& c) { HandleSave(q, r, c); });
  }
};

DesignerServer::DesignerServer(ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {
  impl_->Routes();
}

DesignerServer::~DesignerServer() = default;

const std::string& DesignerServer::token() const { return impl_->options.token; }

int DesignerServer::Bind(std::string& error) {
  Impl& s = *impl_;
  if (s.options.scratch.empty()) {
    if (!platform::MakeScratchFolder({}, "vantiro-designer-", s.options.scratch)) {
      error = "cannot make a scratch folder under the system's temporary folder: " +
              files::SystemReason();
      return -1;
    }
    s.ownScratch = true;
  }
  if (s.options.port == 0) {
    s.port = s.server.bind_to_any_port("127.0.0.1");
  } else if (s.server.bind_to_port("127.0.0.1", s.options.port)) {
    s.port = s.options.port;
  }
  if (s.port >= 0) s.slow.Start(s.port, std::chrono::seconds(s.options.requestSeconds));
  if (s.port < 0) {
    error = s.options.port != 0 && PortInUse(s.options.port)
                ? "port " + std::to_string(s.options.port) + " is in use"
                : "cannot listen on 127.0.0.1:" + std::to_string(s.options.port);
  }
  return s.port;
}

void DesignerServer::Listen() {
  impl_->listening = 1;
  if (!impl_->stopped) impl_->server.listen_after_bind();
  impl_->listening = 2;
}

void DesignerServer::Stop() {
  impl_->stopped = true;
  while (impl_->listening == 1 && !impl_->server.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl_->server.stop();
}

int Serve(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ServerOptions options;
  std::string program = "vantiro-host";
  auto number = [](const std::string& text, int low, int high, int& value) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
  };
  bool portGiven = false;
  fs::path host;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--host" && i + 1 < args.size()) {
      host = FromUtf8(args[++i]);
      program = ToUtf8(host.stem());
    } else if (args[i] == "--codepage" && i + 1 < args.size()) {
      int codePage = 0;
#ifdef _WIN32
      err << program
          << ": --serve takes no --codepage on Windows: scripts are in the system's "
             "ANSI code page\n";
      return 2;
#else
      if (!number(args[++i], 1, 65535, codePage) || !text::SetCurrentCodePage(codePage)) {
        err << program << ": --codepage " << args[i]
            << " is not a code page of this engine (1250, 1251, 1252, 65001)\n";
        return 2;
      }
#endif
      options.limits.codePage = codePage;
    } else if (!portGiven && number(args[i], 0, 65535, options.port)) {
      portGiven = true;
    } else {
      err << program << ": --serve takes a port (0 to 65535) and --codepage N, not '" << args[i]
          << "'\n";
      return 2;
    }
  }
  std::error_code failure;
  options.root = fs::canonical(fs::current_path(), failure);
  std::string error;
  if (host.empty()) {
    const fs::path self = platform::OwnProgram(error);
#ifdef _WIN32
    host = self.parent_path() / "vantiro-host.exe";
#else
    host = self.parent_path() / "vantiro-host";
#endif
  }
  options.childProgram = ToUtf8(host);
  if (failure) {
    err << program << ": cannot find the working folder: " << failure.message() << '\n';
    return 2;
  }
#ifdef _WIN32
  options.svgFiles = false;
#endif

  DesignerServer server(options);
  const int port = server.Bind(error);
  if (port < 0) {
    err << program << ": " << error << '\n';
    return 2;
  }
  // The folder as the system writes it (C:\scripts on Windows), in UTF-8.
  const auto folder = options.root.u8string();
  out << "Designer at http://127.0.0.1:" << port << "/?token=" << server.token()
      << " for the folder " << std::string(folder.begin(), folder.end()) << "; Ctrl+C stops it"
      << std::endl;
  platform::ServeUntilStopped(server);
  out << "Designer stopped" << std::endl;
  return 0;
}

}  // namespace vantiro::testhost::designer
