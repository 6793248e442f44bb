#pragma once
// The separator with which every directory path of a task ends.

#include <string>

namespace korvel {

#ifdef _WIN32
inline constexpr char kDirSeparator = '\\';
#else
inline constexpr char kDirSeparator = '/';
#endif

// A non-empty path gains the separator unless it already ends in one; on Windows
// either slash counts, elsewhere only "/" separates ("\" is part of a name there).
inline std::string WithDirSeparator(std::string path) {
    if (path.empty())
        return path;
    const char last = path.back();
#ifdef _WIN32
    if (last == '\\' || last == '/')
        return path;
#else
    if (last == '/')
        return path;
#endif
    path += kDirSeparator;
    return path;
}

} // namespace korvel
