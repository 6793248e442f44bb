#include "platform/binary_stream.h"

#include <bit>
#include <cstring>

namespace korvel {

namespace {

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t GetLittleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return v;
}

} // namespace

void WriteInt32(std::string& out, std::int32_t value) {
    PutLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

void WriteUInt32(std::string& out, std::uint32_t value) {
    PutLittleEndian(out, value, 4);
}

void WriteBool(std::string& out, bool value) {
    out.push_back(value ? 1 : 0);
}

void WriteString(std::string& out, std::string_view text) {
    WriteInt32(out, static_cast<std::int32_t>(text.size()));
    out.append(text);
}

void WriteDateTime(std::string& out, TDateTime value) {
    PutLittleEndian(out, std::bit_cast<std::uint64_t>(value), 8);
}

void ByteReader::ReadBytes(void* dest, std::size_t n) {
    std::memset(dest, 0, n);
    const std::size_t available = n <= Remaining() ? n : Remaining();
    std::memcpy(dest, data_.data() + pos_, available);
    pos_ += available;
    if (available < n)
        overrun_ = true;
}

std::int32_t ByteReader::ReadInt32() {
    return static_cast<std::int32_t>(ReadUInt32());
}

std::uint32_t ByteReader::ReadUInt32() {
    unsigned char b[4];
    ReadBytes(b, 4);
    return static_cast<std::uint32_t>(GetLittleEndian(b, 4));
}

bool ByteReader::ReadBool() {
    unsigned char b;
    ReadBytes(&b, 1);
    return b != 0;
}

std::string ByteReader::ReadString() {
    const std::int32_t n = ReadInt32();
    if (n <= 0)
        return {};
    if (static_cast<std::size_t>(n) > Remaining()) {
        overrun_ = true;
        pos_ = data_.size();
        return {};
    }
    std::string text(data_.substr(pos_, static_cast<std::size_t>(n)));
    pos_ += static_cast<std::size_t>(n);
    return text;
}

TDateTime ByteReader::ReadDateTime() {
    unsigned char b[8];
    ReadBytes(b, 8);
    return std::bit_cast<double>(GetLittleEndian(b, 8));
}

} // namespace korvel
