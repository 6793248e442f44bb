#include "platform/file_replace.h"

#include <fcntl.h>
#include <io.h>

#include <random>

#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/win32/temp_name.h"
#include "platform/win32/wide.h"

namespace korvel {

namespace {

TFileId IdOfHandle(HANDLE h) {
    TFileId id;
    BY_HANDLE_FILE_INFORMATION info;
    if (h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info)) {
        id.Device = info.dwVolumeSerialNumber;
        id.Inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        id.Valid = true;
    }
    return id;
}

// A read-only target cannot be replaced; only the new file's own mode matters.
void ApplyMode(const std::wstring& path, unsigned mode) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    const DWORD wanted =
        (mode & 0200) ? (attributes & ~FILE_ATTRIBUTE_READONLY) : (attributes | FILE_ATTRIBUTE_READONLY);
    if (wanted != attributes)
        ::SetFileAttributesW(path.c_str(), wanted);
}

} // namespace

namespace win32 {

HANDLE CreateNewTempFile(const std::string& dir, const std::string& prefix, const std::string& suffix,
                         std::string& path, DWORD& error) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 rng{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    const std::string base = WithTrailingSeparator(dir.empty() ? std::string(".") : dir) + prefix;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base;
        for (int i = 0; i < 6; ++i)
            name += kLetters[pick(rng)];
        name += suffix;
        // CREATE_NEW never opens an existing file or a planted link of that name.
        HANDLE h = ::CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            path = name;
            return h;
        }
        error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

bool MoveReplacing(const std::string& from, const std::string& to, std::string& error) {
    if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = ErrorText();
    return false;
}

} // namespace win32

std::string SystemTempDir() {
    wchar_t buf[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buf);
    std::string dir = n > 0 && n <= MAX_PATH + 1 ? win32::Narrow(buf, n) : std::string("C:\\Windows\\Temp");
    return WithTrailingSeparator(dir);
}

int CreateTempFile(const std::string& dir, const std::string& prefix, std::string& path, std::string& error,
                   const std::string& suffix) {
    DWORD code = 0;
    HANDLE h = win32::CreateNewTempFile(dir, prefix, suffix, path, code);
    if (h == INVALID_HANDLE_VALUE) {
        error = win32::ErrorText(code);
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        ::DeleteFileW(win32::Widen(path).c_str());
        error = "Cannot open the temporary file";
        return -1;
    }
    return fd;
}

TFileId FileIdOf(const std::string& path) {
    if (path.empty())
        return {};
    win32::THandle h(::CreateFileW(win32::Widen(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return IdOfHandle(h.Get());
}

TFileId FileIdOfDescriptor(int fd) {
    if (fd < 0)
        return {};
    return IdOfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)));
}

bool ReplaceFileSafely(const std::string& source, const std::string& target, unsigned mode,
                       std::string& error) {
    const std::wstring wideSource = win32::Widen(source);
    ApplyMode(wideSource, mode | 0200);
    // One volume: one rename replaces the target, and write-through makes it durable.
    if (::MoveFileExW(wideSource.c_str(), win32::Widen(target).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ApplyMode(win32::Widen(target), mode);
        return true;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_NOT_SAME_DEVICE) {
        error = win32::ErrorText(code);
        return false;
    }
    // Across volumes: copy beside the target first, so the final step is still a rename.
    std::string beside;
    DWORD createError = 0;
    win32::THandle out(win32::CreateNewTempFile(DirectoryPart(target), "." + FileNamePart(target) + ".ZQT",
                                                "", beside, createError));
    if (!out.Valid()) {
        error = win32::ErrorText(createError);
        return false;
    }
    out.Close();
    const std::wstring wideBeside = win32::Widen(beside);
    bool ok = ::CopyFileW(wideSource.c_str(), wideBeside.c_str(), FALSE) != 0;
    if (!ok)
        error = win32::ErrorText();
    ok = ok && win32::MoveReplacing(beside, target, error);
    if (!ok) {
        ::DeleteFileW(wideBeside.c_str());
        return false;
    }
    ApplyMode(win32::Widen(target), mode);
    ::DeleteFileW(wideSource.c_str());
    return true;
}

} // namespace korvel
