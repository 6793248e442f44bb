#pragma once
#include <string>

#include "platform/path.h"

namespace korvel {

// Full path of the running executable.
std::string ExecutablePath();

// Directory part of ExecutablePath(), up to and including the last separator.
// The stores and the self-extractor stub live there.
std::string ExecutableDir();

} // namespace korvel
