// The action tables: a parameter text in, the exact engine calls out (every
// argument, RGB2ARGB included, as the recording engine writes them), then
// the value of the action's status variable. Shared by the native tests,
// which call the plug-in in-process, and the Windows tests, which load
// chart.dll next to the recording rmchart.dll.
//
// Every case runs on a fresh plug-in (StatusText unset) with RGB2ARGB
// scripted as value ^ kColourMask, so a colour that reaches the engine
// unconverted shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/rmchart.h"

namespace vantiro::plugin_tests {

inline constexpr std::uint32_t kColourMask = 0x01000000;

struct ActionCase {
  std::string label;
  std::int32_t actionId = 0;
  std::optional<std::string> parameters;  // nullopt: a null element 0
  std::int32_t engineResult = 0;          // scripted result of the action's call
  std::optional<std::string> preset;      // ae_SendVariable text run first
  std::vector<std::string> calls;         // every engine call, in order
  std::optional<std::string> status;      // nullopt: reported as a null pointer
};

// The engine function and status variable of each ActionId with a frame.
struct ActionInfo {
  std::int32_t actionId;
  const char* engineFunction;
  const char* statusVariable;
};
const ActionInfo& InfoOf(std::int32_t actionId);

// Decoding: every action with engine result 0.
std::vector<ActionCase> DecodingCases();

// Results: each listed code, unlisted codes with and without a leftover
// StatusText, deletion after failed creation and content calls.
std::vector<ActionCase> ResultCases();

// How a test reaches the plug-in and the recording engine.
class PluginDriver {
 public:
  virtual ~PluginDriver() = default;
  // A plug-in as right after loading, registered with the recording host
  // callbacks; an engine with no calls and the colour mask set.
  virtual void Fresh() = 0;
  virtual void PushResult(const std::string& function, std::int32_t result) = 0;
  virtual std::uint32_t Exec(std::int32_t actionId, const char* const* params) = 0;
  virtual std::vector<std::string> EngineCalls() = 0;
};

// Runs one case with GoogleTest expectations.
void RunCase(PluginDriver& driver, const ActionCase& c);

}  // namespace vantiro::plugin_tests
