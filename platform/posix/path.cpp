#include "platform/path.h"

namespace korvel {

bool IsPathSeparator(char c) {
    return c == '/';
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
