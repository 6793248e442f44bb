#include "sfx/zip_directory.h"

#include "zipformat/little_endian.h"
#include "zipformat/zip_end_records.h"
#include "zipformat/zip_extra_fields.h"

#include <algorithm>

namespace korvel::sfx {

namespace {

struct TEndValues {
    std::uint64_t endPosition = 0;  // of the 22-byte end record
    std::uint64_t recordsStart = 0; // of the Zip64 end record when present, else endPosition
    std::uint64_t entries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
    std::string comment;
};

TEndValues FindEnd(const TArchiveFile& file) {
    if (file.Size() < kEndRecordSize) {
        throw TSfxError("no archive is attached to this program");
    }
    const std::uint64_t windowSize = std::min<std::uint64_t>(file.Size(), kEndSearchWindow);
    const std::uint64_t windowStart = file.Size() - windowSize;
    const std::string tail = file.ReadString(windowStart, static_cast<std::size_t>(windowSize));
    const std::optional<std::size_t> found = FindEndRecord(tail, TEndMatch::CommentInsideFile);
    if (!found) {
        throw TSfxError("no archive is attached to this program");
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(tail.data() + *found);
    const TEndRecordFields fields = ParseEndRecordFields(p);
    TEndValues end;
    end.endPosition = windowStart + *found;
    end.recordsStart = end.endPosition;
    end.entries = fields.TotalEntries;
    end.directorySize = fields.CentralSize;
    end.directoryOffset = fields.CentralOffset;
    end.comment.assign(tail.data() + *found + kEndRecordSize, fields.CommentLength);

    std::uint64_t disk = fields.ThisDisk;
    std::uint64_t directoryDisk = fields.CentralDisk;
    const TZip64End zip64 = ReadZip64End(end.endPosition, [&](std::uint64_t at, void* out, std::size_t size) {
        if (!file.Contains(at, size)) {
            return false;
        }
        file.ReadAt(at, out, size);
        return true;
    });
    if (zip64.Status == TZip64End::RecordMissing) {
        throw TSfxError("archive damaged: Zip64 end record missing");
    }
    if (zip64.Status == TZip64End::Found) {
        end.recordsStart = zip64.RecordOffset;
        if (fields.TotalEntries == kMarker16 || fields.EntriesOnDisk == kMarker16) {
            end.entries = zip64.Record.TotalEntries;
        }
        if (fields.CentralSize == kMarker32) {
            end.directorySize = zip64.Record.CentralSize;
        }
        if (fields.CentralOffset == kMarker32) {
            end.directoryOffset = zip64.Record.CentralOffset;
        }
        if (fields.ThisDisk == kMarker16) {
            disk = zip64.Record.ThisDisk;
        }
        if (fields.CentralDisk == kMarker16) {
            directoryDisk = zip64.Record.CentralDisk;
        }
    }
    if (disk != 0 || directoryDisk != 0) {
        throw TSfxError("multi-volume archives are not supported");
    }
    return end;
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
        return GetU32(sig) == kCentralSignature;
    };
    if (end.directoryOffset < actualStart && !signatureAt(end.directoryOffset) && signatureAt(actualStart)) {
        return actualStart - end.directoryOffset;
    }
    return 0;
}

// Lenient, as other readers are: a block running past the field ends the walk.
void ParseExtra(std::string_view extra, TSfxEntry& entry) {
    WalkExtraBlocks(extra, [&](std::uint16_t tag, std::string_view block) {
        const std::string_view data = block.substr(4);
        if (tag == kZip64Tag) {
            // Only the fields whose header value is the marker are present, in this order.
            std::size_t at = 0;
            const auto take = [&](std::uint64_t& field) {
                if (field == kMarker32 && at + 8 <= data.size()) {
                    field = GetU64(data.data() + at);
                    at += 8;
                }
            };
            take(entry.uncompressedSize);
            take(entry.compressedSize);
            take(entry.localHeaderOffset);
        } else if (tag == kAesTag && block.size() >= kAesBlockSize) {
            const TAesExtra aes = ParseAesExtra(block.data());
            entry.hasAesBlock = true;
            entry.aesVendorVersion = aes.VendorVersion;
            entry.aesStrength = aes.Strength;
            entry.aesMethod = aes.Method;
        }
        return true;
    });
}

} // namespace

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
    if (end.entries > end.directorySize / kCentralHeaderSize) {
        throw TSfxError("archive damaged: more entries recorded than the directory holds");
    }
    const std::string bytes = file.ReadString(start, static_cast<std::size_t>(end.directorySize));
    directory.entries.reserve(static_cast<std::size_t>(end.entries));

    std::size_t pos = 0;
    for (std::uint64_t i = 0; i < end.entries; ++i) {
        if (bytes.size() - pos < kCentralHeaderSize || GetU32(bytes.data() + pos) != kCentralSignature) {
            throw TSfxError("archive damaged: bad central directory header");
        }
        const char* p = bytes.data() + pos;
        TSfxEntry entry;
        entry.versionMadeBy = GetU16(p + 4);
        entry.flags = GetU16(p + 8);
        entry.method = GetU16(p + 10);
        entry.dosDateTime = GetU32(p + 12);
        entry.crc = GetU32(p + 16);
        entry.compressedSize = GetU32(p + 20);
        entry.uncompressedSize = GetU32(p + 24);
        const std::size_t nameLength = GetU16(p + 28);
        const std::size_t extraLength = GetU16(p + 30);
        const std::size_t commentLength = GetU16(p + 32);
        entry.externalAttributes = GetU32(p + 38);
        entry.localHeaderOffset = GetU32(p + 42);
        const std::size_t variable = nameLength + extraLength + commentLength;
        if (bytes.size() - pos - kCentralHeaderSize < variable) {
            throw TSfxError("archive damaged: central directory header runs past the directory");
        }
        entry.storedName.assign(p + kCentralHeaderSize, nameLength);
        ParseExtra(std::string_view(p + kCentralHeaderSize + nameLength, extraLength), entry);
        if (entry.localHeaderOffset > file.Size() - shift) {
            throw TSfxError("archive damaged: entry offset outside the file");
        }
        entry.localHeaderOffset += shift;
        directory.entries.push_back(std::move(entry));
        pos += kCentralHeaderSize + variable;
    }
    return directory;
}

} // namespace korvel::sfx
