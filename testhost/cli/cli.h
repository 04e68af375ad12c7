// The command line of vantiro-host: options, loading the plug-in, running
// the scripts and the exit status. Each program supplies what differs
// between the native drawing host, the native recording host and Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "testhost/core/host_platform.h"
#include "testhost/core/runner.h"

namespace vantiro::testhost {

// The programs' differences, as the command line takes them.
using CliPlatform = HostPlatform;

// The version --version prints: the project's.
extern const char* const kHostVersion;

// The script name that reads the script from standard input, and the name
// its lines are reported with.
inline constexpr const char* kStdinScript = "-";
inline constexpr const char* kStdinName = "<stdin>";

// Runs `vantiro-host [options] SCRIPT...` (args without the program name);
// the script "-" is read from `in`.
int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err, std::istream& in);
// The same with standard input.
int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err);

}  // namespace vantiro::testhost
