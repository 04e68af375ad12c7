// A recording host for the plug-in tests: the two callbacks the plug-in
// calls, and what they received.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "abi/rmchart.h"

namespace vantiro::plugin_tests {

struct Registration {
  std::int32_t actionId;
  std::string name;
  std::optional<std::string> hint;  // nullopt: a null pointer
  std::string typeText;
  std::uint32_t count;
  std::uint32_t count2;
};

struct Variable {
  std::string name;
  std::optional<std::string> value;  // nullopt: a null pointer
  bool operator==(const Variable&) const = default;
};
void PrintTo(const Variable& variable, std::ostream* out);

struct HostLog {
  std::vector<Registration> registrations;
  std::vector<Variable> variables;
};

HostLog& Host();

std::int32_t VANTIRO_STDCALL RecordAddAction(std::int32_t actionId, const char* name,
                                             const char* hint, const char* typeText,
                                             std::uint32_t count, std::uint32_t count2);
std::int32_t VANTIRO_STDCALL RecordSetVariable(const char* name, const char* value);

}  // namespace vantiro::plugin_tests
