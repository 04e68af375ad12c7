// The designer's side inside the programs that host the plug-in
// (vantiro-host, vantiro-host-recording, vantiro-host.exe), which link no
// HTTP library: `--serve` starts the designer program installed beside
// them, and `--designer-run` is one run of a script for it, in a child
// process of the designer.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "testhost/core/host_platform.h"

namespace vantiro::testhost::designer {

inline constexpr const char* kRunOption = "--designer-run";

// The designer's program, beside the host program ("vantiro-designer",
// "vantiro-designer.exe").
extern const char* const kDesignerProgram;

// `--serve [PORT] [--codepage N]`: runs the designer program beside this
// one with these arguments and this program for its runs, and returns its
// exit status; 2 with a message on `err` when it cannot be started.
int LaunchDesigner(const std::vector<std::string>& args, const HostPlatform& platform,
                   std::ostream& err);

// The child: `--designer-run OUT WORK ROOT SECONDS FILEBYTES MEMORYBYTES
// CODEPAGE [CHART FORMAT]`. Reads OUT/script.vsc (UTF-8), runs it with the
// plug-in of `platform` in WORK, where the script's files are written, and
// writes OUT/result.json, the snapshots of the charts it drew and the
// export, which the script cannot touch. Files it reads come from ROOT.
int RunChild(const std::vector<std::string>& args, const HostPlatform& platform);

}  // namespace vantiro::testhost::designer
