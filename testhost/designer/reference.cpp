// The designer's action reference, from the catalogue's facts.
#include "testhost/designer/reference.h"

#include "testhost/core/action_facts.h"
#include "text/code_page.h"

namespace vantiro::testhost::designer {

namespace {

std::string KindName(const FieldFacts& field) {
  if (field.use == FieldUse::kWindowsColour) return "wincolour";
  switch (field.kind) {
    case Field::kInteger: return "integer";
    case Field::kColour: return "colour";
    case Field::kText100:
    case Field::kText256:
    case Field::kText1000: return "text";
    case Field::kValueList: return "values";
    case Field::kColourList: return "colours";
  }
  return "text";
}

const char* FileUseName(FieldUse use) {
  switch (use) {
    case FieldUse::kReadsPicture:
    case FieldUse::kReadsChartFile: return "reads";
    case FieldUse::kWritesFile:
    case FieldUse::kWritesImage: return "writes";
    default: return "";
  }
}

nlohmann::json Choices(std::string_view text) {
  nlohmann::json out = nlohmann::json::array();
  if (text.empty()) return out;
  for (const std::string_view item : SplitFields(text, ';')) {
    const std::size_t equals = item.find('=');
    out.push_back({{"value", std::string(item.substr(0, equals))},
                   {"meaning", std::string(item.substr(equals + 1))}});
  }
  return out;
}

}  // namespace

nlohmann::json ReferenceJson() {
  nlohmann::json out = nlohmann::json::array();
  for (const ActionFacts& action : AllActionFacts()) {
    nlohmann::json fields = nlohmann::json::array();
    for (const FieldFacts& field : action.fields) {
      fields.push_back({{"name", std::string(field.name)},
                        {"kind", KindName(field)},
                        {"size", field.textSize},
                        {"meaning", std::string(field.meaning)},
                        {"choices", Choices(field.choices)},
                        {"file", FileUseName(field.use)}});
    }
    out.push_back({{"name", std::string(action.name)},
                   {"id", action.actionId},
                   {"title", text::ToUtf8(action.title, 1251)},  // the catalogue's Cyrillic
                   {"status", std::string(action.statusVariable)},
                   {"fields", fields}});
  }
  return out;
}

}  // namespace vantiro::testhost::designer
