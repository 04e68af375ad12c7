// The recording chart engine: the sixteen engine functions of
// abi/rmchart.h, each of which records its call with every
// argument (texts, lists and the integer behind a pointer copied during the
// call) and returns a result scripted in advance. Tests and the test host
// read the calls back, structured or as one line of text each:
//   RMC_ADDBARSERIES(1, 1, [10, 20.5, 30], 3, 0, 0, 0, 0xFE0000FF, 0, 0, 0, 0, 0)
//
// Text form of the arguments: signed and unsigned integers in decimal;
// colours as 0xAARRGGBB; doubles in their shortest exact form; texts quoted,
// bytes outside printable ASCII (and " and \) as \xHH, a null text as null;
// lists in brackets; an empty colour list as []->0x00000000, showing the
// element its pointer points at; an integer passed by address as &value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::recording {

struct Argument {
  enum class Kind : std::uint8_t {
    kInteger,   // signed 32-bit
    kUnsigned,  // window handle or device context
    kColour,
    kReal,
    kText,
    kValues,
    kColours,
    kAddress,  // a signed 32-bit integer passed by address
  };
  Kind kind = Kind::kInteger;
  std::int64_t integer = 0;            // kInteger, kUnsigned, kColour; kAddress: the value read
  double real = 0;                     // kReal
  std::optional<std::string> text;     // kText; empty for a null pointer
  std::vector<double> values;          // kValues
  std::vector<std::uint32_t> colours;  // kColours
  std::optional<std::uint32_t> head;   // kColours with a count of 0 or less: *pointer
  std::uintptr_t pointer = 0;          // kText, kValues, kColours, kAddress: the address

  std::string Text() const;
};

struct Call {
  std::string function;  // "RMC_DRAW", "RGB2ARGB", ...
  std::vector<Argument> arguments;
  std::int32_t result = 0;  // what the engine returned (RGB2ARGB: the colour)

  std::string Text() const;  // without the result
};

// Forgets every call and scripted result; RGB2ARGB returns its value again.
void Reset();

// Queues the result of the next call of `function` (later pushes answer
// later calls); a function without queued results returns 0.
void PushResult(std::string_view function, std::int32_t result);

// RGB2ARGB(value, alpha) returns value ^ mask; 0 (the default) is identity.
void SetColourMask(std::uint32_t mask);

const std::vector<Call>& Calls();
std::vector<std::string> CallTexts();

}  // namespace vantiro::recording
