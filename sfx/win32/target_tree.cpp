#include "sfx/target_tree.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string_view>

#include "sfx/archive_file.h"
#include "sfx/win32/wide.h"

// windows.h names its ANSI or wide variant after our CreateFile.
#undef CreateFile

namespace korvel::sfx {

namespace {

std::string TempName() {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".sfx-";
    for (int i = 0; i < 10; ++i)
        name += kDigits[generator() % 36];
    return name;
}

// Names Windows would not store as they are: a colon opens an alternate data stream
// ("a:b" writes into "a"), a device name (CON, NUL, COM1...) reaches the device rather
// than a file, and trailing dots and blanks are dropped (so "x." would be "x").
bool AllowedOnWindows(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return false;
    }
    if (name.back() == '.' || name.back() == ' ')
        return false;
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return false;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
        stem[3] >= '0' && stem[3] <= '9')
        return false;
    return true;
}

// Opens a directory itself, never what a link or junction in its place leads to, and
// holds it: without delete sharing nobody can swap it for a link while we write into it.
TFd OpenDirectoryHandle(const std::string& path, DWORD& error) {
    HANDLE h = ::CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::CloseHandle(h);
        error = ERROR_DIRECTORY;
        return {};
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(h);
        error = ERROR_TOO_MANY_OPEN_FILES;
        return {};
    }
    return TFd(fd);
}

HANDLE HandleOf(const TFd& fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd.Get()));
}

FILETIME ToFileTime(std::time_t t) {
    const auto ticks = static_cast<std::uint64_t>((static_cast<long long>(t) + 11644473600LL) * 10000000LL);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

// mkdir -p for the root, which the user named and may pass through links.
void CreateRoot(const std::string& root) {
    const std::wstring wide = Widen(root);
    for (std::size_t pos = 0; pos <= wide.size();) {
        const std::size_t next = wide.find_first_of(L"\\/", pos);
        const std::wstring path = wide.substr(0, next == std::wstring::npos ? wide.size() : next);
        // "C:" and "\\server\share" parts are not made; existing ones are passed over.
        if (!path.empty() && path.back() != L':' && !::CreateDirectoryW(path.c_str(), nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED &&
                error != ERROR_INVALID_NAME && error != ERROR_BAD_NETPATH && error != ERROR_BAD_PATHNAME)
                throw TSfxError("cannot create directory " + Narrow(path) + ": " + ErrorText(error));
        }
        if (next == std::wstring::npos)
            break;
        pos = next + 1;
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw TSfxError("cannot create directory " + root + ": " + ErrorText());
}

} // namespace

TFd::~TFd() {
    if (fd_ >= 0)
        ::_close(fd_);
}

TFd& TFd::operator=(TFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::_close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

TTargetTree::TTargetTree(const std::string& root) : root_(root) {
    CreateRoot(root);
    // The root is the user's choice and may itself be reached through a link: it is
    // opened the ordinary way, following it.
    HANDLE h = ::CreateFileW(Widen(root).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw TSfxError("cannot open directory " + root + ": " + ErrorText());
    rootFd_ = TFd(::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY));
    if (!rootFd_.Valid()) {
        ::CloseHandle(h);
        throw TSfxError("cannot open directory " + root);
    }
}

std::string TTargetTree::PathOf(const std::vector<std::string>& components, std::size_t count) const {
    std::string path = root_;
    for (std::size_t i = 0; i < count; ++i) {
        if (!path.empty() && path.back() != '\\' && path.back() != '/')
            path += '\\';
        path += components[i];
    }
    return path;
}

TFd TTargetTree::OpenDirectory(const std::vector<std::string>& components, std::size_t count,
                               std::string& error) const {
    // Each level stays open (and so in place) until the next one is open below it.
    TFd current;
    std::string shown;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = components[i];
        shown += (i ? "/" : "") + name;
        if (!AllowedOnWindows(name)) {
            error = shown + " is not a name Windows can store";
            return {};
        }
        const std::string path = PathOf(components, i + 1);
        if (!::CreateDirectoryW(Widen(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            error = "cannot create directory " + shown + ": " + ErrorText();
            return {};
        }
        DWORD code = 0;
        TFd next = OpenDirectoryHandle(path, code);
        if (!next.Valid()) {
            error = code == ERROR_DIRECTORY
                        ? shown + " exists and is not a directory (links are not followed)"
                        : "cannot open directory " + shown + ": " + ErrorText(code);
            return {};
        }
        current = std::move(next);
    }
    if (!current.Valid()) {
        DWORD code = 0;
        HANDLE h = HandleOf(rootFd_);
        HANDLE copy = nullptr;
        if (!::DuplicateHandle(::GetCurrentProcess(), h, ::GetCurrentProcess(), &copy, 0, FALSE,
                               DUPLICATE_SAME_ACCESS)) {
            code = ::GetLastError();
            error = ErrorText(code);
            return {};
        }
        current = TFd(::_open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_RDONLY));
    }
    return current;
}

TTargetTree::TNewFile::TNewFile(TFd dir, TFd file, std::string tempName, std::string finalName)
    : dir_(std::move(dir)), file_(std::move(file)), tempName_(std::move(tempName)),
      finalName_(std::move(finalName)) {}

TTargetTree::TNewFile::~TNewFile() {
    if (!committed_ && !dirPath_.empty()) {
        file_ = TFd();
        ::DeleteFileW(Widen(dirPath_ + tempName_).c_str());
    }
}

bool TTargetTree::TNewFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    HANDLE h = HandleOf(file_);
    while (size > 0) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::WriteFile(h, bytes, want, &n, nullptr)) {
            writeError_ = "write error: " + ErrorText();
            return false;
        }
        if (n == 0) {
            writeError_ = "write error: nothing written";
            return false;
        }
        bytes += n;
        size -= n;
    }
    return true;
}

