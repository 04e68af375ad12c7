#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {

void PrintTo(const Variable& variable, std::ostream* out) {
  *out << variable.name << " = ";
  if (variable.value) {
    *out << '"' << *variable.value << '"';
  } else {
    *out << "null";
  }
}

HostLog& Host() {
  static HostLog log;
  return log;
}

std::int32_t VANTIRO_STDCALL RecordAddAction(std::int32_t actionId, const char* name,
                                             const char* hint, const char* typeText,
                                             std::uint32_t count, std::uint32_t count2) {
  Host().registrations.push_back({actionId, name != nullptr ? name : "(null)",
                                  hint != nullptr ? std::optional<std::string>(hint) : std::nullopt,
                                  typeText != nullptr ? typeText : "(null)", count, count2});
  return 1;
}

std::int32_t VANTIRO_STDCALL RecordSetVariable(const char* name, const char* value) {
  Host().variables.push_back({name != nullptr ? name : "(null)",
                              value != nullptr ? std::optional<std::string>(value) : std::nullopt});
  return 1;
}

}  // namespace vantiro::plugin_tests
