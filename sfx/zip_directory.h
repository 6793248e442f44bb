#pragma once
// The central directory of the archive appended to the stub, found through the
// end record at the end of the file, with the Zip64 records when present.

#include "sfx/archive_file.h"
#include "zipformat/zip_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::sfx {

struct TSfxEntry {
    std::string storedName; // bytes as stored, not yet decoded
    std::uint16_t versionMadeBy = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;      // as in the header: 99 for AES
    std::uint32_t dosDateTime = 0; // time in the low word, date in the high word
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0; // from the first byte of the file
    std::uint32_t externalAttributes = 0;
    // From the 0x9901 block of an AES entry.
    bool hasAesBlock = false;
    std::uint16_t aesVendorVersion = 0; // 1 = AE-1, 2 = AE-2
    int aesStrength = 0;
    std::uint16_t aesMethod = 0;

    bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0 || method == kMethodAes; }
    std::uint16_t RealMethod() const { return method == kMethodAes ? aesMethod : method; }
};

struct TSfxDirectory {
    std::vector<TSfxEntry> entries;
    std::string comment;
};

// Throws TSfxError when no archive is appended or its directory is damaged.
TSfxDirectory ReadDirectory(const TArchiveFile& file);

} // namespace korvel::sfx
