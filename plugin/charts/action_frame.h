// The action result frame that every chart action shares: decode the fields
// of the parameter text, make one chart engine call, turn its result into
// StatusText, delete the chart after a failed creation or content call, and
// report StatusText in the action's status variable.
//
// An action is a table (ActionDefinition): its field kinds in field order, the
// engine call made from the decoded fields, and its result frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "abi/rmchart.h"
#include "plugin/charts/messages.h"

namespace vantiro::charts {

// --- Result frame -------------------------------------------------------------

struct CodeMessage {
  std::int32_t code;
  Message message;
};

struct ResultFrame {
  const char* statusVariable;
  std::span<const CodeMessage> codes;  // compared in order; the first equal one wins
  bool anyFailureIsError;              // every non-zero result reads "Error"
  bool deletesOnFailure;               // RMC_DELETECHART(control ID) after a non-zero result
};

// Result 0 stores "Ok"; another result stores the message of its first equal
// code. A result without a message of its own leaves StatusText as it is,
// except that a leftover "Ok" becomes "Error": a failure is never reported
// as success. Then the deletion where the frame asks for it, then exactly
// one status report.
void FinishAction(const ResultFrame& frame, std::int32_t controlId, std::int32_t result);

// Stores `message` and reports it, for outcomes without an engine call.
void ReportMessage(const ResultFrame& frame, Message message);

// --- Field decoding ---------------------------------------------------------

enum class Field : std::uint8_t {
  kInteger,     // ParseNumber, then ToInt32
  kColour,      // ColourPattern, through the engine's RGB2ARGB
  kText100,     // zero-terminated copy, at most 99 characters
  kText256,     // at most 255 characters
  kText1000,    // at most 999 characters
  kValueList,   // ","-separated data values, as doubles
  kColourList,  // ","-separated colours, or exactly "0" for none
};

inline constexpr std::size_t kMaxFields = 15;
inline constexpr std::size_t kTextSpace = 1024;

constexpr std::size_t TextBufferSize(Field field) {
  switch (field) {
    case Field::kText100: return 100;
    case Field::kText256: return 256;
    case Field::kText1000: return 1000;
    default: return 0;
  }
}

// Whether an action's field table fits the decoding space.
constexpr bool FitsDecoding(std::span<const Field> fields) {
  std::size_t text = 0;
  for (const Field field : fields) text += TextBufferSize(field);
  return fields.size() <= kMaxFields && text <= kTextSpace;
}

// The decoded fields of one action, numbered from 1 like the fields. It owns
// the text buffers and list arrays whose addresses go to the engine.
class DecodedFields {
 public:
  DecodedFields() = default;
  DecodedFields(const DecodedFields&) = delete;
  DecodedFields& operator=(const DecodedFields&) = delete;
  ~DecodedFields();

  // Decodes the fields of `parameters` in ascending order. False when a list
  // array could not be allocated; decoding stops at that field.
  bool Decode(std::span<const Field> fields, std::string_view parameters);

  std::int32_t Integer(std::size_t field) const { return slots_[field].integer; }
  std::int32_t* IntegerAddress(std::size_t field) { return &slots_[field].integer; }
  RmcColour Colour(std::size_t field) const { return slots_[field].colour; }
  const char* Text(std::size_t field) const { return slots_[field].text; }
  const double* Values(std::size_t field) const {
    return static_cast<const double*>(slots_[field].items);
  }
  const RmcColour* Colours(std::size_t field) const {
    return static_cast<const RmcColour*>(slots_[field].items);
  }
  std::int32_t Count(std::size_t field) const { return slots_[field].count; }

 private:
  struct Slot {
    std::int32_t integer = 0;
    RmcColour colour = 0;
    const char* text = "";
    const void* items = nullptr;  // list handed to the engine
    void* owned = nullptr;        // array to release
    std::int32_t count = 0;
  };
  bool DecodeList(Slot& slot, Field kind, std::string_view field);

  std::array<Slot, kMaxFields + 1> slots_{};
  std::array<char, kTextSpace> texts_{};
  RmcColour noColour_ = 0;  // what an empty colour list points at
};

// --- Actions ------------------------------------------------------------------

struct ActionDefinition {
  std::span<const Field> fields;
  std::size_t controlIdField;  // 2 for the creation actions, else 1
  std::int32_t (*call)(DecodedFields& fields);
  ResultFrame frame;
};

// Decodes, calls, and finishes through the frame. When a list cannot be
// allocated the engine is not called and the frame runs as for the engine's
// out-of-memory code.
void RunAction(const ActionDefinition& action, std::string_view parameters);

}  // namespace vantiro::charts
