#include "platform/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"

namespace korvel {

bool GetFileInfo(const std::string& path, TFileInfo& info) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    info.IsDirectory = S_ISDIR(st.st_mode);
    info.Size = info.IsDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
    info.ModTime = st.st_mtim;
    info.Mode = st.st_mode & 07777;
    info.IsSpecial = !info.IsDirectory && !S_ISREG(st.st_mode);
    info.Attributes = info.IsDirectory ? faDirectory : faArchive;
    if (!(st.st_mode & S_IWUSR))
        info.Attributes |= faReadOnly;
    return true;
}

bool ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 1 && IsPathSeparator(dir.back()))
        dir.pop_back();
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(dir.substr(0, slash)))
        return false;
    if (::mkdir(dir.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && DirectoryExists(dir);
}

bool DeleteFileAt(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

unsigned NewFileMode(bool executable) {
    // umask can only be read by setting it; the program sets it nowhere else.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return (executable ? 0777u : 0666u) & ~static_cast<unsigned>(mask);
}

bool SetFileModTime(const std::string& path, const timespec& modTime) {
    const timespec times[2] = {{0, UTIME_OMIT}, modTime};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool ClearArchiveAttribute(const std::string& /*path*/) {
    return true;
}

std::string ShortPathName(const std::string& path) {
    return path;
}

} // namespace korvel
