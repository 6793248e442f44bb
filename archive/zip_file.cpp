#include "archive/zip_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/zip_exceptions.h"

namespace korvel {

namespace {
constexpr std::size_t kBufferSize = 8192;

std::string Reason() {
    return std::strerror(errno);
}

bool IsNoRoom(int err) {
    return err == ENOSPC || err == EDQUOT || err == EFBIG;
}

// The user learns which file the disk had no room for, and the system's word for it.
ENotEnoughRoom NoRoom(const std::string& path, int err) {
    return ENotEnoughRoom(std::string(kNotEnoughRoom) + " \"" + path + "\". " + std::strerror(err));
}
} // namespace

TZipFile::~TZipFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

TZipFile::TZipFile(TZipFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), position_(other.position_),
      buffer_(std::move(other.buffer_)) {
    other.fd_ = -1;
}

TZipFile& TZipFile::operator=(TZipFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        position_ = other.position_;
        buffer_ = std::move(other.buffer_);
        other.fd_ = -1;
    }
    return *this;
}

TZipFile TZipFile::OpenRead(const std::string& path) {
    // Non-blocking, so that a FIFO cannot hold the run waiting for a writer; only
    // regular files are read, and for those the flag changes nothing.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw EFOpenError("Cannot open file \"" + path + "\". " + Reason());
    TZipFile file(fd, path);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        throw EFOpenError("Cannot open file \"" + path + "\". " + Reason());
    if (!S_ISREG(st.st_mode))
        throw ENotRegularFile("Cannot open file \"" + path + "\". " + kNotRegularFile);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

TZipFile TZipFile::Create(const std::string& path, unsigned mode) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + path + "\". " + Reason());
    return TZipFile(fd, path);
}

TZipFile TZipFile::Adopt(int fd, const std::string& path) {
    return TZipFile(fd, path);
}

std::size_t TZipFile::Read(void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EStreamError("Read error on \"" + path_ + "\". " + Reason());
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    position_ += done;
    return done;
}

std::size_t TZipFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EStreamError("Read error on \"" + path_ + "\". " + Reason());
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void TZipFile::WriteDirect(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0 || IsNoRoom(errno))
                throw NoRoom(path_, n == 0 ? ENOSPC : errno);
            throw EStreamError("Write error on \"" + path_ + "\". " + Reason());
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void TZipFile::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    if (buffer_.size() + size > kBufferSize) {
        Flush();
        if (size >= kBufferSize) {
            WriteDirect(p, size);
            position_ += size;
            return;
        }
    }
    buffer_.insert(buffer_.end(), p, p + size);
    position_ += size;
}

void TZipFile::WriteAt(std::uint64_t offset, const std::string& bytes) {
    const std::uint64_t bufferStart = position_ - buffer_.size();
    if (offset >= bufferStart && offset + bytes.size() <= position_) {
        std::memcpy(buffer_.data() + (offset - bufferStart), bytes.data(), bytes.size());
        return;
    }
    Flush();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0 || IsNoRoom(errno))
                throw NoRoom(path_, n == 0 ? ENOSPC : errno);
            throw EStreamError("Write error on \"" + path_ + "\". " + Reason());
        }
        done += static_cast<std::size_t>(n);
    }
}

void TZipFile::Flush() {
    if (buffer_.empty())
        return;
    // Clear first: after a failed write the bytes must not be written again by Close.
    std::vector<char> pending;
    pending.swap(buffer_);
    WriteDirect(pending.data(), pending.size());
}

void TZipFile::Seek(std::uint64_t offset) {
    Flush();
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        throw EStreamError("Seek error on \"" + path_ + "\". " + Reason());
    position_ = offset;
}

std::uint64_t TZipFile::Size() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        throw EStreamError("Cannot examine \"" + path_ + "\". " + Reason());
    const std::uint64_t onDisk = static_cast<std::uint64_t>(st.st_size);
    return std::max<std::uint64_t>(onDisk, position_);
}

std::timespec TZipFile::ModTime() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        throw EStreamError("Cannot examine \"" + path_ + "\". " + Reason());
    return st.st_mtim;
}

void TZipFile::Sync() {
    Flush();
    if (::fsync(fd_) != 0) {
        if (IsNoRoom(errno))
            throw NoRoom(path_, errno);
        throw EStreamError("Cannot flush \"" + path_ + "\". " + Reason());
    }
}

void TZipFile::Close() {
    if (fd_ < 0)
        return;
    try {
        Flush();
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && errno != EINTR) {
        if (IsNoRoom(errno))
            throw NoRoom(path_, errno);
        throw EStreamError("Cannot close \"" + path_ + "\". " + Reason());
    }
}

} // namespace korvel
