#pragma once
// Helpers of the archive tests: a scratch directory per test, files written
// and read whole, peer tools run as judges, and raw fields of written archives.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/zip_writer.h"

namespace korvel::test {

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
// Sets the last-write time to `secondsSinceEpoch`.
void SetMTime(const std::string& path, std::int64_t secondsSinceEpoch);
std::int64_t MTime(const std::string& path);

// Runs a shell command; returns its exit status and puts stdout+stderr in `output`.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes for the shell.
std::string Q(const std::string& s);
bool HaveTool(const std::string& name);

// Deterministic compressible text and incompressible bytes.
std::string TextLike(std::size_t size, unsigned seed = 1);
std::string RandomBytes(std::size_t size, unsigned seed = 1);

std::uint16_t U16At(const std::string& bytes, std::size_t at);
std::uint32_t U32At(const std::string& bytes, std::size_t at);
std::uint64_t U64At(const std::string& bytes, std::size_t at);

// Every peer tool available judges the archive; the failures, one line each (empty = all clean).
std::string PeerVerdicts(const std::string& archive, const std::string& password = "");
// name -> bytes of every file entry, extracted by python's zipfile.
std::vector<std::pair<std::string, std::string>> PythonExtract(const std::string& archive,
                                                               const std::string& password = "");

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Path below the scratch directory; parent directories are created.
    std::string P(const std::string& relative) const;
    std::string File(const std::string& relative, const std::string& content);
    std::string dir_;
};

} // namespace korvel::test
