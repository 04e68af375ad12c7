// Building the hints and registering the catalogue with the host.
#include "plugin/host/action_catalogue.h"

namespace vantiro::host {

std::optional<std::string> Hint(const CatalogueRow& row) {
  if (row.title == nullptr) return std::nullopt;
  std::string hint = row.title;
  if (row.fields == nullptr) return hint;
  hint += "\r\n";
  hint += row.usageName != nullptr ? row.usageName : row.name;
  if (row.blankBeforeQuote) hint += ' ';
  hint += '"';
  hint += row.fields;
  hint += '"';
  return hint;
}

const char* TypeText(const CatalogueRow& row) {
  return row.actionId == 0 ? "ACTIONPARAM_NONE" : "ACTIONPARAM_ALPHA";
}

std::uint32_t ParameterCount(const CatalogueRow& row) { return row.actionId == 0 ? 0 : 1; }

void RegisterActions(AddActionCallback addAction) {
  if (addAction == nullptr) return;
  for (const CatalogueRow& row : ActionCatalogue) {
    // The host gets copies that live only for the call.
    const std::string name = row.name;
    const std::optional<std::string> hint = Hint(row);
    const std::string typeText = TypeText(row);
    const std::uint32_t count = ParameterCount(row);
    addAction(row.actionId, name.c_str(), hint ? hint->c_str() : nullptr, typeText.c_str(), count,
              count);
  }
}

}  // namespace vantiro::host
