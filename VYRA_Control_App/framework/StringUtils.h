#pragma once

#include <string>

namespace Ulmar {

// UTF-8 aware: letters beyond ASCII are folded too ("Élan" -> "élan"). Invalid UTF-8 is returned as is.
std::string ToLowercase(const std::string& utf8);
// Case-insensitive comparison of UTF-8 texts: <0, 0 or >0.
int StringCaseCompare(const std::string& a, const std::string& b);

} // namespace Ulmar
