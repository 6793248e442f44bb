#pragma once
// The byte layouts of the ZIP records: local header, central header, the
// Zip64 and AES extra blocks, the end record and its Zip64 companions.
// Builders return the bytes to write; parsers fill the records from bytes read.

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/zip_header_info.h"
#include "zipformat/little_endian.h"
#include "zipformat/zip_end_records.h"

namespace korvel {

// Moves the method into an AES block when an encrypted record asks for AES.
void ApplyAesRule(TZipHeaderInfo& rec);

// The local header of `rec`; `carriedExtra` is the local extra field of an entry
// copied from an older archive (empty for new entries). Sets VersionNeeded.
std::string BuildLocalHeader(TZipHeaderInfo& rec, std::string_view carriedExtra = {});

// The central header of `rec`. Discards a Zip64 block that has nothing to hold.
std::string BuildCentralHeader(TZipHeaderInfo& rec);

// The Zip64 end record and locator (when a field overflowed) and the end record
// with its comment. `position` is the output offset where these bytes will start.
std::string BuildEndRecords(TEndCentral& end, std::uint64_t position);

// Fills the fixed fields of a central header (46 bytes, signature already checked).
void ParseCentralFixed(const std::uint8_t* p, TZipHeaderInfo& rec);

// Walks a central extra field: takes the Zip64 values the markers ask for and the
// AES block, and keeps every other block byte for byte in ForeignCentralExtra.
// False when the field is malformed (a block running past its end).
bool ParseCentralExtra(std::string_view extra, TZipHeaderInfo& rec);

// A local extra field without its Zip64 and AES blocks, which the writer makes
// again from the entry's values.
std::string StripOwnExtraBlocks(std::string_view extra);

// Fills the end record from its 22 fixed bytes (signature already checked).
void ParseEndRecord(const std::uint8_t* p, TEndCentral& end);

} // namespace korvel
