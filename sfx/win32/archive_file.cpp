#include "sfx/archive_file.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include "sfx/win32/wide.h"

namespace korvel::sfx {

TArchiveFile::TArchiveFile(const std::string& path) {
    HANDLE h = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw TSfxError("cannot open " + path + ": " + ErrorText());
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)) {
        ::CloseHandle(h);
        throw TSfxError("not a regular file: " + path);
    }
    fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd_ < 0) {
        ::CloseHandle(h);
        throw TSfxError("cannot open " + path);
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

TArchiveFile::~TArchiveFile() {
    ::_close(fd_);
}

void TArchiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (!Contains(offset, length))
        throw TSfxError("archive damaged: a record points outside the file");
    auto* out = static_cast<char*>(buffer);
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    while (length > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        if (!::ReadFile(h, out, want, &got, &at) && ::GetLastError() != ERROR_HANDLE_EOF)
            throw TSfxError("read error: " + ErrorText());
        if (got == 0)
            throw TSfxError("archive file shrank while being read");
        out += got;
        offset += got;
        length -= got;
    }
}

std::string TArchiveFile::ReadString(std::uint64_t offset, std::size_t length) const {
    // Checked before allocating, so a hostile length cannot make us reserve memory.
    if (!Contains(offset, length))
        throw TSfxError("archive damaged: a record points outside the file");
    std::string bytes(length, '\0');
    ReadAt(offset, bytes.data(), length);
    return bytes;
}

} // namespace korvel::sfx
