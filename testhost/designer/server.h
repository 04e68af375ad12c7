// The designer's HTTP server: the page, and the API it calls to run a
// script, export its charts, and open and save files in the server's folder.
// It listens on 127.0.0.1 alone on its port, answers only requests
// addressed to itself from its own page, and every API call must carry the
// session token it printed (`Authorization: token T`).
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "testhost/designer/run.h"

namespace vantiro::testhost::designer {

struct ServerOptions {
  std::filesystem::path root;  // the folder served; canonical
  std::string childProgram;    // runs each script (--designer-run)
  int port = 0;                // 0: any free port
  RunLimits limits;
  int parallelRuns = 2;
  std::string token;              // the session token; empty: a random one
  std::filesystem::path scratch;  // where run folders go; empty: a folder of
                                  // its own under the system's temporary folder
  bool svgFiles = true;           // the engine writes SVG files (not on Windows)
  int requestSeconds = 10;        // to read a request's header, and its body
};

class DesignerServer {
 public:
  explicit DesignerServer(ServerOptions options);
  ~DesignerServer();  // removes its scratch folder
  DesignerServer(const DesignerServer&) = delete;
  DesignerServer& operator=(const DesignerServer&) = delete;

  // Binds 127.0.0.1 and the port, which no other socket may share; the port
  // bound, or -1 with `error` set ("port 8470 is in use").
  int Bind(std::string& error);
  // Answers requests until Stop.
  void Listen();
  void Stop();

  const std::string& token() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// `vantiro-designer [--host PROGRAM] [PORT] [--codepage N]`: serves the
// working folder until SIGINT or SIGTERM, running scripts with PROGRAM
// (default: vantiro-host beside this program). Exit status 2 for a bad
// argument or a port in use.
int Serve(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vantiro::testhost::designer
