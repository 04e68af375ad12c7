// What the benchmark programs share: the plug-in driven as a host drives
// it, other programs run and measured as child processes, and the load of
// the machine, printed beside every comparison.
#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "plugin/host/entry_points.h"

extern char** environ;

namespace vantiro::bench {

// ------------------------------------------------------------ the plug-in

// Action names to IDs, as the plug-in registered them.
inline std::map<std::string, std::int32_t>& ActionIds() {
  static std::map<std::string, std::int32_t> ids;
  return ids;
}

// Whether every action since the last ExpectOk reported "Ok".
inline bool& AllOk() {
  static bool ok = true;
  return ok;
}

inline std::int32_t VANTIRO_STDCALL AddAction(std::int32_t id, const char* name, const char*,
                                              const char*, std::uint32_t, std::uint32_t) {
  if (name != nullptr) ActionIds()[name] = id;
  return 0;
}

inline std::int32_t VANTIRO_STDCALL SetVariable(const char*, const char* value) {
  if (value == nullptr || std::strcmp(value, "Ok") != 0) AllOk() = false;
  return 0;
}

// Runs one action with its parameter text; false if the action is unknown
// or did not report "Ok".
inline bool Exec(const std::string& action, const char* parameters) {
  static const bool registered = [] {
    nbRegisterPlugIn(AddAction, nullptr, nullptr, SetVariable);
    return true;
  }();
  (void)registered;
  const auto id = ActionIds().find(action);
  if (id == ActionIds().end()) return false;
  AllOk() = true;
  const char* params[] = {parameters};
  nbExecAction(id->second, params);
  return AllOk();
}

// ------------------------------------------------------------ other programs

// A finished child process: processor time (user + system) and peak
// resident memory; cpuMs negative if it could not be run or failed.
struct ChildUsage {
  double cpuMs = -1;
  long maxRssKiB = 0;
  bool ok() const { return cpuMs >= 0; }
};

// Runs a program in `folder`, output discarded, and waits for it.
inline ChildUsage RunChild(const std::vector<std::string>& argv,
                           const std::filesystem::path& folder) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  std::filesystem::current_path(before);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return {};
  }
  return {double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3,
          usage.ru_maxrss};
}

// The machine's load averages (1, 5 and 15 minutes) as /proc/loadavg
// gives them; "unknown" where there is none.
inline std::string LoadAverage() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return "unknown";
  char one[16] = "", five[16] = "", fifteen[16] = "";
  const int read = std::fscanf(file, "%15s %15s %15s", one, five, fifteen);
  std::fclose(file);
  if (read != 3) return "unknown";
  return std::string(one) + " " + five + " " + fifteen;
}

}  // namespace vantiro::bench
