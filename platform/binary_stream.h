#pragma once
// The byte primitives of the stores: little-endian int32, one-byte booleans,
// length-prefixed 8-bit strings and 8-byte doubles, on every host.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace korvel {

void WriteInt32(std::string& out, std::int32_t value);
void WriteUInt32(std::string& out, std::uint32_t value);
void WriteBool(std::string& out, bool value);
void WriteString(std::string& out, std::string_view text);
void WriteDateTime(std::string& out, TDateTime value);

// Reads the primitives from a byte buffer. Reading past the end yields zero
// bytes for what is missing (as a short file read would) and marks the
// reader as overrun, so that a loader can tell a damaged store from a good one.
class ByteReader {
public:
    explicit ByteReader(std::string_view data) : data_(data) {}

    std::int32_t ReadInt32();
    std::uint32_t ReadUInt32();
    bool ReadBool();
    // A length above what is left of the buffer reads nothing and marks the overrun:
    // a damaged length must not allocate without bound.
    std::string ReadString();
    TDateTime ReadDateTime();

    std::size_t Remaining() const { return data_.size() - pos_; }
    std::size_t Position() const { return pos_; }
    bool Overrun() const { return overrun_; }
    void MarkOverrun() { overrun_ = true; }

private:
    void ReadBytes(void* dest, std::size_t n);

    std::string_view data_;
    std::size_t pos_ = 0;
    bool overrun_ = false;
};

} // namespace korvel
