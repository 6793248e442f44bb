#pragma once
// Working state of one TZipWriter::Zip call, shared by the files that build
// the archive (new entries, carried-over entries, central directory).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "archive/zip_deflate_pool.h"
#include "archive/zip_file.h"
#include "archive/zip_writer.h"
#include "platform/file_replace.h"

namespace korvel {

struct TZipWriter::TRun {
    TZipFile out;
    TEndCentral end;
    std::vector<TZipHeaderInfo> written;   // in write order, for the central directory
    std::unordered_set<std::string> names; // lowered stored names already in the new archive
    std::uint64_t totalBytes = 0;
    std::uint64_t doneBytes = 0;
    std::uint64_t outputBytes = 0;
    int count = 0;
    bool update = false;
    bool unchanged = false; // an update that found nothing to do
    std::string outputPath; // the new archive or the temporary archive
    TFileId outputId;       // never zip the archive into itself
    TFileId oldArchiveId;
    TFileId zipNameId; // ZipName as the file list was completed
    std::uint64_t zipNameSize = 0;
    std::uint64_t oldArchiveSize = 0;
    std::vector<std::string> disposeList;
    // Deflates ahead of the writer; none with one thread or at level 0.
    std::unique_ptr<TDeflatePool> pool;
    std::size_t item = 0; // files begun, the pool's plan position
};

// Stored sizes from this value on get Zip64 fields in the local header from the
// start, so that patching the header after the data never changes its length.
inline constexpr std::uint64_t kZip64Threshold = 0xF0000000ULL;

} // namespace korvel
