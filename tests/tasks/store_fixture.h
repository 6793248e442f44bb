#pragma once
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tasks/tasks_list.h"

// A fresh directory for the stores of one test, removed afterwards.
class StoreDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = std::filesystem::temp_directory_path() / ("korvel-tasks-" + std::to_string(rd()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Dir() const { return dir_.string() + "/"; }
    std::string Path(const std::string& name) const { return Dir() + name; }

    std::string ReadBytes(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void WriteBytes(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    std::filesystem::path dir_;
};

// A task list over the test's directory that collects the store errors it reports.
class StoreListTest : public StoreDirTest {
protected:
    korvel::TTasksList MakeList() {
        korvel::TTasksList list(Dir());
        list.OnStoreError = [this](const std::string& m) { errors.push_back(m); };
        return list;
    }
    std::vector<std::string> errors;
};

inline std::string Int32Bytes(int v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
    return s;
}
inline std::string StrBytes(const std::string& s) {
    return Int32Bytes(static_cast<int>(s.size())) + s;
}
