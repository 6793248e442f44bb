#pragma once
// The records at the end of an archive: the end of central directory record,
// found by searching backwards from the end of the file, and the Zip64 end
// record with the locator that points at it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "zipformat/zip_format.h"

namespace korvel {

// The 22 fixed bytes of the end record after its signature.
struct TEndRecordFields {
    std::uint16_t ThisDisk = 0;
    std::uint16_t CentralDisk = 0;
    std::uint16_t EntriesOnDisk = 0;
    std::uint16_t TotalEntries = 0;
    std::uint32_t CentralSize = 0;
    std::uint32_t CentralOffset = 0;
    std::uint16_t CommentLength = 0;
};

struct TZip64EndRecord {
    std::uint64_t RecordSize = 44;
    std::uint16_t VersionMadeBy = 45;
    std::uint16_t VersionNeeded = 45;
    std::uint32_t ThisDisk = 0;
    std::uint32_t CentralDisk = 0;
    std::uint64_t EntriesOnDisk = 0;
    std::uint64_t TotalEntries = 0;
    std::uint64_t CentralSize = 0;
    std::uint64_t CentralOffset = 0;
};

struct TZip64Locator {
    std::uint32_t Zip64EndDisk = 0;
    std::uint64_t Zip64EndOffset = 0;
    std::uint32_t TotalDisks = 1;
};

// Which signature hits count as the end record.
enum class TEndMatch {
    // The first signature from the end with room for the fixed record.
    FirstSignature,
    // Also its comment must end within the file: a hit whose recorded comment runs
    // past the end is a stray byte pattern (inside a comment or compressed data).
    CommentInsideFile,
};

// Searches `tail`, the last min(file size, kEndSearchWindow) bytes of a file,
// backwards for the end record; returns its offset within `tail`.
std::optional<std::size_t> FindEndRecord(std::string_view tail, TEndMatch match);

// From the 22 bytes of an end record (signature already checked).
TEndRecordFields ParseEndRecordFields(const std::uint8_t* p);
// From the 20 bytes of a locator / the 56 bytes of a Zip64 end record (signatures already checked).
void ParseZip64Locator(const std::uint8_t* p, TZip64Locator& loc);
void ParseZip64EndRecord(const std::uint8_t* p, TZip64EndRecord& rec);

// Reads exactly `size` bytes at `offset`; false when the file cannot give them.
using TReadExact = std::function<bool(std::uint64_t offset, void* buffer, std::size_t size)>;

struct TZip64End {
    enum TStatus { Absent, Found, RecordMissing } Status = Absent;
    TZip64Locator Locator;
    TZip64EndRecord Record;
    // Where the record really lies: the locator's offset, or right before the locator
    // when the archive was put behind a stub without its offsets being adjusted.
    std::uint64_t RecordOffset = 0;
};

// Looks for the Zip64 locator right before the end record at `endPosition` and
// reads the Zip64 end record it points at. Absent: no locator; RecordMissing: a
// locator whose record is neither where it points nor right before it.
TZip64End ReadZip64End(std::uint64_t endPosition, const TReadExact& read);

} // namespace korvel
