#pragma once
// Texts of the stores: UTF-8 in memory, the platform's ANSI code page on disk (the
// system's on Windows, UTF-8 on POSIX), stored as length-prefixed bytes.

#include <stdexcept>
#include <string>

#include "platform/binary_stream.h"

namespace korvel {

// A text that the ANSI code page cannot hold in full: storing it would change it.
class EUnstorableText : public std::runtime_error {
public:
    explicit EUnstorableText(const std::string& text);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

struct TStoreText {
    std::string Bytes;    // in the ANSI code page
    bool Lossless = true; // false when some character became "?"
};

// The stored form of `text`: every character the code page lacks (and every byte of
// broken UTF-8) becomes "?".
TStoreText ToStoreText(const std::string& text);

// Writes `text` in the ANSI code page; throws EUnstorableText rather than store it changed.
void WriteStoreString(std::string& out, const std::string& text);

std::string ReadStoreString(ByteReader& in);

} // namespace korvel
