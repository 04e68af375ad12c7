// The action reference the page shows, as JSON: for each action its fields,
// in order, with the kind the plug-in reads them as, their meaning and
// choices, all from the plug-in's catalogue rows (testhost/core/action_facts.h).
#pragma once

#include <nlohmann/json.hpp>

namespace vantiro::testhost::designer {

nlohmann::json ReferenceJson();

}  // namespace vantiro::testhost::designer
