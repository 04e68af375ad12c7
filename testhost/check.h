// What a script asks of the plug-in that the plug-in would accept without a
// word and then read otherwise than the author meant: colours without "#"
// or too short, missing colour fields, decimal commas in value lists, texts
// cut to their field's buffer, undefined variables, missing picture and
// chart files, and more or fewer fields than an action takes. Nothing runs;
// the field kinds and buffer sizes are the plug-in's own catalogue.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testhost/script.h"

namespace vantiro::testhost {

struct Warning {
  std::string fileName;
  int lineNumber = 0;
  int field = 0;  // the field (from 1) the warning is about; 0: the whole line
  std::string text;

  std::string ToString() const;  // "file:line: warning: text"
};

struct CheckOptions {
  // Variables that hold a value before the first line (the host's own).
  std::vector<std::string> predefined = {"HostWindow"};
  // Whether the plug-in would find a file it opens by this name (relative
  // to the working directory); the default asks the file system.
  std::function<bool(const std::string& path)> fileExists;
};

// The warnings of `script`, in line order.
std::vector<Warning> CheckScript(const Script& script, const CheckOptions& options = {});

}  // namespace vantiro::testhost
