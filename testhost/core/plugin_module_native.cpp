// Native binding of the plug-in: the entry points are linked into the
// program, and the texts of nbInitPlugIn come from the plug-in's native
// platform edge, which stands in for GlobalAlloc with calloc() and keeps
// count of the blocks it handed out; they go back through its GlobalFree.
#include "plugin/platform/platform.h"
#include "testhost/core/plugin_module.h"

namespace vantiro::testhost {

namespace {
void ReleaseWithGlobalFree(char* text) { platform::GlobalFreeBlock(text); }
}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
  if (!path.empty()) {
    error = "this host has the plug-in linked in; it loads no plug-in file (" + path + ")";
    return nullptr;
  }
  std::unique_ptr<PluginModule> module(new PluginModule());
  module->entry_.registerPlugIn = &::nbRegisterPlugIn;
  module->entry_.initPlugIn = &::nbInitPlugIn;
  module->entry_.execAction = &::nbExecAction;
  module->entry_.editAction = &::nbEditAction;
  module->entry_.message = &::nbMessage;
  module->entry_.registerScriptProcessor = &::nbRegisterScriptProcessor;
  module->entry_.registerInterfaceAccess = &::nbRegisterInterfaceAccess;
  module->entry_.releaseInitText = &ReleaseWithGlobalFree;
  return module;
}

}  // namespace vantiro::testhost
