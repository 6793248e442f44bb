#pragma once
// Building self-extracting archives with peer tools and running them.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

namespace korvel::sfx::test {

namespace fs = std::filesystem;

// A directory under the system temporary directory, removed with the object.
class TScratch {
public:
    TScratch();
    ~TScratch();
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

struct TRunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text);
// Runs a shell command; its output is captured through files in `scratch`.
TRunResult RunShell(const std::string& command, const fs::path& scratch);
bool HaveProgram(const std::string& name);

const fs::path& StubPath();

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
// Sets the modification time to a whole even second (DOS time keeps two-second steps).
void SetTime(const fs::path& path, std::time_t when);

// Runs python3 with the script; throws on a non-zero status.
void RunPython(const std::string& script, const fs::path& scratch);

// stub + zip bytes; with `adjust` the offsets are corrected by "zip -A".
fs::path MakeSfx(const fs::path& zip, const fs::path& exe, bool adjust = true);

// Regular files below `root` (relative path -> bytes, mtime); directories as "name/".
struct TTreeItem {
    std::string bytes;
    std::time_t mtime = 0;
    bool directory = false;
};
std::map<std::string, TTreeItem> ReadTree(const fs::path& root);

// A small tree with nested directories, an empty file, a compressible and an
// incompressible file, every time an even second in the past.
void MakeSampleTree(const fs::path& root);

} // namespace korvel::sfx::test
