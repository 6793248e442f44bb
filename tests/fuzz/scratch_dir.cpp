#include "scratch_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace korvel::fuzz {

TScratchDir::TScratchDir(const std::string& tag) {
    const fs::path dir =
        fs::temp_directory_path() / ("korvel-fuzz-" + tag + "-" + std::to_string(::getpid()) + "-" +
                                     std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    path_ = dir.string() + "/";
}

TScratchDir::~TScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TScratchDir::Clear() const {
    for (const auto& e : fs::directory_iterator(path_))
        fs::remove_all(e.path());
}

void TScratchDir::Write(const std::string& name, const void* data, std::size_t size) const {
    const fs::path p = fs::path(path_) / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        throw std::runtime_error("cannot write scratch file " + p.string());
}

std::string TScratchDir::Read(const std::string& name) const {
    std::ifstream in(fs::path(path_) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string TScratchDir::Listing(const std::string& subdir) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(path_) / subdir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

} // namespace korvel::fuzz
