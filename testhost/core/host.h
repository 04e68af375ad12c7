// The authoring host as the plug-in meets it: the two callbacks, the host
// variables, the action catalogue it receives, and the calls that register,
// initialise and run the plug-in's actions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testhost/core/plugin_module.h"

namespace vantiro::testhost {

// One row received through AddActionCallback, copied out of the call.
struct CatalogueRow {
  std::int32_t actionId = 0;  // 0 for a group heading
  std::string name;
  std::optional<std::string> hint;  // null pointer: no hint
  std::string typeText;
  std::uint32_t paramCount = 0;
  std::uint32_t paramCount2 = 0;
};

// One SetVariableCallback call: name and value (nullopt for a null pointer).
struct VariableSet {
  std::string name;
  std::optional<std::string> value;
};

// The three texts of nbInitPlugIn (nullopt where the plug-in left 0).
struct PluginInfo {
  std::optional<std::string> title;
  std::optional<std::string> publisher;
  std::optional<std::string> hint;
};

// What one nbExecAction call did.
struct ActionResult {
  std::int32_t actionId = 0;
  std::uint32_t returned = 0;  // the raw 32-bit result of nbExecAction
  // The text passed (variables resolved), a view of the caller's text: valid
  // while that lives, as it does for the whole of a script line's run.
  std::string_view parameters;
  std::vector<VariableSet> variablesSet;
};

// The callbacks are plain function pointers without context, so the most
// recently constructed Host is the one that receives them; only one Host
// should exist at a time.
class Host {
 public:
  explicit Host(const EntryPoints& plugin);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // nbRegisterPlugIn with the two callbacks; the catalogue becomes the rows
  // received during this call, in order.
  void Register();
  // nbInitPlugIn; the texts are copied and their blocks released.
  PluginInfo Init();

  const std::vector<CatalogueRow>& catalogue() const { return catalogue_; }
  // The action row (ActionId not 0) of that exact name, or null.
  const CatalogueRow* FindAction(std::string_view name) const;

  // nbExecAction with element 0 of the parameter array pointing to `text`
  // (its bytes up to the first NUL reach the plug-in), or null for nullopt.
  ActionResult Execute(std::int32_t actionId, const std::optional<std::string>& text);
  // The same without a copy: element 0 is `text` itself (null for none).
  ActionResult Execute(std::int32_t actionId, const char* text);
  // Looks the name up in the catalogue; nullopt if it names no action.
  std::optional<ActionResult> Execute(std::string_view name,
                                      const std::optional<std::string>& text);

  // Host variables; a variable set to null holds the empty text.
  void SetVariable(const std::string& name, std::string value);
  std::string Variable(const std::string& name) const;
  bool HasVariable(const std::string& name) const;

  // SetVariableCallback calls made outside Execute (none are expected).
  const std::vector<VariableSet>& strayVariableSets() const { return stray_; }

 private:
  static std::int32_t VANTIRO_STDCALL OnAddAction(std::int32_t actionId, const char* name,
                                                  const char* hint, const char* typeText,
                                                  std::uint32_t paramCount,
                                                  std::uint32_t paramCount2);
  static std::int32_t VANTIRO_STDCALL OnSetVariable(const char* name, const char* value);

  EntryPoints plugin_;
  std::vector<CatalogueRow> catalogue_;
  std::map<std::string, std::string> variables_;
  std::vector<VariableSet>* recording_ = nullptr;  // sets of the running action
  std::vector<VariableSet> stray_;
};

}  // namespace vantiro::testhost
