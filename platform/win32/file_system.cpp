#include "platform/file_system.h"

#include "platform/path.h"
#include "platform/win32/wide.h"

namespace korvel {

bool GetFileInfo(const std::string& path, TFileInfo& info) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !::GetFileAttributesExW(win32::Widen(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    info.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.Size = info.IsDirectory ? 0 : (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    info.ModTime = win32::ToTimespec(data.ftLastWriteTime);
    const bool readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.Mode = (readOnly ? 0444u : 0666u) | (info.IsDirectory ? 0111u : 0u);
    info.Attributes = data.dwFileAttributes & (faReadOnly | faHidden | faSysFile | faDirectory | faArchive);
    info.IsSpecial = false;
    return true;
}

bool ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 1 && IsPathSeparator(dir.back()) && !(dir.size() == 3 && dir[1] == ':'))
        dir.pop_back();
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    const auto slash = dir.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(dir.substr(0, slash + 1)))
        return false;
    if (::CreateDirectoryW(win32::Widen(dir).c_str(), nullptr))
        return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(dir);
}

bool DeleteFileAt(const std::string& path) {
    return ::DeleteFileW(win32::Widen(path).c_str()) != 0;
}

// Windows has no creation mask: access is the directory's inherited list.
unsigned NewFileMode(bool executable) {
    return executable ? 0777u : 0666u;
}

bool SetFileModTime(const std::string& path, const timespec& modTime) {
    win32::THandle file(::CreateFileW(win32::Widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return false;
    const FILETIME ft = win32::ToFileTime(modTime);
    return ::SetFileTime(file.Get(), nullptr, nullptr, &ft) != 0;
}

bool ClearArchiveAttribute(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_ARCHIVE))
        return true;
    return ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_ARCHIVE) != 0;
}

std::string ShortPathName(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    const DWORD n = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (n == 0)
        return path;
    std::wstring buffer(n, L'\0');
    const DWORD done = ::GetShortPathNameW(wide.c_str(), buffer.data(), n);
    if (done == 0 || done >= n)
        return path;
    buffer.resize(done);
    return win32::Narrow(buffer);
}

} // namespace korvel
