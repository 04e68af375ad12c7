// A stand-in plug-in with the entry points of chart.dll: a small catalogue
// and actions that set variables from their text, so the host can be
// tested without the real plug-in.
#pragma once

#include <string>
#include <vector>

#include "testhost/core/plugin_module.h"

namespace vantiro::testhost::fake {

// Catalogue: heading "Tools" (0), fake_Remember (1, sets nothing),
// fake_Echo (2, sets fake_EchoStatus to its text, null when empty),
// fake_Twice (3, sets A = "Ok" and B = its text), and a heading whose name
// and hint are code page 1251 bytes.
EntryPoints Plugin();

struct Record {
  int execCalls = 0;
  std::vector<bool> paramWasNull;   // per nbExecAction call
  std::vector<std::string> params;  // element 0 as the plug-in read it
  std::string remembered;           // text of the last fake_Remember
  int registerCalls = 0;
  std::vector<char*> handedOver;  // blocks of nbInitPlugIn
  std::vector<char*> released;    // blocks given to releaseInitText
};
Record& Calls();
void Reset();

// Calls the SetVariableCallback outside any action.
void SetVariableNow(const char* name, const char* value);

}  // namespace vantiro::testhost::fake
