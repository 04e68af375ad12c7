// The facts the test host, its checker and the designer read of each
// action, taken from the plug-in's own catalogue rows at compile time (so
// that the handlers the rows name are never linked in): its name and
// ActionId, its fields with their kinds, notes and the files they name, its
// status variable, the field of its control ID, and whether a failure
// deletes the chart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/charts/action_frame.h"
#include "plugin/host/action_catalogue.h"

namespace vantiro::testhost {

using charts::Field;
using host::FieldUse;

struct FieldFacts {
  std::string_view name;     // as in the usage line ("BGColor")
  Field kind;                // as the plug-in decodes it (kInteger when it does not)
  std::size_t textSize = 0;  // text fields: the characters kept
  std::string_view meaning;
  std::string_view choices;  // "value=meaning;..."; empty: any value
  FieldUse use = FieldUse::kPlain;
};

struct ActionFacts {
  std::int32_t actionId = 0;
  std::string_view name;
  std::string_view title;           // first line of the hint, in code page 1251
  std::string_view usage;           // "id|Region|...": the fields' names
  std::string_view statusVariable;  // empty: the action reports none
  std::int32_t controlIdField = 0;  // 0: none
  bool deletesOnFailure = false;
  bool decoded = false;            // the plug-in decodes the fields (else the
                                   // handler reads the text itself)
  std::vector<FieldFacts> fields;  // one per usage field
};

// Every action of the catalogue, in its order.
const std::vector<ActionFacts>& AllActionFacts();
const ActionFacts* FindActionFacts(std::string_view name);
const ActionFacts* FindActionFacts(std::int32_t actionId);

// The items of `text` between single `delimiter` characters, as
// params::GetField numbers them from 1 (the text ends at a NUL), in one pass.
std::vector<std::string_view> SplitFields(std::string_view text, char delimiter);

}  // namespace vantiro::testhost
