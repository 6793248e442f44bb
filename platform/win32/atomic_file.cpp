#include "platform/atomic_file.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/file_replace.h"
#include "platform/find_files.h"
#include "platform/path.h"
#include "platform/win32/temp_name.h"
#include "platform/win32/wide.h"

namespace korvel {

namespace {

[[noreturn]] void ThrowErrno(int err, const std::string& action, const std::string& path) {
    throw std::system_error(err, std::generic_category(),
                            action + " \"" + path + "\". " + std::strerror(err));
}

// The system's error codes with the system's own texts.
class TWin32Category final : public std::error_category {
public:
    const char* name() const noexcept override { return "win32"; }
    std::string message(int code) const override { return win32::ErrorText(static_cast<DWORD>(code)); }
};

[[noreturn]] void ThrowCode(DWORD code, const std::string& action, const std::string& path) {
    static const TWin32Category category;
    throw std::system_error(static_cast<int>(code), category,
                            action + " \"" + path + "\". " + win32::ErrorText(code));
}

std::string DirOf(const std::string& path) {
    std::string dir = DirectoryPart(path);
    return dir.empty() ? std::string(".\\") : dir;
}

} // namespace

std::string TemporaryPrefixFor(const std::string& path) {
    return "." + FileNamePart(path) + ".tmp-";
}

// The mode has no Windows counterpart beyond read-only: the new file gets the access
// list the directory passes on, as every file created there does.
void SaveFileAtomically(const std::string& path, std::string_view bytes, unsigned /*mode*/,
                        const WriteFn& write) {
    std::string temp;
    DWORD code = 0;
    HANDLE h = win32::CreateNewTempFile(DirOf(path), TemporaryPrefixFor(path), "", temp, code);
    if (h == INVALID_HANDLE_VALUE)
        ThrowCode(code, "Cannot create file", path);
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        ::DeleteFileW(win32::Widen(temp).c_str());
        ThrowErrno(EMFILE, "Cannot create file", path);
    }
    auto fail = [&](int err, const char* action) {
        if (fd >= 0)
            ::_close(fd);
        ::DeleteFileW(win32::Widen(temp).c_str());
        ThrowErrno(err, action, path);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        const long n =
            write ? write(fd, bytes.data() + done, chunk)
                  : static_cast<long>(::_write(fd, bytes.data() + done, static_cast<unsigned>(chunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n == 0 ? ENOSPC : errno, "Error writing file");
        done += static_cast<std::size_t>(n);
    }
    if (::_commit(fd) != 0)
        fail(errno, "Error writing file");
    const int closed = ::_close(fd);
    fd = -1;
    if (closed != 0)
        fail(errno, "Error writing file");
    if (!::MoveFileExW(win32::Widen(temp).c_str(), win32::Widen(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = ::GetLastError();
        ::DeleteFileW(win32::Widen(temp).c_str());
        ThrowCode(moveError, "Cannot create file", path);
    }
}

void RemoveStaleTemporaries(const std::string& path) {
    const std::string dir = DirOf(path);
    const std::string prefix = TemporaryPrefixFor(path);
    TFindFiles find;
    TSearchRec rec;
    for (bool found = find.FindFirst(dir, prefix + "*", rec); found; found = find.FindNext(rec))
        if (!rec.IsDirectory && rec.Name.size() == prefix.size() + 6)
            ::DeleteFileW(win32::Widen(dir + rec.Name).c_str());
}

ReadResult ReadWholeFile(const std::string& path, std::string& contents, std::string& error) {
    contents.clear();
    win32::THandle file(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return ReadResult::Missing;
        error = "Cannot open file \"" + path + "\". " + win32::ErrorText(code);
        return ReadResult::Failed;
    }
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.Get(), buf, sizeof buf, &n, nullptr)) {
            error = "Error reading file \"" + path + "\". " + win32::ErrorText();
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        contents.append(buf, n);
    }
    return ReadResult::Ok;
}

} // namespace korvel
