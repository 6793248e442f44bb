#include "sfx_fixture.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

namespace korvel::sfx::test {

TScratch::TScratch() {
    static std::mt19937_64 generator{std::random_device{}()};
    path_ = fs::temp_directory_path() / ("korvel-sfx-" + std::to_string(generator()));
    fs::create_directories(path_);
}

TScratch::~TScratch() {
    std::error_code ec;
    // Permissions set by a test must not keep the tree alive.
    fs::remove_all(path_, ec);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

TRunResult RunShell(const std::string& command, const fs::path& scratch) {
    const fs::path out = scratch / ".run-out";
    const fs::path err = scratch / ".run-err";
    const std::string full = "( " + command + " ) >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
    const int raw = std::system(full.c_str());
    TRunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return result;
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

const fs::path& StubPath() {
    static const fs::path path = KORVEL_SFX_STUB;
    return path;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void SetTime(const fs::path& path, std::time_t when) {
    const std::time_t even = when & ~std::time_t{1};
    const struct utimbuf times { even, even };
    if (::utime(path.c_str(), &times) != 0) {
        throw std::runtime_error("cannot set time of " + path.string());
    }
}

void RunPython(const std::string& script, const fs::path& scratch) {
    const fs::path file = scratch / ".script.py";
    WriteFile(file, script);
    const TRunResult r = RunShell("cd " + Quote(scratch) + " && python3 " + Quote(file), scratch);
    fs::remove(file);
    if (r.status != 0) {
        throw std::runtime_error("python failed: " + r.err);
    }
}

fs::path MakeSfx(const fs::path& zip, const fs::path& exe, bool adjust) {
    WriteFile(exe, ReadFile(StubPath()) + ReadFile(zip));
    fs::permissions(exe, fs::perms::owner_all, fs::perm_options::add);
    if (adjust) {
        const int rc = std::system(("zip -qA " + Quote(exe) + " >/dev/null 2>&1").c_str());
        if (rc != 0) {
            throw std::runtime_error("zip -A failed");
        }
    }
    return exe;
}

std::map<std::string, TTreeItem> ReadTree(const fs::path& root) {
    std::map<std::string, TTreeItem> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(item.path().c_str(), &st);
        std::string name = fs::relative(item.path(), root).generic_string();
        TTreeItem entry;
        entry.mtime = st.st_mtime;
        if (S_ISDIR(st.st_mode)) {
            entry.directory = true;
            name += "/";
        } else {
            entry.bytes = ReadFile(item.path());
        }
        tree[name] = entry;
    }
    return tree;
}

void MakeSampleTree(const fs::path& root) {
    std::mt19937 generator(7);
    std::string noise(150000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(generator());
    }
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "line " + std::to_string(i) + " of a compressible file\n";
    }
    WriteFile(root / "readme.txt", "hello, archive\n");
    WriteFile(root / "empty.dat", "");
    WriteFile(root / "docs/text.txt", text);
    WriteFile(root / "docs/deep/er/noise.bin", noise);
    WriteFile(root / "docs/deep/small.txt", "x");
    fs::create_directories(root / "emptydir");
    // Even seconds, well in the past, a different one per file.
    std::time_t when = 1600000000;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_regular_file()) {
            SetTime(item.path(), when += 3602);
        }
    }
    // Directories last: creating their files moved their times.
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_directory()) {
            SetTime(item.path(), when += 3602);
        }
    }
}

} // namespace korvel::sfx::test
