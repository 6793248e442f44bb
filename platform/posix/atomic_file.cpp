#include "platform/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/executable.h"

namespace korvel {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void ThrowFileError(int err, const std::string& action, const std::string& path) {
    throw std::system_error(err, std::generic_category(),
                            action + " \"" + path + "\". " + std::strerror(err));
}

std::string DirOf(const std::string& path) {
    std::string dir = DirectoryPart(path);
    return dir.empty() ? std::string("./") : dir;
}

} // namespace

std::string TemporaryPrefixFor(const std::string& path) {
    return "." + FileNamePart(path) + ".tmp-";
}

void SaveFileAtomically(const std::string& path, std::string_view bytes, unsigned mode,
                        const WriteFn& write) {
    const std::string dir = DirOf(path);
    std::string temp = dir + TemporaryPrefixFor(path) + "XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        ThrowFileError(errno, "Cannot create file", path);

    auto fail = [&](int err, const char* action) {
        ::unlink(temp.c_str());
        ThrowFileError(err, action, path);
    };

    if (::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0)
        fail(errno, "Cannot create file");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = write ? write(fd.get(), bytes.data() + done, bytes.size() - done)
                             : static_cast<long>(::write(fd.get(), bytes.data() + done, bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n == 0 ? ENOSPC : errno, "Error writing file");
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        fail(errno, "Error writing file");
    if (::close(fd.release()) != 0)
        fail(errno, "Error writing file");
    if (::rename(temp.c_str(), path.c_str()) != 0)
        fail(errno, "Cannot create file");

    // Make the rename itself durable.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
}

void RemoveStaleTemporaries(const std::string& path) {
    const std::string dir = DirOf(path);
    const std::string prefix = TemporaryPrefixFor(path);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            ::unlink((dir + name).c_str());
    }
    ::closedir(d);
}

ReadResult ReadWholeFile(const std::string& path, std::string& contents, std::string& error) {
    contents.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return ReadResult::Missing;
        error = "Cannot open file \"" + path + "\". " + std::strerror(errno);
        return ReadResult::Failed;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "Error reading file \"" + path + "\". " + std::strerror(errno);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        contents.append(buf, static_cast<std::size_t>(n));
    }
    return ReadResult::Ok;
}

} // namespace korvel
