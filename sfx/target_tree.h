#pragma once
// The directory the archive is extracted into. Every file and directory is
// reached through directory handles opened one component at a time without
// following symbolic links, so neither a link planted in the target beforehand
// nor one an earlier entry made can carry a write outside the tree.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace korvel::sfx {

// An open file descriptor, closed with the object (on Windows, the C runtime's
// descriptor of a file or directory handle).
class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd();
    TFd(TFd&& other) noexcept : fd_(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

class TTargetTree {
public:
    // Creates the root with its missing parents. The root itself is the user's
    // choice and may be reached through links. Throws TSfxError.
    explicit TTargetTree(const std::string& root);

    // Opens `components[0..count)` below the root, creating missing directories.
    // Fails (invalid handle, `error` set) when a component is a link or not a directory.
    TFd OpenDirectory(const std::vector<std::string>& components, std::size_t count,
                      std::string& error) const;

    // A file being written: created under a temporary name beside its final
    // place and renamed over it only once its contents are verified.
    class TNewFile {
    public:
        bool Write(const void* data, std::size_t size);
        // Sets permissions and time, then renames into place. False with `error` set.
        bool Commit(unsigned mode, std::time_t mtime, std::string& error);
        ~TNewFile(); // removes the temporary file unless committed
        TNewFile(TNewFile&&) = default;
        TNewFile& operator=(TNewFile&&) = delete;
        TNewFile(const TNewFile&) = delete;
        const std::string& WriteError() const { return writeError_; }

    private:
        friend class TTargetTree;
        TNewFile(TFd dir, TFd file, std::string tempName, std::string finalName);
        TFd dir_;
        TFd file_;
#ifdef _WIN32
        std::string dirPath_; // Windows creates files by path; the held dir_ keeps it in place
#endif
        std::string tempName_;
        std::string finalName_;
        std::string writeError_;
        bool committed_ = false;
    };

    // Creates the parents and a temporary file for the last component;
    // nullopt with `error` set when that cannot be done safely.
    std::optional<TNewFile> CreateFile(const std::vector<std::string>& components, std::string& error) const;

    // Sets a directory's modification time; false when it cannot be reached safely.
    bool SetDirectoryTime(const std::vector<std::string>& components, std::time_t mtime) const;

    const std::string& Root() const {
        return root_;
    }

private:
    std::string root_;
    TFd rootFd_;
#ifdef _WIN32
    // The path of components[0..count) below the root, with the system's separators.
    std::string PathOf(const std::vector<std::string>& components, std::size_t count) const;
#endif
};

} // namespace korvel::sfx
