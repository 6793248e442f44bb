#include "platform/raw_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel {

namespace {

bool Fail(TFileError& error, int err = errno) {
    error.NoRoom = err == ENOSPC || err == EDQUOT || err == EFBIG;
    error.Text = std::strerror(err);
    return false;
}

} // namespace

TRawFile::~TRawFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

TRawFile::TRawFile(TRawFile&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

TRawFile& TRawFile::operator=(TRawFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool TRawFile::OpenRead(const std::string& path, TFileError& error) {
    // Non-blocking, so that a FIFO cannot hold the run waiting for a writer; only
    // regular files are read, and for those the flag changes nothing.
    TRawFile file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.IsOpen())
        return Fail(error);
    struct stat st;
    if (::fstat(file.fd_, &st) != 0)
        return Fail(error);
    if (!S_ISREG(st.st_mode)) {
        error.NotRegular = true;
        return false;
    }
    ::fcntl(file.fd_, F_SETFL, ::fcntl(file.fd_, F_GETFL) & ~O_NONBLOCK);
    *this = std::move(file);
    return true;
}

bool TRawFile::Create(const std::string& path, unsigned mode, TFileError& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return Fail(error);
    *this = TRawFile(fd);
    return true;
}

bool TRawFile::Read(void* data, std::size_t size, std::size_t& done, TFileError& error) {
    auto* p = static_cast<char*>(data);
    done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(error);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TRawFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& done,
                      TFileError& error) const {
    auto* p = static_cast<char*>(data);
    done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(error);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TRawFile::Write(const void* data, std::size_t size, TFileError& error) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(error, n == 0 ? ENOSPC : errno);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TRawFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, TFileError& error) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd_, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(error, n == 0 ? ENOSPC : errno);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TRawFile::Seek(std::uint64_t offset, TFileError& error) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        return Fail(error);
    return true;
}

bool TRawFile::Stat(std::uint64_t& size, timespec& modTime, TFileError& error) const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        return Fail(error);
    size = static_cast<std::uint64_t>(st.st_size);
    modTime = st.st_mtim;
    return true;
}

bool TRawFile::Sync(TFileError& error) {
    if (::fsync(fd_) != 0)
        return Fail(error);
    return true;
}

bool TRawFile::Close(TFileError& error) {
    if (fd_ < 0)
        return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && errno != EINTR)
        return Fail(error);
    return true;
}

} // namespace korvel
