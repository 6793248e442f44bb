#pragma once
#include <string>

namespace korvel {

// Full path of the running executable.
std::string ExecutablePath();

// Directory part of ExecutablePath(), up to and including the last separator.
// The stores and the self-extractor stub live there.
std::string ExecutableDir();

// Directory part of a path, up to and including its last "/", "\" or ":"; empty when there is none.
std::string DirectoryPart(const std::string& path);

// Everything after the last "/", "\" or ":".
std::string FileNamePart(const std::string& path);

} // namespace korvel
