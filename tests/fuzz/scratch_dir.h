#pragma once
// A private directory for one fuzzing process, reused by every input it runs.

#include <string>

namespace korvel::fuzz {

class TScratchDir {
public:
    explicit TScratchDir(const std::string& tag);
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    // The directory with its trailing separator.
    const std::string& Path() const { return path_; }
    // Removes everything inside, keeping the directory.
    void Clear() const;
    // Writes a file below the directory, replacing it.
    void Write(const std::string& name, const void* data, std::size_t size) const;
    std::string Read(const std::string& name) const;
    // Names directly inside `subdir` ("" for the directory itself), sorted.
    std::string Listing(const std::string& subdir = "") const;

private:
    std::string path_;
};

} // namespace korvel::fuzz
