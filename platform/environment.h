#pragma once
// Environment variables in texts read from the system.

#include <string>

namespace korvel {

// Replaces every %NAME% by the variable's value; references to variables that are
// not set stay as they are, as Windows leaves them.
std::string ExpandEnvironmentStrings(const std::string& text);

} // namespace korvel
