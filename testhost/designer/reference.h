// The action reference the designer shows: for each action its fields, in
// order, with the kind the plug-in reads them as (from its own catalogue),
// their meaning, and the choices of fields that take a few values.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace vantiro::testhost::designer {

// What the engine does with a field that names a file.
enum class FileUse : std::uint8_t { kNone, kReads, kWrites };

struct FieldReference {
  std::string name;     // as in the usage line ("BGColor")
  std::string kind;     // integer, colour, wincolour, text, values, colours
  int size = 0;         // text fields: the characters kept
  std::string meaning;  // one sentence
  std::vector<std::pair<std::string, std::string>> choices;  // value, meaning
  FileUse file = FileUse::kNone;
};

struct ActionReference {
  std::string name;
  std::int32_t actionId = 0;
  std::string title;
  std::vector<FieldReference> fields;  // empty: the action reads no fields
};

// Every action of the catalogue, in its order.
const std::vector<ActionReference>& Actions();
const ActionReference* FindActionReference(std::string_view name);
const ActionReference* FindActionReference(std::int32_t actionId);

// What the plug-in reads from `field` for this kind: an integer rounded as
// the plug-in rounds it, a colour as "#RRGGBB", a text as cut to its size,
// a list as its count of items.
nlohmann::json ReadValue(const FieldReference& field, std::string_view text);

// The reference as the page takes it.
nlohmann::json ReferenceJson();

}  // namespace vantiro::testhost::designer
