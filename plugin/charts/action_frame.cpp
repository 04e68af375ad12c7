// The shared result frame and field decoding of the chart actions.
#include "plugin/charts/action_frame.h"

#include <optional>

#include "plugin/host/host_state.h"
#include "plugin/params/params.h"
#include "plugin/platform/platform.h"

namespace vantiro::charts {
namespace {

std::optional<Message> MessageFor(std::span<const CodeMessage> codes, std::int32_t result) {
  for (const CodeMessage& entry : codes) {
    if (entry.code == result) return entry.message;
  }
  return std::nullopt;
}

}  // namespace

void FinishAction(const ResultFrame& frame, std::int32_t controlId, std::int32_t result) {
  if (result == engine_codes::kOk) {
    host::SetStatusText(MessageText(Message::kOk));
  } else if (frame.anyFailureIsError) {
    host::SetStatusText(MessageText(Message::kError));
  } else if (const std::optional<Message> message = MessageFor(frame.codes, result)) {
    host::SetStatusText(MessageText(*message));
  } else if (host::StatusText() == MessageText(Message::kOk)) {
    host::SetStatusText(MessageText(Message::kError));
  }
  if (result != engine_codes::kOk && frame.deletesOnFailure) {
    RMC_DELETECHART(controlId);
  }
  host::SetStatusVariable(frame.statusVariable, host::StatusText());
}

void ReportMessage(const ResultFrame& frame, Message message) {
  host::SetStatusText(MessageText(message));
  host::SetStatusVariable(frame.statusVariable, host::StatusText());
}

DecodedFields::~DecodedFields() {
  for (Slot& slot : slots_) platform::FreeArray(slot.owned);
}

bool DecodedFields::Decode(std::span<const Field> fields, std::string_view parameters) {
  std::size_t textUsed = 0;
  for (std::size_t index = 0; index < fields.size() && index < kMaxFields; ++index) {
    const std::size_t number = index + 1;
    Slot& slot = slots_[number];
    const std::string_view field =
        params::GetField(parameters, "|", static_cast<std::int32_t>(number));
    switch (const Field kind = fields[index]) {
      case Field::kInteger: slot.integer = params::ToInt32(params::ParseNumber(field)); break;
      case Field::kColour: slot.colour = RGB2ARGB(params::ColourPattern(field), 0); break;
      case Field::kText100:
      case Field::kText256:
      case Field::kText1000: {
        const std::size_t size = TextBufferSize(kind);
        if (textUsed + size > texts_.size()) break;  // ruled out by FitsDecoding
        char* buffer = texts_.data() + textUsed;
        textUsed += size;
        params::CopyToBuffer(field, buffer, size);
        slot.text = buffer;
        break;
      }
      case Field::kValueList:
      case Field::kColourList:
        if (!DecodeList(slot, kind, field)) return false;
        break;
    }
  }
  return true;
}

bool DecodedFields::DecodeList(Slot& slot, Field kind, std::string_view field) {
  if (kind == Field::kColourList && field == "0") {
    slot.items = &noColour_;
    slot.count = 0;
    return true;
  }
  const std::int32_t count = params::CountFields(field, ",");
  const auto items = static_cast<std::size_t>(count);
  const std::size_t size = kind == Field::kValueList ? sizeof(double) : sizeof(RmcColour);
  slot.owned = platform::AllocateZeroedArray(items, size);
  if (slot.owned == nullptr) return false;
  slot.items = slot.owned;
  slot.count = count;
  if (kind == Field::kValueList) {
    params::DecodeValueList(field, {static_cast<double*>(slot.owned), items});
  } else {
    // Every colour through the engine's RGB2ARGB, item 1 first.
    const std::span<RmcColour> colours{static_cast<RmcColour*>(slot.owned), items};
    params::ColourPatternList(field, colours);
    for (RmcColour& colour : colours) colour = RGB2ARGB(colour, 0);
  }
  return true;
}

void RunAction(const ActionDefinition& action, std::string_view parameters) {
  DecodedFields fields;
  const bool decoded = fields.Decode(action.fields, parameters);
  const std::int32_t result = decoded ? action.call(fields) : engine_codes::kOutOfMemory;
  FinishAction(action.frame, fields.Integer(action.controlIdField), result);
}

}  // namespace vantiro::charts
