#include "archive/stub_length.h"

#include <algorithm>
#include <vector>

#include "archive/zip_records.h"

namespace korvel {

namespace {

// Reads `count` tables of `entrySize` bytes at `offset`, all inside the file.
bool ReadTable(const TZipFile& file, std::uint64_t fileSize, std::uint64_t offset, std::uint64_t count,
               std::uint64_t entrySize, std::vector<std::uint8_t>& out) {
    const std::uint64_t size = count * entrySize;
    if (offset > fileSize || size > fileSize - offset)
        return false;
    out.resize(static_cast<std::size_t>(size));
    return file.ReadAt(offset, out.data(), out.size()) == out.size();
}

std::optional<std::uint64_t> ElfLength(const TZipFile& file, std::uint64_t fileSize, const std::uint8_t* h) {
    const bool wide = h[4] == 2;
    if ((h[4] != 1 && !wide) || h[5] != 1) // 32 or 64 bits, little-endian only
        return std::nullopt;
    const std::uint64_t phoff = wide ? GetU64(h + 0x20) : GetU32(h + 0x1C);
    const std::uint64_t shoff = wide ? GetU64(h + 0x28) : GetU32(h + 0x20);
    const std::uint16_t phentsize = GetU16(h + (wide ? 0x36 : 0x2A));
    const std::uint16_t phnum = GetU16(h + (wide ? 0x38 : 0x2C));
    const std::uint16_t shentsize = GetU16(h + (wide ? 0x3A : 0x2E));
    const std::uint16_t shnum = GetU16(h + (wide ? 0x3C : 0x30));
    std::uint64_t end = wide ? 64 : 52;
    std::vector<std::uint8_t> table;
    auto extent = [&](std::uint64_t offset, std::uint64_t size) {
        if (offset > fileSize || size > fileSize - offset)
            return false;
        end = std::max(end, offset + size);
        return true;
    };
    if (phnum > 0) {
        if (phentsize < (wide ? 0x28u : 0x18u) || !ReadTable(file, fileSize, phoff, phnum, phentsize, table))
            return std::nullopt;
        extent(phoff, table.size());
        for (std::size_t i = 0; i < phnum; ++i) {
            const std::uint8_t* p = table.data() + i * phentsize;
            const std::uint64_t offset = wide ? GetU64(p + 8) : GetU32(p + 4);
            const std::uint64_t size = wide ? GetU64(p + 0x20) : GetU32(p + 0x10);
            if (size > 0 && !extent(offset, size))
                return std::nullopt;
        }
    }
    if (shnum > 0) {
        if (shentsize < (wide ? 0x28u : 0x18u) || !ReadTable(file, fileSize, shoff, shnum, shentsize, table))
            return std::nullopt;
        extent(shoff, table.size());
        constexpr std::uint32_t kNoBits = 8; // a section that takes no room in the file
        for (std::size_t i = 0; i < shnum; ++i) {
            const std::uint8_t* s = table.data() + i * shentsize;
            if (GetU32(s + 4) == kNoBits)
                continue;
            const std::uint64_t offset = wide ? GetU64(s + 0x18) : GetU32(s + 0x10);
            const std::uint64_t size = wide ? GetU64(s + 0x20) : GetU32(s + 0x14);
            if (size > 0 && !extent(offset, size))
                return std::nullopt;
        }
    }
    return end;
}

std::optional<std::uint64_t> PeLength(const TZipFile& file, std::uint64_t fileSize, const std::uint8_t* h) {
    const std::uint32_t peAt = GetU32(h + 0x3C);
    std::uint8_t coff[24];
    if (peAt > fileSize || fileSize - peAt < sizeof coff ||
        file.ReadAt(peAt, coff, sizeof coff) != sizeof coff || GetU32(coff) != 0x00004550) // "PE\0\0"
        return std::nullopt;
    const std::uint16_t sections = GetU16(coff + 6);
    const std::uint64_t tableAt = std::uint64_t{peAt} + sizeof coff + GetU16(coff + 20);
    std::vector<std::uint8_t> table;
    if (!ReadTable(file, fileSize, tableAt, sections, 40, table))
        return std::nullopt;
    std::uint64_t end = tableAt + table.size();
    for (std::size_t i = 0; i < sections; ++i) {
        const std::uint8_t* s = table.data() + i * 40;
        const std::uint64_t size = GetU32(s + 16);
        const std::uint64_t offset = GetU32(s + 20);
        if (size == 0)
            continue;
        if (offset > fileSize || size > fileSize - offset)
            return std::nullopt;
        end = std::max(end, offset + size);
    }
    return end;
}

} // namespace

std::optional<std::uint64_t> StubLength(const TZipFile& file, std::uint64_t fileSize) {
    std::uint8_t h[64];
    if (fileSize < sizeof h || file.ReadAt(0, h, sizeof h) != sizeof h)
        return std::nullopt;
    if (h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F')
        return ElfLength(file, fileSize, h);
    if (h[0] == 'M' && h[1] == 'Z')
        return PeLength(file, fileSize, h);
    return std::nullopt;
}

} // namespace korvel
