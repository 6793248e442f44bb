#include "platform/copy_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace korvel {

namespace {

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now so that a failing close (delayed write errors) can be seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool Fail(std::string* error, const char* what, int err) {
    if (error)
        *error = std::string(what) + ": " + std::strerror(err);
    return false;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool BufferedCopy(int in, int out) {
    static thread_local std::vector<char> buffer(256 * 1024);
    while (true) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n)))
            return false;
    }
}

// Copies in the kernel where it can. Falls back to the buffered copy when the
// call is not supported between these two files, or when it copied nothing
// (files of pseudo file systems report a size of 0 and yield nothing to it).
bool KernelCopy(int in, int out) {
    bool copiedAny = false;
    while (true) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) {
            copiedAny = true;
            continue;
        }
        if (n == 0) {
            if (copiedAny)
                return true;
            return BufferedCopy(in, out);
        }
        if (errno == EINTR)
            continue;
        if (!copiedAny &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF))
            return BufferedCopy(in, out);
        return false;
    }
}

} // namespace

bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error) {
    // Non-blocking so that a FIFO cannot hang the backup waiting for a writer.
    TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0)
        return Fail(error, "open source", errno);
    struct stat st;
    if (::fstat(in.Get(), &st) != 0)
        return Fail(error, "stat source", errno);
    if (!S_ISREG(st.st_mode))
        return Fail(error, "not a regular file", EINVAL);
    const int flags = ::fcntl(in.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(in.Get(), F_SETFL, flags & ~O_NONBLOCK);

    const int outFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    TFd out(::open(to.c_str(), outFlags, 0600));
    if (out.Get() < 0 && errno == EACCES) {
        // A read-only copy from an earlier run: replace it, as the owner of the
        // backup may, instead of leaving a stale copy behind for good.
        if (::unlink(to.c_str()) == 0)
            out.Reset(::open(to.c_str(), outFlags, 0600));
    }
    if (out.Get() < 0)
        return Fail(error, "create target", errno);

    auto abandon = [&](const char* what) {
        const int err = errno;
        out.Close();
        ::unlink(to.c_str());
        return Fail(error, what, err);
    };
    if (!KernelCopy(in.Get(), out.Get()))
        return abandon("copy");
    if (::fchmod(out.Get(), st.st_mode & 0777) != 0)
        return abandon("set permissions");
    const std::timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.Get(), times) != 0)
        return abandon("set times");
    if (!out.Close()) {
        const int err = errno;
        ::unlink(to.c_str());
        return Fail(error, "close target", err);
    }
    return true;
}

} // namespace korvel
