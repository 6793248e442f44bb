#include "platform/path.h"

namespace korvel {

bool IsPathSeparator(char c) {
    return c == '/';
}

std::string WithTrailingSeparator(const std::string& directory) {
    if (directory.empty() || IsPathSeparator(directory.back()))
        return directory;
    return directory + "/";
}

std::string WithoutTrailingSeparator(const std::string& directory) {
    if (!directory.empty() && IsPathSeparator(directory.back()))
        return directory.substr(0, directory.size() - 1);
    return directory;
}

std::string DirectoryPart(const std::string& path) {
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string FileNamePart(const std::string& path) {
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string MirrorRelativePath(std::string relative) {
    return relative;
}

} // namespace korvel
