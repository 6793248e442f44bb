#include "platform/file_system.h"

namespace korvel {

// Both systems answer through GetFileInfo, so a special file or an unreadable entry
// counts the same way everywhere.
bool FileExistsAt(const std::string& path) {
    TFileInfo info;
    return GetFileInfo(path, info) && !info.IsDirectory;
}

bool DirectoryExists(const std::string& path) {
    TFileInfo info;
    return GetFileInfo(path, info) && info.IsDirectory;
}

} // namespace korvel
