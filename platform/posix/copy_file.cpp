#include "platform/copy_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/path.h"

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
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
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
    static thread_local std::vector<char> buffer(std::size_t{256} * 1024);
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

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

int RemoveStaleCopyTemporaries(const std::string& directory) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "." : directory.c_str()),
                                                  ::closedir);
    if (!dir)
        return 0;
    // Names are gathered first: removing entries while reading the directory may
    // make readdir skip others.
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir.get()))
        if (IsCopyTemporaryName(entry->d_name))
            candidates.emplace_back(entry->d_name);
    const int dirFd = ::dirfd(dir.get());
    int removed = 0;
    for (const std::string& name : candidates) {
        struct stat named;
        // Only what a copy could have made: a plain file of ours with no other name.
        if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) ||
            named.st_uid != ::geteuid() || named.st_nlink != 1)
            continue;
        // A copy in progress holds a lock on its temporary until the rename; a
        // killed one has lost it. A temporary we cannot open to try the lock got the
        // source's mode before its copy was killed; a live copy is in that state only
        // just before its rename, and losing it then costs one reported file, not data.
        TFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.Get() >= 0) {
            struct stat opened;
            if (::fstat(fd.Get(), &opened) != 0 || !SameFile(opened, named) ||
                ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
                continue;
        } else if (errno != EACCES) {
            continue;
        }
        if (::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error) {
    // Opening a FIFO waits for a writer and opening a device talks to its driver:
    // only a regular file is opened at all, and the open is non-blocking in case the
    // name was given to something else in between (checked again below).
    struct stat named;
    if (::stat(from.c_str(), &named) != 0)
        return Fail(error, "stat source", errno);
    if (!S_ISREG(named.st_mode))
        return Fail(error, "not a regular file", EINVAL);
    TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.Get() < 0)
        return Fail(error, "open source", errno);
    struct stat st;
    if (::fstat(in.Get(), &st) != 0)
        return Fail(error, "stat source", errno);
    if (!S_ISREG(st.st_mode) || !SameFile(st, named))
        return Fail(error, "not a regular file", EINVAL);

    // The copy is made under a new name beside the target (one file system, so the
    // rename below is atomic) and takes the target's place only once complete.
    std::string temp = DirectoryPart(to) + std::string(kCopyTemporaryPrefix) + "XXXXXX";
    TFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.Get() < 0)
        return Fail(error, "create target", errno);
    // Held until the rename: tells a sweep of stale temporaries that this one is alive.
    ::flock(out.Get(), LOCK_EX);

    auto abandon = [&](const char* what) {
        const int err = errno;
        out.Close();
        ::unlink(temp.c_str());
        return Fail(error, what, err);
    };
    if (!KernelCopy(in.Get(), out.Get(), st.st_size))
        return abandon("copy");
    if (::fchmod(out.Get(), st.st_mode & 0777) != 0)
        return abandon("set permissions");
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.Get(), times) != 0)
        return abandon("set times");
    // Where an earlier copy is replaced, the new data must be on disk before the
    // rename is, or a power failure could leave neither copy. A first copy is not
    // flushed: a flush per file would make a first mirror many times slower than
    // cp, and a process that is killed loses nothing the kernel already holds.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0 && ::fsync(out.Get()) != 0)
        return abandon("flush target");
    if (::rename(temp.c_str(), to.c_str()) != 0)
        return abandon("replace target");
    out.Close();
    return true;
}

} // namespace korvel
