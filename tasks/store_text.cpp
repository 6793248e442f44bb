#include "tasks/store_text.h"

#include <utility>

#include "platform/codepage.h"

namespace korvel {

namespace {

// Bytes of the UTF-8 sequence that starts at `pos`; 1 for a byte that cannot start one
// or a sequence cut short, so that the bytes after a broken lead are tried on their own.
std::size_t SequenceLength(const std::string& text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t n = lead >= 0xF0 && lead <= 0xF4   ? 4
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xC2 && lead < 0xE0  ? 2
                                                         : 1;
    if (pos + n > text.size())
        return 1;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 1;
    return n;
}

} // namespace

EUnstorableText::EUnstorableText(const std::string& text)
    // The text may be a password: it is kept for the caller, not put in the message.
    : std::runtime_error("code page " + std::to_string(AnsiCodePage()) + " cannot hold a text"), text_(text) {
}

TStoreText ToStoreText(const std::string& text) {
    if (auto whole = Utf8ToAnsi(text))
        return {std::move(*whole), true};
    // Character by character, so that only what the code page lacks is lost.
    TStoreText out;
    out.Lossless = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = SequenceLength(text, i);
        const auto one = Utf8ToAnsi(text.substr(i, n));
        out.Bytes += one ? *one : std::string("?");
        i += n;
    }
    return out;
}

void WriteStoreString(std::string& out, const std::string& text) {
    TStoreText stored = ToStoreText(text);
    if (!stored.Lossless)
        throw EUnstorableText(text);
    WriteString(out, stored.Bytes);
}

std::string ReadStoreString(ByteReader& in) {
    return AnsiToUtf8(in.ReadString());
}

} // namespace korvel
