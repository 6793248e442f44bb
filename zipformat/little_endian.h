#pragma once
// Every multi-byte field of a ZIP archive is little-endian, whatever the machine.

#include <cstdint>
#include <string>

namespace korvel {

inline std::uint16_t GetU16(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t GetU32(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return GetU16(b) | (static_cast<std::uint32_t>(GetU16(b + 2)) << 16);
}
inline std::uint64_t GetU64(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return GetU32(b) | (static_cast<std::uint64_t>(GetU32(b + 4)) << 32);
}

inline void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
inline void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void PutU64(std::string& out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

} // namespace korvel
