#pragma once
#include <string>

#include "platform/path.h"

namespace korvel {

// Full path of the running executable.
std::string ExecutablePath();

// Directory part of ExecutablePath(), up to and including the last separator.
// A portable copy keeps its data and its stores there (platform/program_dirs.h).
std::string ExecutableDir();

} // namespace korvel
