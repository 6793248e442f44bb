#include "platform/path.h"

#include <cctype>

namespace korvel {

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

std::string WithTrailingSeparator(const std::string& directory) {
    if (directory.empty() || IsPathSeparator(directory.back()))
        return directory;
    return directory + "\\";
}

std::string WithoutTrailingSeparator(const std::string& directory) {
    if (!directory.empty() && IsPathSeparator(directory.back()))
        return directory.substr(0, directory.size() - 1);
    return directory;
}

namespace {
// The end of the directory part: after the last separator, or after the colon of a
// bare drive ("C:name" is "name" in drive C's current directory).
std::size_t DirectoryEnd(const std::string& path) {
    const auto pos = path.find_last_of("\\/");
    if (pos != std::string::npos)
        return pos + 1;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        return 2;
    return 0;
}
} // namespace

std::string DirectoryPart(const std::string& path) {
    return path.substr(0, DirectoryEnd(path));
}

std::string FileNamePart(const std::string& path) {
    return path.substr(DirectoryEnd(path));
}

std::string MirrorRelativePath(std::string relative) {
    if (relative.size() >= 2 && relative[1] == ':' && std::isalpha(static_cast<unsigned char>(relative[0])))
        relative[1] = '_';
    return relative;
}

} // namespace korvel
