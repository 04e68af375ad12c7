// The designer's HTTP server: the page, and the API it calls to run a
// script, export its charts, and open and save files in the server's folder.
// It answers only requests addressed to itself on the loopback interface
// from its own page.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "testhost/designer/run.h"

namespace vantiro::testhost::designer {

struct ServerOptions {
  std::filesystem::path root;  // the folder served; canonical
  std::string childProgram;    // runs each script (--designer-run)
  int port = 0;                // 0: any free port
  RunLimits limits;
  int parallelRuns = 2;
};

class DesignerServer {
 public:
  explicit DesignerServer(ServerOptions options);
  ~DesignerServer();
  DesignerServer(const DesignerServer&) = delete;
  DesignerServer& operator=(const DesignerServer&) = delete;

  // Binds 127.0.0.1 and the port; the port bound, or -1.
  int Bind();
  // Answers requests until Stop.
  void Listen();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// `--serve [PORT] [--codepage N]` on the command line: serves the working
// folder until SIGINT or SIGTERM. `platform` tells which code pages there are.
int Serve(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
          std::ostream& err);

}  // namespace vantiro::testhost::designer
