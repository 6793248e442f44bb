#include "archive/zip_header_info.h"

namespace korvel {

namespace {
std::uint16_t ClampLength(std::size_t n) {
    return n > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(n);
}
} // namespace

void TZipHeaderInfo::SetFileName(const std::string& name) {
    fileName_ = name;
    nameLength_ = ClampLength(directory_.size() + fileName_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& dir) {
    directory_ = dir;
    if (!directory_.empty() && directory_.back() != '\\')
        directory_ += '\\';
    nameLength_ = ClampLength(directory_.size() + fileName_.size());
}

TZip64Block& TZipHeaderInfo::Block() {
    if (!Zip64)
        Zip64.emplace();
    return *Zip64;
}

std::uint64_t TZipHeaderInfo::UncompressedSize() const {
    return UncompressedSize32 == kMarker32 && Zip64 ? Zip64->UncompressedSize : UncompressedSize32;
}

void TZipHeaderInfo::SetUncompressedSize(std::uint64_t value) {
    if (value < kMarker32) {
        UncompressedSize32 = static_cast<std::uint32_t>(value);
    } else {
        Block().UncompressedSize = value;
        UncompressedSize32 = kMarker32;
    }
}

std::uint64_t TZipHeaderInfo::CompressedSize() const {
    return CompressedSize32 == kMarker32 && Zip64 ? Zip64->CompressedSize : CompressedSize32;
}

void TZipHeaderInfo::SetCompressedSize(std::uint64_t value) {
    if (value < kMarker32) {
        CompressedSize32 = static_cast<std::uint32_t>(value);
    } else {
        Block().CompressedSize = value;
        CompressedSize32 = kMarker32;
    }
}

std::uint64_t TZipHeaderInfo::RelativeOffset() const {
    return RelativeOffset32 == kMarker32 && Zip64 ? Zip64->RelativeOffset : RelativeOffset32;
}

void TZipHeaderInfo::SetRelativeOffset(std::uint64_t value) {
    if (value < kMarker32) {
        RelativeOffset32 = static_cast<std::uint32_t>(value);
    } else {
        Block().RelativeOffset = value;
        RelativeOffset32 = kMarker32;
    }
}

std::uint32_t TZipHeaderInfo::DiskNumberStart() const {
    return DiskNumberStart16 == kMarker16 && Zip64 ? Zip64->DiskNumber : DiskNumberStart16;
}

void TZipHeaderInfo::SetDiskNumberStart(std::uint32_t value) {
    if (value < kMarker16) {
        DiskNumberStart16 = static_cast<std::uint16_t>(value);
    } else {
        Block().DiskNumber = value;
        DiskNumberStart16 = kMarker16;
    }
}

TZip64EndRecord& TEndCentral::Record() {
    if (!Zip64End)
        Zip64End.emplace();
    return *Zip64End;
}

std::uint32_t TEndCentral::ThisDisk() const {
    return ThisDisk16 == kMarker16 && Zip64End ? Zip64End->ThisDisk : ThisDisk16;
}
void TEndCentral::SetThisDisk(std::uint32_t value) {
    if (value < kMarker16) {
        ThisDisk16 = static_cast<std::uint16_t>(value);
        if (Zip64End)
            Zip64End->ThisDisk = value;
    } else {
        Record().ThisDisk = value;
        ThisDisk16 = kMarker16;
    }
}

std::uint32_t TEndCentral::CentralDisk() const {
    return CentralDisk16 == kMarker16 && Zip64End ? Zip64End->CentralDisk : CentralDisk16;
}
void TEndCentral::SetCentralDisk(std::uint32_t value) {
    if (value < kMarker16) {
        CentralDisk16 = static_cast<std::uint16_t>(value);
        if (Zip64End)
            Zip64End->CentralDisk = value;
    } else {
        Record().CentralDisk = value;
        CentralDisk16 = kMarker16;
    }
}

std::uint64_t TEndCentral::EntriesOnDisk() const {
    return EntriesOnDisk16 == kMarker16 && Zip64End ? Zip64End->EntriesOnDisk : EntriesOnDisk16;
}
void TEndCentral::SetEntriesOnDisk(std::uint64_t value) {
    if (value < kMarker16) {
        EntriesOnDisk16 = static_cast<std::uint16_t>(value);
        if (Zip64End)
            Zip64End->EntriesOnDisk = value;
    } else {
        Record().EntriesOnDisk = value;
        EntriesOnDisk16 = kMarker16;
    }
}

std::uint64_t TEndCentral::TotalEntries() const {
    return TotalEntries16 == kMarker16 && Zip64End ? Zip64End->TotalEntries : TotalEntries16;
}
void TEndCentral::SetTotalEntries(std::uint64_t value) {
    if (value < kMarker16) {
        TotalEntries16 = static_cast<std::uint16_t>(value);
        if (Zip64End)
            Zip64End->TotalEntries = value;
    } else {
        Record().TotalEntries = value;
        TotalEntries16 = kMarker16;
    }
}

std::uint64_t TEndCentral::CentralSize() const {
    return CentralSize32 == kMarker32 && Zip64End ? Zip64End->CentralSize : CentralSize32;
}
void TEndCentral::SetCentralSize(std::uint64_t value) {
    if (value < kMarker32) {
        CentralSize32 = static_cast<std::uint32_t>(value);
        if (Zip64End)
            Zip64End->CentralSize = value;
    } else {
        Record().CentralSize = value;
        CentralSize32 = kMarker32;
    }
}

std::uint64_t TEndCentral::CentralOffset() const {
    return CentralOffset32 == kMarker32 && Zip64End ? Zip64End->CentralOffset : CentralOffset32;
}
void TEndCentral::SetCentralOffset(std::uint64_t value) {
    if (value < kMarker32) {
        CentralOffset32 = static_cast<std::uint32_t>(value);
        if (Zip64End)
            Zip64End->CentralOffset = value;
    } else {
        Record().CentralOffset = value;
        CentralOffset32 = kMarker32;
    }
}

bool TEndCentral::NeedsZip64() const {
    return ThisDisk16 == kMarker16 || CentralDisk16 == kMarker16 || EntriesOnDisk16 == kMarker16 ||
           TotalEntries16 == kMarker16 || CentralSize32 == kMarker32 || CentralOffset32 == kMarker32;
}

std::uint32_t CorrectDosDateTime(std::uint32_t value) {
    unsigned seconds = (value & 0x1F) * 2;
    unsigned minute = (value >> 5) & 0x3F;
    unsigned hour = (value >> 11) & 0x1F;
    unsigned day = (value >> 16) & 0x1F;
    unsigned month = (value >> 21) & 0x0F;
    unsigned year = (value >> 25) & 0x7F;
    bool changed = false;
    auto fix = [&changed](unsigned& field, bool bad, unsigned replacement) {
        if (bad) {
            field = replacement;
            changed = true;
        }
    };
    fix(hour, hour >= 24, 23);
    fix(minute, minute > 59, 59);
    fix(seconds, seconds > 59, 59);
    fix(year, year >= 120, 119);
    fix(month, month > 12, 12);
    fix(month, month == 0, 1);
    fix(day, day == 0, 1);
    if (!changed)
        return value;
    return (seconds / 2) | (minute << 5) | (hour << 11) | (day << 16) | (month << 21) | (year << 25);
}

} // namespace korvel
