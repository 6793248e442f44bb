#pragma once
// The common root directory of the selected files.

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Number of leading characters that every path shares as its common root
// directory, separator included; 0 when they share none. Letters A to Z compare
// without regard to case (only the length is computed; callers take the characters
// from the paths). `separators` lists the characters that end a directory: "/" for
// the paths the scans build on POSIX (where "\" may be part of a name), "/\\" for
// paths spelt the Windows way.
int CommonRootLength(const std::vector<std::string>& paths, std::string_view separators = "/\\");

} // namespace korvel
