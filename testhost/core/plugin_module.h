// The plug-in as the test host sees it: its seven entry points, bound either
// to chart.dll loaded at run time (Windows) or to the linked plug-in (native).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin/host/entry_points.h"

namespace vantiro::testhost {

// The seven entry points, plus the way to release the texts that
// nbInitPlugIn hands over (they belong to the host once handed over).
struct EntryPoints {
  decltype(&::nbRegisterPlugIn) registerPlugIn = nullptr;
  decltype(&::nbInitPlugIn) initPlugIn = nullptr;
  decltype(&::nbExecAction) execAction = nullptr;
  decltype(&::nbEditAction) editAction = nullptr;
  decltype(&::nbMessage) message = nullptr;
  decltype(&::nbRegisterScriptProcessor) registerScriptProcessor = nullptr;
  decltype(&::nbRegisterInterfaceAccess) registerInterfaceAccess = nullptr;
  // GlobalFree on Windows; natively the plug-in's stand-in for it.
  void (*releaseInitText)(char* text) = nullptr;
};

// The names under which chart.dll exports the entry points, in the order of
// the members of EntryPoints. The host looks up exactly these names.
inline constexpr std::array<const char*, 7> kExportNames = {
    "_nbRegisterPlugIn@16",
    "_nbInitPlugIn@16",
    "_nbExecAction@8",
    "_nbEditAction@8",
    "_nbMessage@8",
    "_nbRegisterScriptProcessor@4",
    "_nbRegisterInterfaceAccess@4",
};

// A loaded plug-in. Windows: chart.dll, unloaded when this is destroyed.
// Native: the plug-in linked into the program.
class PluginModule {
 public:
  // Windows: loads the DLL at `path` (its own folder is searched for its
  // rmchart.dll) and looks up every export; a missing one is an error.
  // Native: `path` must be empty. Null on failure, with `error` set.
  static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);

  // A plug-in given by its entry points, e.g. a stand-in in tests.
  static std::unique_ptr<PluginModule> Bind(const EntryPoints& entry) {
    std::unique_ptr<PluginModule> module(new PluginModule());
    module->entry_ = entry;
    return module;
  }

  ~PluginModule() {
    if (unload_ != nullptr) unload_(handle_);
  }
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const EntryPoints& entryPoints() const { return entry_; }

 private:
  PluginModule() = default;

  void* handle_ = nullptr;                  // HMODULE on Windows
  void (*unload_)(void* handle) = nullptr;  // FreeLibrary on Windows
  EntryPoints entry_;
};

}  // namespace vantiro::testhost
