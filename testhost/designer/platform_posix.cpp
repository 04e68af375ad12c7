// The designer on POSIX: child runs by posix_spawn under setrlimit limits
// (set by the child itself), watched for the wall clock and the size of
// their folder, stopped with SIGKILL; SIGINT and SIGTERM stop the server.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
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

constexpr std::size_t kMaxErrors = 4096;
constexpr auto kWatchInterval = std::chrono::milliseconds(20);

// Reads what the child wrote to its error pipe, without waiting.
void Drain(int fd, std::string& errors) {
  char buffer[1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return;
    if (errors.size() < kMaxErrors) {
      errors.append(
          buffer, std::min<std::size_t>(static_cast<std::size_t>(got), kMaxErrors - errors.size()));
    }
  }
}

}  // namespace

fs::path OwnProgram(std::string& error) {
  std::error_code failure;
  fs::path program = fs::read_symlink("/proc/self/exe", failure);
  if (failure) error = failure.message();
  return program;
}

bool MakeScratchFolder(const fs::path& parent, const std::string& prefix, fs::path& folder) {
  std::error_code failure;
  const fs::path base = parent.empty() ? fs::temp_directory_path(failure) : parent;
  if (failure) return false;
  std::string pattern = (base / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return false;
  folder = pattern;
  return true;
}

ChildEnd RunChildProcess(const std::vector<std::string>& args, const fs::path& folder,
                         const RunLimits& limits) {
  ChildEnd end;
  std::vector<std::string> copies = args;
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // Its errors come through a pipe: a full disk must not lose them.
  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    end.detail = std::generic_category().message(errno);
    return end;
  }
  ::fcntl(errorPipe[0], F_SETFL, O_NONBLOCK);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errorPipe[1], 2);
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
  ::close(errorPipe[1]);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{errorPipe[0]};
  if (spawned != 0) {
    end.detail = std::generic_category().message(spawned);
    return end;
  }

  int status = 0;
  const auto startedAt = std::chrono::steady_clock::now();
  const auto deadline = startedAt + std::chrono::seconds(limits.seconds);
  auto nextLook = startedAt + kWatchInterval;
  auto stop = [&](ChildEnd::Kind kind) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    Drain(errorPipe[0], end.errors);
    end.kind = kind;
    return end;
  };
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    Drain(errorPipe[0], end.errors);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return stop(ChildEnd::Kind::kTimedOut);
    if (now >= nextLook) {
      if (FolderBytes(folder) > limits.runBytes) return stop(ChildEnd::Kind::kDiskUse);
      nextLook = now + kWatchInterval;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  Drain(errorPipe[0], end.errors);
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    end.kind = signal == SIGXFSZ   ? ChildEnd::Kind::kFileSize
               : signal == SIGXCPU ? ChildEnd::Kind::kCpuTime
                                   : ChildEnd::Kind::kCrashed;
    end.code = signal;
    end.detail = "signal " + std::to_string(signal);
    return end;
  }
  if (FolderBytes(folder) > limits.runBytes) {
    end.kind = ChildEnd::Kind::kDiskUse;
    return end;
  }
  end.kind = ChildEnd::Kind::kExited;
  end.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return end;
}

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
