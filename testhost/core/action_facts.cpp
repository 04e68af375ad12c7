// The catalogue rows without their handlers.
#include "testhost/core/action_facts.h"

#include <array>

namespace vantiro::testhost {

namespace {

namespace catalogue = ::vantiro::host;

struct Row {
  std::int32_t actionId;
  std::string_view name;
  std::string_view title;
  std::string_view usage;
  std::span<const Field> kinds;
  std::string_view statusVariable;
  std::int32_t controlIdField;
  bool deletesOnFailure;
  std::span<const catalogue::FieldNote> notes;
};

consteval std::array<Row, catalogue::ActionCatalogue.size()> MakeRows() {
  std::array<Row, catalogue::ActionCatalogue.size()> out{};
  for (std::size_t i = 0; i < out.size(); ++i) {
    const catalogue::CatalogueRow& row = catalogue::ActionCatalogue[i];
    out[i] = {row.actionId,
              row.name,
              row.title != nullptr ? row.title : "",
              row.fields != nullptr ? row.fields : "",
              row.fieldKinds,
              row.statusVariable != nullptr ? row.statusVariable : "",
              row.controlIdField,
              row.deletesOnFailure,
              row.fieldNotes};
  }
  return out;
}
constexpr auto kRows = MakeRows();

std::vector<ActionFacts> MakeFacts() {
  std::vector<ActionFacts> actions;
  for (const Row& row : kRows) {
    if (row.actionId == 0) continue;
    ActionFacts action;
    action.actionId = row.actionId;
    action.name = row.name;
    action.title = row.title;
    action.usage = row.usage;
    action.statusVariable = row.statusVariable;
    action.controlIdField = row.controlIdField;
    action.deletesOnFailure = row.deletesOnFailure;
    action.decoded = !row.kinds.empty();
    const std::vector<std::string_view> names =
        row.usage.empty() ? std::vector<std::string_view>{} : SplitFields(row.usage, '|');
    for (std::size_t i = 0; i < names.size(); ++i) {
      FieldFacts field;
      field.name = names[i];
      field.kind = i < row.kinds.size() ? row.kinds[i] : Field::kInteger;
      const std::size_t buffer = charts::TextBufferSize(field.kind);
      field.textSize = buffer > 0 ? buffer - 1 : 0;
      if (i < row.notes.size()) {
        const catalogue::FieldNote& note = row.notes[i];
        field.meaning = note.meaning != nullptr ? note.meaning : "";
        field.choices = note.choices != nullptr ? note.choices : "";
        field.use = note.use;
      }
      action.fields.push_back(field);
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

}  // namespace

const std::vector<ActionFacts>& AllActionFacts() {
  static const std::vector<ActionFacts> actions = MakeFacts();
  return actions;
}

const ActionFacts* FindActionFacts(std::string_view name) {
  for (const ActionFacts& action : AllActionFacts()) {
    if (action.name == name) return &action;
  }
  return nullptr;
}

const ActionFacts* FindActionFacts(std::int32_t actionId) {
  for (const ActionFacts& action : AllActionFacts()) {
    if (action.actionId == actionId) return &action;
  }
  return nullptr;
}

std::vector<std::string_view> SplitFields(std::string_view text, char delimiter) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(delimiter, start);
    if (at == std::string_view::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

}  // namespace vantiro::testhost
