#include "platform/raw_file.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace korvel {

namespace {

bool Fail(TFileError& error, DWORD code = ::GetLastError()) {
    error.NoRoom = code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL || code == ERROR_FILE_TOO_LARGE;
    error.Text = win32::ErrorText(code);
    return false;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// One call moves at most this much, so that the count fits the API's DWORD.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

// The descriptor of a freshly opened handle; the handle is closed when that fails.
bool Adopt(HANDLE h, TRawFile& file, TFileError& error) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        error.Text = "Too many open files";
        return false;
    }
    file = TRawFile(fd);
    return true;
}

} // namespace

TRawFile::~TRawFile() {
    if (fd_ >= 0)
        ::_close(fd_);
}

TRawFile::TRawFile(TRawFile&& other) noexcept : fd_(other.fd_), position_(other.position_) {
    other.fd_ = -1;
}

TRawFile& TRawFile::operator=(TRawFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::_close(fd_);
        fd_ = other.fd_;
        position_ = other.position_;
        other.fd_ = -1;
    }
    return *this;
}

bool TRawFile::OpenRead(const std::string& path, TFileError& error) {
    // Others may go on reading and writing the file: a backup reads files in use.
    HANDLE h = ::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(error);
    // A directory opens with the backup flag, a device or pipe by its name: neither is read.
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(h);
        error.NotRegular = true;
        return false;
    }
    return Adopt(h, *this, error);
}

bool TRawFile::Create(const std::string& path, unsigned /*mode*/, TFileError& error) {
    HANDLE h = ::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(error);
    return Adopt(h, *this, error);
}

bool TRawFile::Read(void* data, std::size_t size, std::size_t& done, TFileError& error) {
    if (!ReadAt(position_, data, size, done, error))
        return false;
    position_ += done;
    return true;
}

bool TRawFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& done,
                      TFileError& error) const {
    auto* p = static_cast<char*>(data);
    done = 0;
    while (done < size) {
        OVERLAPPED at = At(offset + done);
        DWORD n = 0;
        if (!::ReadFile(HandleOf(fd_), p + done, static_cast<DWORD>(std::min(size - done, kMaxChunk)), &n,
                        &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            return Fail(error);
        }
        if (n == 0)
            break;
        done += n;
    }
    return true;
}

bool TRawFile::Write(const void* data, std::size_t size, TFileError& error) {
    if (!WriteAt(position_, data, size, error))
        return false;
    position_ += size;
    return true;
}

bool TRawFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, TFileError& error) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at = At(offset + done);
        DWORD n = 0;
        if (!::WriteFile(HandleOf(fd_), p + done, static_cast<DWORD>(std::min(size - done, kMaxChunk)), &n,
                         &at))
            return Fail(error);
        if (n == 0)
            return Fail(error, ERROR_DISK_FULL);
        done += n;
    }
    return true;
}

bool TRawFile::Seek(std::uint64_t offset, TFileError& /*error*/) {
    position_ = offset;
    return true;
}

bool TRawFile::Stat(std::uint64_t& size, timespec& modTime, TFileError& error) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(HandleOf(fd_), &info))
        return Fail(error);
    size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    modTime = win32::ToTimespec(info.ftLastWriteTime);
    return true;
}

bool TRawFile::Sync(TFileError& error) {
    if (!::FlushFileBuffers(HandleOf(fd_)))
        return Fail(error);
    return true;
}

bool TRawFile::Close(TFileError& error) {
    if (fd_ < 0)
        return true;
    const int rc = ::_close(fd_);
    fd_ = -1;
    if (rc != 0) {
        error.Text = "Cannot close the file";
        return false;
    }
    return true;
}

} // namespace korvel
