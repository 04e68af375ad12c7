// The designer's commands.
#include "testhost/designer/designer.h"

#include "testhost/designer/run.h"
#include "testhost/designer/server.h"

namespace vantiro::testhost::designer {

bool IsDesignerCommand(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "--serve" || args[0] == kRunOption);
}

int RunDesignerCommand(const std::vector<std::string>& args, const CliPlatform& platform,
                       std::ostream& out, std::ostream& err) {
  if (args[0] == kRunOption) return RunChild(args, platform);
  return Serve(args, platform, out, err);
}

}  // namespace vantiro::testhost::designer
