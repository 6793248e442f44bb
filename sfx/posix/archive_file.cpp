#include "sfx/archive_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::sfx {

TArchiveFile::TArchiveFile(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw TSfxError("cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw TSfxError("not a regular file: " + path);
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
}

TArchiveFile::~TArchiveFile() {
    ::close(fd_);
}

void TArchiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (!Contains(offset, length)) {
        throw TSfxError("archive damaged: a record points outside the file");
    }
    auto* out = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw TSfxError(got < 0 ? std::string("read error: ") + std::strerror(errno)
                                    : std::string("archive file shrank while being read"));
        }
        out += got;
        offset += static_cast<std::uint64_t>(got);
        length -= static_cast<std::size_t>(got);
    }
}

std::string TArchiveFile::ReadString(std::uint64_t offset, std::size_t length) const {
    // Checked before allocating, so a hostile length cannot make us reserve memory.
    if (!Contains(offset, length)) {
        throw TSfxError("archive damaged: a record points outside the file");
    }
    std::string bytes(length, '\0');
    ReadAt(offset, bytes.data(), length);
    return bytes;
}

} // namespace korvel::sfx
