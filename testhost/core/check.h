// What a script asks of the plug-in that the plug-in would accept without a
// word and then read otherwise than the author meant: colours without "#"
// or too short, missing colour fields, "#RRGGBB" where a Windows colour
// number is wanted, decimal commas in value lists, texts cut to their
// field's buffer, undefined variables, missing picture and chart files,
// image files of a format the engine does not write, legends with fewer
// entries than series, and more or fewer fields than an action takes.
// Nothing runs; the field kinds, notes and buffer sizes are the plug-in's
// own catalogue. Each warning says how to write it instead. Linear in the
// script's length.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testhost/core/script.h"

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
  // The extensions of the image files the engine writes, in lower case;
  // empty: the native engine's (.png .jpg .jpeg .bmp .svg .pdf).
  std::vector<std::string> imageExtensions;
};

// The warnings of `script`, in line order.
std::vector<Warning> CheckScript(const Script& script, const CheckOptions& options = {});

}  // namespace vantiro::testhost
