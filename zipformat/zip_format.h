#pragma once
// The fixed values of the ZIP format (PKWARE APPNOTE): record signatures and
// sizes, the markers that send a field to its Zip64 record, extra-block tags,
// compression methods and flag bits. The archive engine and the self-extractor
// both read and write archives through these, so they exist once.

#include <cstddef>
#include <cstdint>

namespace korvel {

inline constexpr std::uint32_t kCentralSignature = 0x02014B50;
inline constexpr std::uint32_t kLocalSignature = 0x04034B50;
inline constexpr std::uint32_t kEndSignature = 0x06054B50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;

// Fixed parts of the records, without their variable-length tails.
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kZip64EndRecordSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentLength = 0xFFFF;
// The end record lies within this many bytes of the end of the file.
inline constexpr std::size_t kEndSearchWindow = kMaxCommentLength + kEndRecordSize;

inline constexpr std::uint32_t kMarker32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kMarker16 = 0xFFFF;
inline constexpr std::uint16_t kZip64Tag = 0x0001;
inline constexpr std::uint16_t kAesTag = 0x9901;
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflate = 8;
inline constexpr std::uint16_t kMethodAes = 99;

// General purpose flag bits.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagMaximum = 0x0002;
inline constexpr std::uint16_t kFlagFast = 0x0004;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

} // namespace korvel
