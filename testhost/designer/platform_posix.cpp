// The designer on POSIX: child runs by posix_spawn under setrlimit limits,
// stopped with SIGKILL; SIGINT and SIGTERM stop the server.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "testhost/designer/platform.h"
#include "testhost/designer/server.h"

extern char** environ;

namespace vantiro::testhost::designer::platform {

namespace {

namespace fs = std::filesystem;

void Limit(int resource, std::uint64_t value) {
  rlimit limit{};
  limit.rlim_cur = static_cast<rlim_t>(value);
  limit.rlim_max = static_cast<rlim_t>(value);
  setrlimit(resource, &limit);
}

}  // namespace

std::string OwnProgram(std::string& error) {
  std::error_code failure;
  std::string program = fs::read_symlink("/proc/self/exe", failure).string();
  if (failure) error = failure.message();
  return program;
}

bool MakeScratchFolder(fs::path& folder) {
  std::error_code failure;
  std::string pattern = (fs::temp_directory_path(failure) / "vantiro-designer-XXXXXX").string();
  if (failure || mkdtemp(pattern.data()) == nullptr) return false;
  folder = pattern;
  return true;
}

ChildEnd RunChildProcess(const std::vector<std::string>& args, const fs::path& scratch,
                         const fs::path& errorLog, const RunLimits& limits) {
  ChildEnd end;
  std::vector<std::string> copies = args;
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string log = errorLog.string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  (void)scratch;  // the child changes into it itself (its first argument)
  // The server blocks SIGINT and SIGTERM for its own stopping thread; the
  // child takes them as any program does.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    end.detail = std::generic_category().message(spawned);
    return end;
  }

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      end.kind = ChildEnd::Kind::kTimedOut;
      return end;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    end.kind = signal == SIGXFSZ   ? ChildEnd::Kind::kFileSize
               : signal == SIGXCPU ? ChildEnd::Kind::kCpuTime
                                   : ChildEnd::Kind::kCrashed;
    end.code = signal;
    end.detail = "signal " + std::to_string(signal);
    return end;
  }
  end.kind = ChildEnd::Kind::kExited;
  end.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return end;
}

void LimitThisProcess(std::uint64_t seconds, std::uint64_t fileBytes, std::uint64_t memoryBytes) {
  Limit(RLIMIT_CPU, seconds);
  Limit(RLIMIT_FSIZE, fileBytes);
  Limit(RLIMIT_CORE, 0);
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTIRO_DESIGNER_ASAN 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(VANTIRO_DESIGNER_ASAN)
  // AddressSanitizer reserves far more address space than it uses.
  Limit(RLIMIT_AS, memoryBytes);
#else
  (void)memoryBytes;
#endif
}

bool PassesUnfollowedLink(const fs::path&, const fs::path&) { return false; }

void ServeUntilStopped(DesignerServer& server) {
  // SIGINT and SIGTERM are taken by one thread, which stops the server; the
  // server's threads, started by Listen, inherit the blocked mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::thread stopper([&server, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
  });
  server.Listen();
  // Listen also ends when the socket fails: wake the stopper then.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
}

}  // namespace vantiro::testhost::designer::platform
