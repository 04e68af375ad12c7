// The host side of the plug-in interface.
#include "testhost/core/host.h"

namespace vantiro::testhost {

namespace {

Host* g_currentHost = nullptr;  // receiver of the context-free callbacks

std::optional<std::string> CopyText(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

}  // namespace

Host::Host(const EntryPoints& plugin) : plugin_(plugin) { g_currentHost = this; }

Host::~Host() {
  if (g_currentHost == this) g_currentHost = nullptr;
}

std::int32_t VANTIRO_STDCALL Host::OnAddAction(std::int32_t actionId, const char* name,
                                               const char* hint, const char* typeText,
                                               std::uint32_t paramCount,
                                               std::uint32_t paramCount2) {
  if (g_currentHost == nullptr) return 0;
  // The plug-in releases its copies when this returns: keep our own.
  CatalogueRow row;
  row.actionId = actionId;
  row.name = name != nullptr ? name : "";
  row.hint = CopyText(hint);
  row.typeText = typeText != nullptr ? typeText : "";
  row.paramCount = paramCount;
  row.paramCount2 = paramCount2;
  g_currentHost->catalogue_.push_back(std::move(row));
  return 1;
}

std::int32_t VANTIRO_STDCALL Host::OnSetVariable(const char* name, const char* value) {
  if (g_currentHost == nullptr) return 0;
  Host& host = *g_currentHost;
  VariableSet set{name != nullptr ? name : "", CopyText(value)};
  host.variables_[set.name] = set.value.value_or(std::string());
  (host.recording_ != nullptr ? *host.recording_ : host.stray_).push_back(std::move(set));
  return 1;
}

void Host::Register() {
  catalogue_.clear();
  g_currentHost = this;
  plugin_.registerPlugIn(&Host::OnAddAction, nullptr, nullptr, &Host::OnSetVariable);
}

PluginInfo Host::Init() {
  char* title = nullptr;
  char* publisher = nullptr;
  char* hint = nullptr;
  plugin_.initPlugIn(0, &title, &publisher, &hint);
  PluginInfo info{CopyText(title), CopyText(publisher), CopyText(hint)};
  for (char* text : {title, publisher, hint}) {
    if (text != nullptr) plugin_.releaseInitText(text);
  }
  return info;
}

const CatalogueRow* Host::FindAction(std::string_view name) const {
  for (const CatalogueRow& row : catalogue_) {
    if (row.actionId != 0 && row.name == name) return &row;
  }
  return nullptr;
}

ActionResult Host::Execute(std::int32_t actionId, const std::optional<std::string>& text) {
  return Execute(actionId, text.has_value() ? text->c_str() : nullptr);
}

ActionResult Host::Execute(std::int32_t actionId, const char* text) {
  ActionResult result;
  result.actionId = actionId;
  if (text != nullptr) result.parameters = text;
  const char* params[1] = {text};
  g_currentHost = this;
  recording_ = &result.variablesSet;
  result.returned = plugin_.execAction(actionId, params);
  recording_ = nullptr;
  return result;
}

std::optional<ActionResult> Host::Execute(std::string_view name,
                                          const std::optional<std::string>& text) {
  const CatalogueRow* row = FindAction(name);
  if (row == nullptr) return std::nullopt;
  return Execute(row->actionId, text);
}

void Host::SetVariable(const std::string& name, std::string value) {
  variables_[name] = std::move(value);
}

std::string Host::Variable(const std::string& name) const {
  auto found = variables_.find(name);
  return found == variables_.end() ? std::string() : found->second;
}

bool Host::HasVariable(const std::string& name) const {
  return variables_.find(name) != variables_.end();
}

}  // namespace vantiro::testhost
