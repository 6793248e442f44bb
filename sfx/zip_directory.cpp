#include "sfx/zip_directory.h"

#include <algorithm>

namespace korvel::sfx {

namespace {

constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kCentralSize = 46;
// The largest comment plus the end record: the end record lies within this tail.
constexpr std::size_t kEndSearchWindow = 65535 + kEndSize;

constexpr std::uint16_t kTagZip64 = 0x0001;
constexpr std::uint16_t kTagAes = 0x9901;

struct TEndValues {
    std::uint64_t endPosition = 0;  // of the 22-byte end record
    std::uint64_t recordsStart = 0; // of the Zip64 end record when present, else endPosition
    std::uint64_t entries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
    std::string comment;
};

TEndValues FindEnd(const TArchiveFile& file) {
    if (file.Size() < kEndSize) {
        throw TSfxError("no archive is attached to this program");
    }
    const std::uint64_t windowSize = std::min<std::uint64_t>(file.Size(), kEndSearchWindow);
    const std::uint64_t windowStart = file.Size() - windowSize;
    const std::string tail = file.ReadString(windowStart, static_cast<std::size_t>(windowSize));

    // Backwards from the last place a whole record fits; a hit whose comment
    // would run past the end of the file is a stray byte pattern, not the record.
    for (std::size_t pos = tail.size() - kEndSize + 1; pos-- > 0;) {
        if (LoadU32(tail.data() + pos) != kEndSignature) {
            continue;
        }
        const char* p = tail.data() + pos;
        const std::uint16_t commentLength = LoadU16(p + 20);
        if (pos + kEndSize + commentLength > tail.size()) {
            continue;
        }
        TEndValues end;
        end.endPosition = windowStart + pos;
        end.recordsStart = end.endPosition;
        const std::uint16_t thisDisk = LoadU16(p + 4);
        const std::uint16_t directoryDisk = LoadU16(p + 6);
        const std::uint16_t entriesHere = LoadU16(p + 8);
        const std::uint16_t entriesTotal = LoadU16(p + 10);
        end.entries = entriesTotal;
        end.directorySize = LoadU32(p + 12);
        end.directoryOffset = LoadU32(p + 16);
        end.comment.assign(p + kEndSize, commentLength);

        std::uint64_t zip64Disk = 0;
        std::uint64_t zip64DirectoryDisk = 0;
        bool hasZip64 = false;
        if (end.endPosition >= kLocatorSize) {
            char locator[kLocatorSize];
            file.ReadAt(end.endPosition - kLocatorSize, locator, kLocatorSize);
            if (LoadU32(locator) == kZip64LocatorSignature) {
                std::uint64_t recordOffset = LoadU64(locator + 8);
                const std::uint64_t locatorPosition = end.endPosition - kLocatorSize;
                char record[kZip64EndSize];
                const auto recordAt = [&](std::uint64_t offset) {
                    if (offset > locatorPosition || locatorPosition - offset < kZip64EndSize) {
                        return false;
                    }
                    file.ReadAt(offset, record, kZip64EndSize);
                    return LoadU32(record) == kZip64EndSignature;
                };
                // A stub put in front without adjusting the offsets leaves the locator
                // short; the record then sits right before the locator, where writers put it.
                if (!recordAt(recordOffset)) {
                    if (locatorPosition < kZip64EndSize || !recordAt(locatorPosition - kZip64EndSize)) {
                        throw TSfxError("archive damaged: Zip64 end record missing");
                    }
                    recordOffset = locatorPosition - kZip64EndSize;
                }
                hasZip64 = true;
                end.recordsStart = recordOffset;
                zip64Disk = LoadU32(record + 16);
                zip64DirectoryDisk = LoadU32(record + 20);
                if (entriesTotal == 0xFFFF || entriesHere == 0xFFFF) {
                    end.entries = LoadU64(record + 32);
                }
                if (end.directorySize == 0xFFFFFFFF) {
                    end.directorySize = LoadU64(record + 40);
                }
                if (end.directoryOffset == 0xFFFFFFFF) {
                    end.directoryOffset = LoadU64(record + 48);
                }
            }
        }
        const std::uint64_t disk = (hasZip64 && thisDisk == 0xFFFF) ? zip64Disk : thisDisk;
        const std::uint64_t dirDisk =
            (hasZip64 && directoryDisk == 0xFFFF) ? zip64DirectoryDisk : directoryDisk;
        if (disk != 0 || dirDisk != 0) {
            throw TSfxError("multi-volume archives are not supported");
        }
        return end;
    }
    throw TSfxError("no archive is attached to this program");
}

// Where the central directory really starts. Normally at its recorded offset;
// when an archive was appended without its offsets being adjusted, every offset
// is short by the stub's size, which the gap before the end records reveals.
std::uint64_t OffsetShift(const TArchiveFile& file, const TEndValues& end) {
    if (end.directorySize > end.recordsStart) {
        throw TSfxError("archive damaged: central directory larger than the file");
    }
    const std::uint64_t actualStart = end.recordsStart - end.directorySize;
    if (end.directoryOffset == actualStart || end.entries == 0) {
        return 0;
    }
    const auto signatureAt = [&](std::uint64_t offset) {
        char sig[4];
        if (!file.Contains(offset, sizeof sig)) {
            return false;
        }
        file.ReadAt(offset, sig, sizeof sig);
        return LoadU32(sig) == kCentralSignature;
    };
    if (end.directoryOffset < actualStart && !signatureAt(end.directoryOffset) && signatureAt(actualStart)) {
        return actualStart - end.directoryOffset;
    }
    return 0;
}

void ParseExtra(const char* extra, std::size_t length, TSfxEntry& entry) {
    std::size_t pos = 0;
    while (pos + 4 <= length) {
        const std::uint16_t tag = LoadU16(extra + pos);
        const std::uint16_t size = LoadU16(extra + pos + 2);
        if (pos + 4 + size > length) {
            return; // a block running past the field: ignore the rest, as other readers do
        }
        const char* data = extra + pos + 4;
        if (tag == kTagZip64) {
            // Only the fields whose header value is the marker are present, in this order.
            std::size_t at = 0;
            const auto take = [&](std::uint64_t& field) {
                if (field == 0xFFFFFFFF && at + 8 <= size) {
                    field = LoadU64(data + at);
                    at += 8;
                }
            };
            take(entry.uncompressedSize);
            take(entry.compressedSize);
            take(entry.localHeaderOffset);
        } else if (tag == kTagAes && size >= 7) {
            entry.hasAesBlock = true;
            entry.aesVendorVersion = LoadU16(data);
            entry.aesStrength = static_cast<unsigned char>(data[4]);
            entry.aesMethod = LoadU16(data + 5);
        }
        pos += 4 + std::size_t{size};
    }
}

} // namespace

std::uint16_t LoadU16(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t LoadU32(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
}

std::uint64_t LoadU64(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    return std::uint64_t{LoadU32(b)} | (std::uint64_t{LoadU32(b + 4)} << 32);
}

TSfxDirectory ReadDirectory(const TArchiveFile& file) {
    const TEndValues end = FindEnd(file);
    TSfxDirectory directory;
    directory.comment = end.comment;
    if (end.entries == 0) {
        return directory;
    }
    const std::uint64_t shift = OffsetShift(file, end);
    const std::uint64_t start = end.directoryOffset + shift;
    if (!file.Contains(start, end.directorySize) || start + end.directorySize > end.recordsStart) {
        throw TSfxError("archive damaged: central directory outside the file");
    }
    // Every header takes at least 46 bytes: a count the directory cannot hold is a lie,
    // and checking it first keeps the reservation below bounded by the file.
    if (end.entries > end.directorySize / kCentralSize) {
        throw TSfxError("archive damaged: more entries recorded than the directory holds");
    }
    const std::string bytes = file.ReadString(start, static_cast<std::size_t>(end.directorySize));
    directory.entries.reserve(static_cast<std::size_t>(end.entries));

    std::size_t pos = 0;
    for (std::uint64_t i = 0; i < end.entries; ++i) {
        if (bytes.size() - pos < kCentralSize || LoadU32(bytes.data() + pos) != kCentralSignature) {
            throw TSfxError("archive damaged: bad central directory header");
        }
        const char* p = bytes.data() + pos;
        TSfxEntry entry;
        entry.versionMadeBy = LoadU16(p + 4);
        entry.flags = LoadU16(p + 8);
        entry.method = LoadU16(p + 10);
        entry.dosDateTime = LoadU32(p + 12);
        entry.crc = LoadU32(p + 16);
        entry.compressedSize = LoadU32(p + 20);
        entry.uncompressedSize = LoadU32(p + 24);
        const std::size_t nameLength = LoadU16(p + 28);
        const std::size_t extraLength = LoadU16(p + 30);
        const std::size_t commentLength = LoadU16(p + 32);
        entry.externalAttributes = LoadU32(p + 38);
        entry.localHeaderOffset = LoadU32(p + 42);
        const std::size_t variable = nameLength + extraLength + commentLength;
        if (bytes.size() - pos - kCentralSize < variable) {
            throw TSfxError("archive damaged: central directory header runs past the directory");
        }
        entry.storedName.assign(p + kCentralSize, nameLength);
        ParseExtra(p + kCentralSize + nameLength, extraLength, entry);
        if (entry.localHeaderOffset > file.Size() - shift) {
            throw TSfxError("archive damaged: entry offset outside the file");
        }
        entry.localHeaderOffset += shift;
        directory.entries.push_back(std::move(entry));
        pos += kCentralSize + variable;
    }
    return directory;
}

} // namespace korvel::sfx
