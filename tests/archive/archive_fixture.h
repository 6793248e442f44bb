#pragma once
// Helpers of the archive tests: a scratch directory per test, files written
// and read whole, peer tools run as judges, and raw fields of written archives.
// Paths are UTF-8 strings, as the engine takes them, on every system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/zip_writer.h"

// Starts a test that cannot hold on Windows: it skips there, with the reason.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << why
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif

namespace korvel::test {

// The path a UTF-8 string names, and back: Windows' narrow file functions would read
// the bytes in the ANSI code page instead.
std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8(const std::filesystem::path& path);
// With "/" between the components on every system.
std::string GenericUtf8(const std::filesystem::path& path);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
// Sets the last-write time to `secondsSinceEpoch`.
void SetMTime(const std::string& path, std::int64_t secondsSinceEpoch);
std::int64_t MTime(const std::string& path);

// Runs a command line of the system's shell (sh, or cmd on Windows); returns its exit
// status and puts stdout+stderr in `output`.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes one argument for that shell.
std::string Q(const std::string& s);
// The peers are driven by POSIX shell lines: on Windows no peer tool is there.
bool HaveTool(const std::string& name);

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// Deterministic compressible text and incompressible bytes.
std::string TextLike(std::size_t size, unsigned seed = 1);
std::string RandomBytes(std::size_t size, unsigned seed = 1);

std::uint16_t U16At(const std::string& bytes, std::size_t at);
std::uint32_t U32At(const std::string& bytes, std::size_t at);
std::uint64_t U64At(const std::string& bytes, std::size_t at);

// Every peer tool available judges the archive; the failures, one line each (empty = all clean).
// Where no peer runs (Windows), the self-extractor's reader, which shares no code with the
// engine's, tests every entry instead.
std::string PeerVerdicts(const std::string& archive, const std::string& password = "");
// name -> bytes of every file entry in directory order, extracted by python's zipfile (on
// Windows by the self-extractor's reader); like python, the entries before the first one
// that cannot be read.
std::vector<std::pair<std::string, std::string>> ExtractEntries(const std::string& archive,
                                                                const std::string& password = "");

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    // The scratch directory goes after the derived fixtures' members: an archive they keep
    // open cannot be removed on Windows.
    ~ArchiveTest() override;
    // Path below the scratch directory; parent directories are created.
    std::string P(const std::string& relative) const;
    std::string File(const std::string& relative, const std::string& content);
    std::string dir_;
};

} // namespace korvel::test
