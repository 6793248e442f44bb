#include "archive/zip_records.h"

#include "zipformat/zip_extra_fields.h"

#include <cstring>

namespace korvel {

void ApplyAesRule(TZipHeaderInfo& rec) {
    const bool encrypted = (rec.Flags & kFlagEncrypted) || rec.CompressionMethod == kMethodAes;
    if (!encrypted || rec.AesStrength == 0 || rec.CompressionMethod == kMethodAes)
        return;
    if (rec.AesBlock) {
        // An entry read from an archive keeps its own block: its vendor version (AE-1
        // or AE-2) tells readers whether the CRC field is to be checked.
        rec.CompressionMethod = kMethodAes;
        return;
    }
    std::string block;
    PutU16(block, kAesTag);
    PutU16(block, kAesBlockSize - 4);
    PutU16(block, 1); // vendor version AE-1
    PutU16(block, kAesVendorId);
    block.push_back(static_cast<char>(rec.AesStrength));
    PutU16(block, rec.CompressionMethod);
    std::array<std::uint8_t, kAesBlockSize> bytes{};
    std::memcpy(bytes.data(), block.data(), bytes.size());
    rec.AesBlock = bytes;
    rec.CompressionMethod = kMethodAes;
}

namespace {

// The Zip64 block's data for one header variant; empty when nothing overflowed.
std::string Zip64Data(const TZipHeaderInfo& rec, bool local) {
    std::string data;
    const TZip64Block z = rec.Zip64.value_or(TZip64Block{});
    if (rec.UncompressedSize32 == kMarker32)
        PutU64(data, z.UncompressedSize);
    if (rec.CompressedSize32 == kMarker32)
        PutU64(data, z.CompressedSize);
    else if (local && rec.UncompressedSize32 == kMarker32)
        PutU64(data, rec.CompressedSize32);
    if (rec.RelativeOffset32 == kMarker32)
        PutU64(data, z.RelativeOffset);
    if (rec.DiskNumberStart16 == kMarker16)
        PutU32(data, z.DiskNumber);
    return data;
}

void AppendBlock(std::string& out, std::uint16_t tag, const std::string& data) {
    PutU16(out, tag);
    PutU16(out, static_cast<std::uint16_t>(data.size()));
    out += data;
}

std::uint16_t Length16(std::size_t n) {
    return static_cast<std::uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

} // namespace

std::string BuildLocalHeader(TZipHeaderInfo& rec, std::string_view carriedExtra) {
    ApplyAesRule(rec);
    const std::string zip64 = Zip64Data(rec, true);
    std::string extra;
    if (!zip64.empty())
        AppendBlock(extra, kZip64Tag, zip64);
    if (rec.CompressionMethod == kMethodAes && rec.AesBlock)
        extra.append(reinterpret_cast<const char*>(rec.AesBlock->data()), rec.AesBlock->size());
    extra.append(carriedExtra);
    rec.VersionNeeded = zip64.empty() ? 20 : 45;
    const std::string& name = rec.RawName;

    std::string out;
    out.reserve(kLocalHeaderSize + name.size() + extra.size());
    PutU32(out, kLocalSignature);
    PutU16(out, rec.VersionNeeded);
    PutU16(out, rec.Flags);
    PutU16(out, rec.CompressionMethod);
    PutU32(out, rec.DateTime);
    PutU32(out, rec.CRC32);
    PutU32(out, rec.UncompressedSize32 == kMarker32 ? kMarker32 : rec.CompressedSize32);
    PutU32(out, rec.UncompressedSize32);
    PutU16(out, Length16(name.size()));
    PutU16(out, Length16(extra.size()));
    out += name;
    out += extra;
    return out;
}

std::string BuildCentralHeader(TZipHeaderInfo& rec) {
    ApplyAesRule(rec);
    const std::string zip64 = Zip64Data(rec, false);
    if (zip64.empty())
        rec.Zip64.reset();
    std::string extra = rec.ForeignCentralExtra;
    if (!zip64.empty())
        AppendBlock(extra, kZip64Tag, zip64);
    if (rec.CompressionMethod == kMethodAes && rec.AesBlock)
        extra.append(reinterpret_cast<const char*>(rec.AesBlock->data()), rec.AesBlock->size());
    rec.VersionNeeded = zip64.empty() ? 20 : 45;
    const std::string& name = rec.RawName;
    const std::string comment = rec.FileCommentLength > 0 && rec.Comment
                                    ? rec.Comment->substr(0, rec.FileCommentLength)
                                    : std::string();

    std::string out;
    out.reserve(kCentralHeaderSize + name.size() + extra.size() + comment.size());
    PutU32(out, kCentralSignature);
    PutU16(out, rec.VersionMadeBy);
    PutU16(out, rec.VersionNeeded);
    PutU16(out, rec.Flags);
    PutU16(out, rec.CompressionMethod);
    PutU32(out, rec.DateTime);
    PutU32(out, rec.CRC32);
    PutU32(out, rec.CompressedSize32);
    PutU32(out, rec.UncompressedSize32);
    PutU16(out, Length16(name.size()));
    PutU16(out, Length16(extra.size()));
    PutU16(out, Length16(comment.size()));
    PutU16(out, rec.DiskNumberStart16);
    PutU16(out, rec.InternalAttributes);
    PutU32(out, rec.ExternalAttributes);
    PutU32(out, rec.RelativeOffset32);
    out += name;
    out += extra;
    out += comment;
    return out;
}

std::string BuildEndRecords(TEndCentral& end, std::uint64_t position) {
    std::string out;
    if (end.NeedsZip64()) {
        TZip64EndRecord& z = end.Zip64End ? *end.Zip64End : end.Zip64End.emplace();
        // Values that fit their short fields are copied too, so the record is complete.
        z.RecordSize = 44;
        z.VersionMadeBy = 45;
        z.VersionNeeded = 45;
        z.ThisDisk = end.ThisDisk();
        z.CentralDisk = end.CentralDisk();
        z.EntriesOnDisk = end.EntriesOnDisk();
        z.TotalEntries = end.TotalEntries();
        z.CentralSize = end.CentralSize();
        z.CentralOffset = end.CentralOffset();
        PutU32(out, kZip64EndSignature);
        PutU64(out, z.RecordSize);
        PutU16(out, z.VersionMadeBy);
        PutU16(out, z.VersionNeeded);
        PutU32(out, z.ThisDisk);
        PutU32(out, z.CentralDisk);
        PutU64(out, z.EntriesOnDisk);
        PutU64(out, z.TotalEntries);
        PutU64(out, z.CentralSize);
        PutU64(out, z.CentralOffset);
        TZip64Locator& loc = end.Zip64Locator ? *end.Zip64Locator : end.Zip64Locator.emplace();
        loc.Zip64EndDisk = end.ThisDisk();
        loc.Zip64EndOffset = position;
        loc.TotalDisks = end.ThisDisk() + 1;
        PutU32(out, kZip64LocatorSignature);
        PutU32(out, loc.Zip64EndDisk);
        PutU64(out, loc.Zip64EndOffset);
        PutU32(out, loc.TotalDisks);
    } else {
        end.Zip64End.reset();
        end.Zip64Locator.reset();
    }
    const std::string comment =
        end.CommentLength > 0 && end.Comment ? end.Comment->substr(0, end.CommentLength) : std::string();
    PutU32(out, kEndSignature);
    PutU16(out, end.ThisDisk16);
    PutU16(out, end.CentralDisk16);
    PutU16(out, end.EntriesOnDisk16);
    PutU16(out, end.TotalEntries16);
    PutU32(out, end.CentralSize32);
    PutU32(out, end.CentralOffset32);
    PutU16(out, Length16(comment.size()));
    out += comment;
    return out;
}

void ParseCentralFixed(const std::uint8_t* p, TZipHeaderInfo& rec) {
    rec.VersionMadeBy = GetU16(p + 4);
    rec.VersionNeeded = GetU16(p + 6);
    rec.Flags = GetU16(p + 8);
    rec.CompressionMethod = GetU16(p + 10);
    rec.DateTime = CorrectDosDateTime(GetU32(p + 12));
    rec.CRC32 = GetU32(p + 16);
    rec.CompressedSize32 = GetU32(p + 20);
    rec.UncompressedSize32 = GetU32(p + 24);
    rec.CentralExtraLength = GetU16(p + 30);
    rec.FileCommentLength = GetU16(p + 32);
    rec.DiskNumberStart16 = GetU16(p + 34);
    rec.InternalAttributes = GetU16(p + 36);
    rec.ExternalAttributes = GetU32(p + 38);
    rec.RelativeOffset32 = GetU32(p + 42);
}

bool ParseCentralExtra(std::string_view extra, TZipHeaderInfo& rec) {
    rec.ForeignCentralExtra.clear();
    bool ok = true;
    const std::size_t end = WalkExtraBlocks(extra, [&](std::uint16_t tag, std::string_view block) {
        const std::string_view data = block.substr(4);
        if (tag == kZip64Tag) {
            rec.Zip64LengthRead = static_cast<std::uint16_t>(block.size());
            TZip64Block z;
            std::size_t at = 0;
            auto take64 = [&](std::uint64_t& v) {
                if (at + 8 > data.size())
                    return false;
                v = GetU64(data.data() + at);
                at += 8;
                return true;
            };
            if (rec.UncompressedSize32 == kMarker32)
                ok = ok && take64(z.UncompressedSize);
            if (rec.CompressedSize32 == kMarker32)
                ok = ok && take64(z.CompressedSize);
            if (rec.RelativeOffset32 == kMarker32)
                ok = ok && take64(z.RelativeOffset);
            if (rec.DiskNumberStart16 == kMarker16) {
                if (at + 4 > data.size())
                    ok = false;
                else
                    z.DiskNumber = GetU32(data.data() + at);
            }
            if (!ok)
                return false;
            rec.Zip64 = z;
        } else if (tag == kAesTag && block.size() == kAesBlockSize) {
            std::array<std::uint8_t, kAesBlockSize> bytes{};
            std::memcpy(bytes.data(), block.data(), bytes.size());
            rec.AesBlock = bytes;
        } else {
            rec.ForeignCentralExtra.append(block);
        }
        return true;
    });
    // A block running past the field makes it malformed; a few padding bytes
    // shorter than a block header are kept as they are.
    if (!ok || extra.size() - end >= 4)
        return false;
    rec.ForeignCentralExtra.append(extra.substr(end));
    return true;
}

std::string StripOwnExtraBlocks(std::string_view extra) {
    std::string out;
    std::size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const std::uint16_t tag = GetU16(extra.data() + pos);
        const std::size_t size = GetU16(extra.data() + pos + 2);
        const std::size_t len = pos + 4 + size > extra.size() ? extra.size() - pos : 4 + size;
        if (tag != kZip64Tag && tag != kAesTag)
            out.append(extra.substr(pos, len));
        pos += len;
    }
    if (pos < extra.size())
        out.append(extra.substr(pos));
    return out;
}

void ParseEndRecord(const std::uint8_t* p, TEndCentral& end) {
    const TEndRecordFields fields = ParseEndRecordFields(p);
    end.Signature = GetU32(p);
    end.ThisDisk16 = fields.ThisDisk;
    end.CentralDisk16 = fields.CentralDisk;
    end.EntriesOnDisk16 = fields.EntriesOnDisk;
    end.TotalEntries16 = fields.TotalEntries;
    end.CentralSize32 = fields.CentralSize;
    end.CentralOffset32 = fields.CentralOffset;
    end.CommentLength = fields.CommentLength;
}

} // namespace korvel
