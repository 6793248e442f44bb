#include "engine/utf8_chars.h"

namespace korvel {

char32_t DecodeChar(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    length = 1;
    if (b0 < 0x80)
        return b0;
    std::size_t len = 0;
    char32_t cp = 0, min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    }
    if (len == 0 || pos + len > text.size())
        return 0xDC00 + b0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[pos + k]);
        if ((b & 0xC0) != 0x80)
            return 0xDC00 + b0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xDC00 + b0;
    length = len;
    return cp;
}

} // namespace korvel
