#pragma once
// A temporary directory for one test, removed afterwards, with helpers to fill it.

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"

namespace korvel::test {

class TTempTree {
public:
    explicit TTempTree(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = base / ("korvel_engine_" + std::to_string(::getpid()) + "_" + std::to_string(stamp) + "_" +
                        std::to_string(counter++));
        std::filesystem::create_directories(root_);
    }
    ~TTempTree() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    // Full path of `relative` below the root ("" for the root itself, without a trailing "/").
    std::string Path(const std::string& relative = "") const {
        return relative.empty() ? root_.string() : (root_ / relative).string();
    }
    // Writes a file, creating its directories.
    std::string Write(const std::string& relative, const std::string& contents = "x") const {
        const auto path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    std::string Mkdir(const std::string& relative) const {
        std::filesystem::create_directories(root_ / relative);
        return Path(relative);
    }

private:
    std::filesystem::path root_;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
inline void SetMTime(const std::string& path, time_t seconds, long nanoseconds = 0) {
    SetFileModTime(path, timespec{seconds, nanoseconds});
}

inline timespec MTime(const std::string& path) {
    TFileInfo info;
    GetFileInfo(path, info);
    return info.ModTime;
}
#else
inline void SetMTime(const std::string& path, time_t seconds, long nanoseconds = 0) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline timespec MTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}
#endif

} // namespace korvel::test
