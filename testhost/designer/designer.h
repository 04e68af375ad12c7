// The live chart designer of vantiro-host (native): `--serve [PORT]`, and
// the child runs the server starts for each script.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "testhost/cli.h"

namespace vantiro::testhost::designer {

// Whether the command line asks for the designer: --serve, or a child run.
bool IsDesignerCommand(const std::vector<std::string>& args);
int RunDesignerCommand(const std::vector<std::string>& args, const CliPlatform& platform,
                       std::ostream& out, std::ostream& err);

}  // namespace vantiro::testhost::designer
