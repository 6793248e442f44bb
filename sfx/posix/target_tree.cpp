#include "sfx/target_tree.h"

#include "sfx/archive_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::sfx {

namespace {

std::string ErrnoText() {
    return std::strerror(errno);
}

// mkdir -p for the root, which the user named and may pass through links.
void CreateRoot(const std::string& root) {
    std::string path;
    std::size_t pos = 0;
    while (pos <= root.size()) {
        const std::size_t next = root.find('/', pos);
        const std::size_t end = next == std::string::npos ? root.size() : next;
        path = root.substr(0, end);
        if (!path.empty() && ::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            throw TSfxError("cannot create directory " + path + ": " + ErrnoText());
        }
        if (next == std::string::npos) {
            break;
        }
        pos = next + 1;
    }
}

std::string TempName() {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".sfx-";
    for (int i = 0; i < 10; ++i) {
        name += kDigits[generator() % 36];
    }
    return name;
}

} // namespace

TFd::~TFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

TFd& TFd::operator=(TFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

TTargetTree::TTargetTree(const std::string& root) : root_(root) {
    CreateRoot(root);
    rootFd_ = TFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd_.Valid()) {
        throw TSfxError("cannot open directory " + root + ": " + ErrnoText());
    }
}

TFd TTargetTree::OpenDirectory(const std::vector<std::string>& components, std::size_t count,
                               std::string& error) const {
    TFd current(::dup(rootFd_.Get()));
    if (!current.Valid()) {
        error = ErrnoText();
        return {};
    }
    std::string shown;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = components[i];
        shown += (i ? "/" : "") + name;
        if (::mkdirat(current.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create directory " + shown + ": " + ErrnoText();
            return {};
        }
        // O_NOFOLLOW refuses a link in the last place; O_DIRECTORY anything but a directory.
        TFd next(::openat(current.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.Valid()) {
            error = errno == ELOOP || errno == ENOTDIR
                        ? shown + " exists and is not a directory (links are not followed)"
                        : "cannot open directory " + shown + ": " + ErrnoText();
            return {};
        }
        current = std::move(next);
    }
    return current;
}

TTargetTree::TNewFile::TNewFile(TFd dir, TFd file, std::string tempName, std::string finalName)
    : dir_(std::move(dir)), file_(std::move(file)), tempName_(std::move(tempName)),
      finalName_(std::move(finalName)) {}

TTargetTree::TNewFile::~TNewFile() {
    if (!committed_ && dir_.Valid()) {
        ::unlinkat(dir_.Get(), tempName_.c_str(), 0);
    }
}

bool TTargetTree::TNewFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(file_.Get(), bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            writeError_ = "write error: " + (n < 0 ? ErrnoText() : std::string("nothing written"));
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TTargetTree::TNewFile::Commit(unsigned mode, std::time_t mtime, std::string& error) {
    const timespec times[2] = {{0, UTIME_OMIT}, {mtime, 0}};
    if (::fchmod(file_.Get(), mode) != 0 || ::futimens(file_.Get(), times) != 0) {
        error = "cannot set attributes: " + ErrnoText();
        return false;
    }
    if (::close(file_.Release()) != 0) {
        error = "write error: " + ErrnoText();
        return false;
    }
    // rename replaces a link of that name rather than following it.
    if (::renameat(dir_.Get(), tempName_.c_str(), dir_.Get(), finalName_.c_str()) != 0) {
        error = "cannot create " + finalName_ + ": " + ErrnoText();
        return false;
    }
    committed_ = true;
    return true;
}

std::optional<TTargetTree::TNewFile> TTargetTree::CreateFile(const std::vector<std::string>& components,
                                                             std::string& error) const {
    TFd dir = OpenDirectory(components, components.size() - 1, error);
    if (!dir.Valid()) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string temp = TempName();
        TFd file(
            ::openat(dir.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.Valid()) {
            return TNewFile(std::move(dir), std::move(file), std::move(temp), components.back());
        }
        if (errno != EEXIST) {
            error = "cannot create a file in the target: " + ErrnoText();
            return std::nullopt;
        }
    }
    error = "cannot create a temporary file in the target";
    return std::nullopt;
}

bool TTargetTree::SetDirectoryTime(const std::vector<std::string>& components, std::time_t mtime) const {
    std::string error;
    const TFd dir = OpenDirectory(components, components.size(), error);
    const timespec times[2] = {{0, UTIME_OMIT}, {mtime, 0}};
    return dir.Valid() && ::futimens(dir.Get(), times) == 0;
}

} // namespace korvel::sfx
