#pragma once
// The two records every part of the archive engine shares: one entry
// (TZipHeaderInfo) and the end of the central directory (TEndCentral),
// with the 64-bit views of the fields that can overflow into Zip64 records.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "zipformat/zip_end_records.h"
#include "zipformat/zip_extra_fields.h"
#include "zipformat/zip_format.h"

namespace korvel {

enum TOEMConvert : std::uint8_t { oemAlways = 0, oemNever = 1, oemFlexible = 2 };

struct TZip64Block {
    std::uint64_t UncompressedSize = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t RelativeOffset = 0;
    std::uint32_t DiskNumber = 0;
};

class TZipHeaderInfo {
public:
    TZipHeaderInfo() = default;
    explicit TZipHeaderInfo(TOEMConvert mode) : NameConversion(mode) {}

    std::uint16_t VersionMadeBy = 45;
    std::uint16_t VersionNeeded = 20;
    std::uint16_t Flags = 0;
    std::uint32_t DateTime = 0; // DOS time low word, DOS date high word
    std::uint32_t CRC32 = 0xFFFFFFFF;
    std::uint32_t CompressedSize32 = 0;
    std::uint32_t UncompressedSize32 = 0;
    std::uint16_t CentralExtraLength = 0;
    std::uint16_t LocalExtraLength = 0;
    std::uint16_t FileCommentLength = 0;
    std::uint16_t DiskNumberStart16 = 0;
    std::uint16_t InternalAttributes = 1;
    std::uint32_t ExternalAttributes = 0x20;
    std::uint32_t RelativeOffset32 = 0;

    std::optional<TZip64Block> Zip64;
    std::optional<std::array<std::uint8_t, kAesBlockSize>> AesBlock;
    std::uint8_t AesStrength = 0;
    std::optional<std::string> Comment;
    std::uint8_t DeletedMark = 0;
    std::uint8_t SelectedMark = 0;
    TOEMConvert NameConversion = oemNever;
    std::uint64_t OtherExtraOffset = 0;
    std::uint16_t OtherExtraLength = 0;
    std::uint16_t Zip64LengthRead = 0;
    std::uint16_t CompressionMethod = kMethodDeflate;

    // Where the entry's own central header lies in the archive it was read from.
    std::uint64_t CentralHeaderOffset = 0;
    // For an entry read from an archive: the central extra blocks other than
    // Zip64 and AES, byte for byte, to be written again when it is carried over.
    std::string ForeignCentralExtra;
    // For an entry read from an archive: the name exactly as stored, so that a
    // carried-over entry keeps its name bytes whatever their code page.
    std::string RawName;

    const std::string& FileName() const { return fileName_; }
    const std::string& Directory() const { return directory_; }
    void SetFileName(const std::string& name);
    // Appends "\" to a non-empty directory that lacks one.
    void SetDirectory(const std::string& dir);
    // Directory plus file name.
    std::string FullName() const { return directory_ + fileName_; }
    std::uint16_t FileNameLength() const { return nameLength_; }

    std::uint64_t UncompressedSize() const;
    void SetUncompressedSize(std::uint64_t value);
    std::uint64_t CompressedSize() const;
    void SetCompressedSize(std::uint64_t value);
    std::uint64_t RelativeOffset() const;
    void SetRelativeOffset(std::uint64_t value);
    std::uint32_t DiskNumberStart() const;
    void SetDiskNumberStart(std::uint32_t value);

    bool IsDirectoryEntry() const { return fileName_.empty() && !directory_.empty(); }
    std::uint8_t HostByte() const { return static_cast<std::uint8_t>(VersionMadeBy >> 8); }

private:
    TZip64Block& Block();
    std::string fileName_;
    std::string directory_;
    std::uint16_t nameLength_ = 0;
};

class TEndCentral {
public:
    std::uint32_t Signature = kEndSignature;
    std::uint16_t ThisDisk16 = 0;
    std::uint16_t CentralDisk16 = 0;
    std::uint16_t EntriesOnDisk16 = 0;
    std::uint16_t TotalEntries16 = 0;
    std::uint32_t CentralSize32 = 0;
    std::uint32_t CentralOffset32 = 0;
    std::uint16_t CommentLength = 0;
    std::optional<std::string> Comment;
    std::optional<TZip64EndRecord> Zip64End;
    std::optional<TZip64Locator> Zip64Locator;

    std::uint32_t ThisDisk() const;
    void SetThisDisk(std::uint32_t value);
    std::uint32_t CentralDisk() const;
    void SetCentralDisk(std::uint32_t value);
    std::uint64_t EntriesOnDisk() const;
    void SetEntriesOnDisk(std::uint64_t value);
    std::uint64_t TotalEntries() const;
    void SetTotalEntries(std::uint64_t value);
    std::uint64_t CentralSize() const;
    void SetCentralSize(std::uint64_t value);
    std::uint64_t CentralOffset() const;
    void SetCentralOffset(std::uint64_t value);

    // True when some field holds its marker, so the Zip64 end record and locator must be written.
    bool NeedsZip64() const;

private:
    TZip64EndRecord& Record();
};

// Corrects an impossible DOS time/date read from a header (hour 24, month 0 ...);
// a value that needs no correction comes back unchanged.
std::uint32_t CorrectDosDateTime(std::uint32_t value);

} // namespace korvel
