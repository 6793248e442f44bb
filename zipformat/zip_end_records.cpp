#include "zipformat/zip_end_records.h"

#include "zipformat/little_endian.h"

namespace korvel {

std::optional<std::size_t> FindEndRecord(std::string_view tail, TEndMatch match) {
    if (tail.size() < kEndRecordSize)
        return std::nullopt;
    for (std::size_t pos = tail.size() - kEndRecordSize + 1; pos-- > 0;) {
        if (tail[pos] != 0x50 || GetU32(tail.data() + pos) != kEndSignature)
            continue;
        const std::size_t commentLength = GetU16(tail.data() + pos + 20);
        if (match == TEndMatch::CommentInsideFile && pos + kEndRecordSize + commentLength > tail.size())
            continue;
        return pos;
    }
    return std::nullopt;
}

TEndRecordFields ParseEndRecordFields(const std::uint8_t* p) {
    TEndRecordFields end;
    end.ThisDisk = GetU16(p + 4);
    end.CentralDisk = GetU16(p + 6);
    end.EntriesOnDisk = GetU16(p + 8);
    end.TotalEntries = GetU16(p + 10);
    end.CentralSize = GetU32(p + 12);
    end.CentralOffset = GetU32(p + 16);
    end.CommentLength = GetU16(p + 20);
    return end;
}

void ParseZip64Locator(const std::uint8_t* p, TZip64Locator& loc) {
    loc.Zip64EndDisk = GetU32(p + 4);
    loc.Zip64EndOffset = GetU64(p + 8);
    loc.TotalDisks = GetU32(p + 16);
}

void ParseZip64EndRecord(const std::uint8_t* p, TZip64EndRecord& rec) {
    rec.RecordSize = GetU64(p + 4);
    rec.VersionMadeBy = GetU16(p + 12);
    rec.VersionNeeded = GetU16(p + 14);
    rec.ThisDisk = GetU32(p + 16);
    rec.CentralDisk = GetU32(p + 20);
    rec.EntriesOnDisk = GetU64(p + 24);
    rec.TotalEntries = GetU64(p + 32);
    rec.CentralSize = GetU64(p + 40);
    rec.CentralOffset = GetU64(p + 48);
}

TZip64End ReadZip64End(std::uint64_t endPosition, const TReadExact& read) {
    TZip64End result;
    std::uint8_t loc[kZip64LocatorSize];
    if (endPosition < kZip64LocatorSize || !read(endPosition - kZip64LocatorSize, loc, sizeof loc) ||
        GetU32(loc) != kZip64LocatorSignature)
        return result;
    ParseZip64Locator(loc, result.Locator);
    const std::uint64_t locatorPosition = endPosition - kZip64LocatorSize;
    std::uint8_t rec[kZip64EndRecordSize];
    // The record must end before the locator; an offset from the file is never trusted further.
    const auto recordAt = [&](std::uint64_t offset) {
        return offset <= locatorPosition && locatorPosition - offset >= kZip64EndRecordSize &&
               read(offset, rec, sizeof rec) && GetU32(rec) == kZip64EndSignature;
    };
    if (recordAt(result.Locator.Zip64EndOffset)) {
        result.RecordOffset = result.Locator.Zip64EndOffset;
    } else if (locatorPosition >= kZip64EndRecordSize && recordAt(locatorPosition - kZip64EndRecordSize)) {
        result.RecordOffset = locatorPosition - kZip64EndRecordSize;
    } else {
        result.Status = TZip64End::RecordMissing;
        return result;
    }
    ParseZip64EndRecord(rec, result.Record);
    result.Status = TZip64End::Found;
    return result;
}

} // namespace korvel
