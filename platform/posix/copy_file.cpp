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

// Copies `size` bytes in the kernel where it can, falling back to the buffered
// copy when the call is not supported between these two files. Files of pseudo
// file systems report a size of 0 and yield nothing to copy_file_range: an empty
// file is read the ordinary way (one read that finds the end for a real one).
bool KernelCopy(int in, int out, off_t size) {
    if (size <= 0)
        return BufferedCopy(in, out);
    off_t copied = 0;
    while (copied < size) {
        const ssize_t n =
            ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(size - copied), 0);
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0) // the file shrank while we copied it
            return true;
        if (errno == EINTR)
            continue;
        if (copied == 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF))
            return BufferedCopy(in, out);
        return false;
    }
    return true;
}

// The process's file creation mask, read once: the copy step runs on one thread.
mode_t CreationMask() {
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return mask;
}

} // namespace

bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error) {
    // Non-blocking so that a FIFO cannot hang the backup waiting for a writer;
    // the flag makes no difference to reading a regular file.
    TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0)
        return Fail(error, "open source", errno);
    struct stat st;
    if (::fstat(in.Get(), &st) != 0)
        return Fail(error, "stat source", errno);
    if (!S_ISREG(st.st_mode))
        return Fail(error, "not a regular file", EINVAL);

    // A new file gets the source's permissions as it is created; only an existing
    // file, or a mode the creation mask would cut, needs them set afterwards.
    const mode_t mode = st.st_mode & 0777;
    bool setMode = (mode & ~CreationMask()) != mode;
    TFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.Get() < 0 && errno == EEXIST) {
        setMode = true;
        out.Reset(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW));
        if (out.Get() < 0 && (errno == EACCES || errno == ELOOP)) {
            // A read-only copy from an earlier run: replace it, as the owner of the
            // backup may, instead of leaving a stale copy behind for good. A symbolic
            // link in the backup is replaced too, never written through.
            if (::unlink(to.c_str()) == 0)
                out.Reset(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        }
    }
    if (out.Get() < 0)
        return Fail(error, "create target", errno);

    auto abandon = [&](const char* what) {
        const int err = errno;
        out.Close();
        ::unlink(to.c_str());
        return Fail(error, what, err);
    };
    if (!KernelCopy(in.Get(), out.Get(), st.st_size))
        return abandon("copy");
    if (setMode && ::fchmod(out.Get(), mode) != 0)
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
