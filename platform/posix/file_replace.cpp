#include "platform/file_replace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/executable.h"
#include "platform/file_system.h"

namespace korvel {

namespace {

std::string Reason() {
    return std::strerror(errno);
}

// The directory holding `path`, usable as an open() argument.
std::string ContainingDir(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool CopyAndSync(int in, int out, std::string& error) {
    std::vector<char> buf(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = Reason();
            return false;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                error = w == 0 ? "short write" : Reason();
                return false;
            }
            done += w;
        }
    }
    if (::fsync(out) != 0) {
        error = Reason();
        return false;
    }
    return true;
}

} // namespace

std::string SystemTempDir() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env && DirectoryExists(env) ? env : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

int CreateTempFile(const std::string& dir, const std::string& prefix, std::string& path, std::string& error,
                   const std::string& suffix) {
    std::string pattern = dir;
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX" + suffix;
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkostemps(buf.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        error = Reason();
        return -1;
    }
    path = buf.data();
    return fd;
}

TFileId FileIdOf(const std::string& path) {
    struct stat st;
    TFileId id;
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
        id.Device = st.st_dev;
        id.Inode = st.st_ino;
        id.Valid = true;
    }
    return id;
}

TFileId FileIdOfDescriptor(int fd) {
    struct stat st;
    TFileId id;
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
        id.Device = st.st_dev;
        id.Inode = st.st_ino;
        id.Valid = true;
    }
    return id;
}

bool ReplaceFileSafely(const std::string& source, const std::string& target, unsigned mode,
                       std::string& error) {
    ::chmod(source.c_str(), mode);
    struct stat src, dst;
    const std::string targetDir = ContainingDir(target);
    const bool sameFs =
        ::stat(source.c_str(), &src) == 0 && ::stat(targetDir.c_str(), &dst) == 0 && src.st_dev == dst.st_dev;
    if (sameFs) {
        // rename(2) replaces the target in one step: there is no moment without an archive.
        if (::rename(source.c_str(), target.c_str()) == 0) {
            SyncDirectory(targetDir);
            return true;
        }
        if (errno != EXDEV) {
            error = Reason();
            return false;
        }
    }
    // Across file systems: copy beside the target first, so the final step is still a rename.
    std::string besidePath;
    const int out = CreateTempFile(targetDir + "/", "." + FileNamePart(target) + ".ZQT", besidePath, error);
    if (out < 0)
        return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0;
    if (!ok)
        error = Reason();
    ok = ok && CopyAndSync(in, out, error);
    if (in >= 0)
        ::close(in);
    ::fchmod(out, mode);
    if (::close(out) != 0 && ok) {
        error = Reason();
        ok = false;
    }
    if (ok && ::rename(besidePath.c_str(), target.c_str()) != 0) {
        error = Reason();
        ok = false;
    }
    if (!ok) {
        ::unlink(besidePath.c_str());
        return false;
    }
    SyncDirectory(targetDir);
    ::unlink(source.c_str());
    return true;
}

} // namespace korvel
