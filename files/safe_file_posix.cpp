// POSIX: temporary files created with O_EXCL|O_NOFOLLOW under a random name,
// moved into place with rename; reads opened with O_NONBLOCK so that a pipe
// or a device is refused instead of waited on.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include "files/safe_file.h"

namespace vantiro::files {
namespace {

// Short, so that the temporary name fits wherever the target's name does.
constexpr char kTempPrefix[] = ".vt-";
constexpr int kTempRandomChars = 10;
constexpr int kTempAttempts = 16;

std::string RandomName(std::random_device& random) {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = kTempPrefix;
  std::uniform_int_distribution<int> pick(0, sizeof kChars - 2);
  for (int i = 0; i < kTempRandomChars; ++i) name += kChars[pick(random)];
  return name;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// A regular file nobody may write (or we may not) is read-only, for root too.
bool Writable(const std::string& path, const struct stat& st) {
  return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

struct PendingFile::State {
  std::string target;  // where the file goes: the link's target for a link
  std::string temp;
  int fd = -1;
  bool existed = false;
  struct stat targetStat {};
};

PendingFile::PendingFile() : state_(std::make_unique<State>()) {}

PendingFile::~PendingFile() {
  const int saved = errno;  // the reason of a failure stays readable
  if (state_->fd >= 0) ::close(state_->fd);
  if (!state_->temp.empty()) ::unlink(state_->temp.c_str());
  errno = saved;
}

bool PendingFile::Open(const std::filesystem::path& target) {
  State& s = *state_;
  const std::string path = target.string();
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  struct stat st {};
  s.target = path;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char resolved[PATH_MAX];
      if (::realpath(path.c_str(), resolved) == nullptr) return false;  // dangling: ENOENT
      s.target = resolved;
      if (::lstat(s.target.c_str(), &st) != 0) return false;
    }
    // The refusals set errno for the reason the caller reports.
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return false;
    }
    if (!Writable(s.target, st)) {
      errno = EACCES;
      return false;
    }
    s.existed = true;
    s.targetStat = st;
  } else if (errno != ENOENT) {
    return false;
  }
  const std::string folder = FolderOf(s.target);
  std::random_device random;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    const std::string temp = folder + RandomName(random);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      s.fd = fd;
      s.temp = temp;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool PendingFile::Write(const char* data, std::size_t size) {
  State& s = *state_;
  while (size > 0) {
    const ssize_t n = ::write(s.fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool PendingFile::Place() {
  State& s = *state_;
  if (s.existed) {
    const struct stat& st = s.targetStat;
    // Owner first: changing it clears set-user-ID bits that fchmod restores.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      (void)!::fchown(s.fd, st.st_uid, st.st_gid);
    }
    if (::fchmod(s.fd, st.st_mode & 07777) != 0) return false;
  }
  if (::fsync(s.fd) != 0) return false;
  const int fd = s.fd;
  s.fd = -1;
  if (::close(fd) != 0) return false;
  if (::rename(s.temp.c_str(), s.target.c_str()) != 0) return false;
  s.temp.clear();
  return true;
}

FilePtr OpenRegular(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int reason = S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? errno : EINVAL;
    ::close(fd);
    errno = reason;
    return nullptr;
  }
  FilePtr file(::fdopen(fd, "rb"));
  if (!file) ::close(fd);
  return file;
}

FilePtr OpenAppend(const std::filesystem::path& path) {
  return FilePtr(std::fopen(path.c_str(), "ab"));
}

}  // namespace vantiro::files
