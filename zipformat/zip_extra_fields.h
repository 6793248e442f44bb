#pragma once
// The extra field of a header: a run of blocks, each a u16 tag, a u16 size and
// that many bytes; and the WinZip AES block (tag 0x9901) among them.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zipformat/little_endian.h"

namespace korvel {

// Calls visit(tag, blockBytes) for each whole block, blockBytes being the block
// with its 4-byte head; stops early when visit returns false. Returns where the
// walk stopped: extra.size() for a well-formed field, less when a block runs past
// its end (or fewer than 4 bytes of padding are left, or visit stopped it).
template <class TVisit> std::size_t WalkExtraBlocks(std::string_view extra, TVisit&& visit) {
    std::size_t pos = 0;
    while (extra.size() - pos >= 4) {
        const std::uint16_t tag = GetU16(extra.data() + pos);
        const std::size_t size = GetU16(extra.data() + pos + 2);
        if (extra.size() - pos - 4 < size || !visit(tag, extra.substr(pos, 4 + size)))
            break;
        pos += 4 + size;
    }
    return pos;
}

inline constexpr std::size_t kAesBlockSize = 11;      // head included
inline constexpr std::uint16_t kAesVendorId = 0x4541; // "AE"

struct TAesExtra {
    std::uint16_t VendorVersion = 0; // 1 = AE-1, 2 = AE-2
    std::uint8_t Strength = 0;       // 1, 2, 3 = AES-128, 192, 256
    std::uint16_t Method = 0;        // the compression method under the encryption
};

// From a whole AES block (head included, kAesBlockSize bytes).
inline TAesExtra ParseAesExtra(const void* block) {
    const auto* b = static_cast<const std::uint8_t*>(block);
    return TAesExtra{GetU16(b + 4), b[8], GetU16(b + 9)};
}

} // namespace korvel
