// A readable listing of what the plug-in registered, for people: texts are
// decoded from code page 1251 to UTF-8 and hint lines are broken at CR LF.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "testhost/core/host.h"

namespace vantiro::testhost {

// Code page 1251 bytes as UTF-8 (the one unassigned byte, 0x98, as U+FFFD).
std::string Cp1251ToUtf8(std::string_view bytes);

// Title, publisher and hint, then each heading as a section title followed
// by its actions: ActionId, name, parameter declaration and hint lines.
void PrintCatalogue(const PluginInfo& info, const std::vector<CatalogueRow>& rows,
                    std::ostream& out);

}  // namespace vantiro::testhost
