// Texts a plug-in gives, printed by the test host between double quotes: quotes and backslashes are escaped and
// control bytes written as \xNN, so that every name reads on one line whatever bytes it holds.
#pragma once

#include <string>

namespace host {

std::string Quote(const std::string& text);

} // namespace host
