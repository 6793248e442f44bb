// The wildcard matching of file searches, alike on every platform.
#include "platform/find_files.h"

namespace korvel {

namespace {

// Length of the UTF-8 sequence at s[i]; 1 for a byte that starts no valid sequence.
std::size_t CharLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80                   ? 1
                      : (b >= 0xC2 && b <= 0xDF) ? 2
                      : (b >= 0xE0 && b <= 0xEF) ? 3
                      : (b >= 0xF0 && b <= 0xF4) ? 4
                                                 : 1;
    if (len == 1 || i + len > s.size())
        return 1;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return len;
}

char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares one character of the name with one literal character of the mask.
bool SameChar(std::string_view name, std::size_t ni, std::size_t nlen, std::string_view mask, std::size_t mi,
              std::size_t mlen) {
    if (nlen != mlen)
        return false;
    if (nlen == 1)
        return Fold(name[ni]) == Fold(mask[mi]);
    return name.substr(ni, nlen) == mask.substr(mi, mlen);
}

} // namespace

bool FileSystemMaskMatches(std::string_view name, std::string_view mask) {
    if (mask == "*" || mask == "*.*")
        return true;
    std::size_t ni = 0, mi = 0;
    std::size_t starMi = std::string_view::npos, starNi = 0;
    while (true) {
        if (mi < mask.size() && mask[mi] == '*') {
            while (mi < mask.size() && mask[mi] == '*')
                ++mi;
            if (mi == mask.size())
                return true;
            starMi = mi;
            starNi = ni;
            continue;
        }
        if (mi < mask.size() && ni < name.size()) {
            const std::size_t nlen = CharLength(name, ni);
            const std::size_t mlen = CharLength(mask, mi);
            if (mask[mi] == '?' || SameChar(name, ni, nlen, mask, mi, mlen)) {
                ni += nlen;
                mi += mlen;
                continue;
            }
        } else if (mi == mask.size() && ni == name.size()) {
            return true;
        }
        // Mismatch: let the most recent "*" take one more character.
        if (starMi == std::string_view::npos || starNi >= name.size())
            return false;
        starNi += CharLength(name, starNi);
        ni = starNi;
        mi = starMi;
    }
}

} // namespace korvel
