#pragma once
// The entry points the fuzzers drive. Each takes one input, runs it through the
// code under test, and returns an empty text when the code behaved soundly or a
// description of what went wrong. The same entries replay the inputs that once
// broke something, in the normal test suite.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel::fuzz {

struct TEntryOptions {
    // Let peer tools (unzip -t) judge archives too: far too slow inside a fuzzing
    // loop, right for replaying a handful of saved inputs.
    bool PeerJudge = false;
};

using TEntryFn = std::string (*)(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);

struct TFuzzTarget {
    const char* Name; // also the folder of its saved inputs
    TEntryFn Run;
};

std::string ZipReaderEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string ZipUpdateEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string TasksStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string HistoryStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string OptionsStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string MaskEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string ArchiveNameEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
// The self-extractor stub: its directory reader, and a whole extraction run.
std::string SfxDirectoryEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);
std::string SfxExtractEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options);

// Every target, named as its fuzzer program is named without the "fuzz_" prefix.
const std::vector<TFuzzTarget>& FuzzTargets();

} // namespace korvel::fuzz