bool TTargetTree::TNewFile::Commit(unsigned mode, std::time_t mtime, std::string& error) {
    const FILETIME ft = ToFileTime(mtime);
    if (!::SetFileTime(HandleOf(file_), nullptr, nullptr, &ft)) {
        error = "cannot set attributes: " + ErrorText();
        return false;
    }
    if (::_close(file_.Release()) != 0) {
        error = "write error: cannot close the file";
        return false;
    }
    const std::wstring temp = Widen(dirPath_ + tempName_);
    const std::wstring target = Widen(dirPath_ + finalName_);
    // A read-only file of that name from an earlier run is replaced, not refused.
    const DWORD existing = ::GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) &&
        !(existing & FILE_ATTRIBUTE_DIRECTORY))
        ::SetFileAttributesW(target.c_str(), existing & ~FILE_ATTRIBUTE_READONLY);
    // The rename replaces a link of that name rather than following it.
    if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = "cannot create " + finalName_ + ": " + ErrorText();
        return false;
    }
    committed_ = true;
    if (!(mode & 0200))
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    return true;
}

std::optional<TTargetTree::TNewFile> TTargetTree::CreateFile(const std::vector<std::string>& components,
                                                             std::string& error) const {
    if (!AllowedOnWindows(components.back())) {
        error = components.back() + " is not a name Windows can store";
        return std::nullopt;
    }
    TFd dir = OpenDirectory(components, components.size() - 1, error);
    if (!dir.Valid())
        return std::nullopt;
    std::string dirPath = PathOf(components, components.size() - 1);
    if (!dirPath.empty() && dirPath.back() != '\\' && dirPath.back() != '/')
        dirPath += '\\';
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string temp = TempName();
        // CREATE_NEW never opens an existing file or follows a planted link of that name.
        HANDLE h = ::CreateFileW(Widen(dirPath + temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            TFd file(::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY));
            if (!file.Valid()) {
                ::CloseHandle(h);
                error = "cannot create a file in the target";
                return std::nullopt;
            }
            TNewFile made(std::move(dir), std::move(file), std::move(temp), components.back());
            made.dirPath_ = dirPath;
            return made;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            error = "cannot create a file in the target: " + ErrorText();
            return std::nullopt;
        }
    }
    error = "cannot create a temporary file in the target";
    return std::nullopt;
}

bool TTargetTree::SetDirectoryTime(const std::vector<std::string>& components, std::time_t mtime) const {
    std::string error;
    const TFd dir = OpenDirectory(components, components.size(), error);
    const FILETIME ft = ToFileTime(mtime);
    return dir.Valid() && ::SetFileTime(HandleOf(dir), nullptr, nullptr, &ft) != 0;
}

} // namespace korvel::sfx
