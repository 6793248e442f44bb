#include "sfx/entry_names.h"

#include "sfx/oem_tables.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>

namespace korvel::sfx {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool StartsWithRu(const char* value) {
    return (value[0] == 'r' || value[0] == 'R') && (value[1] == 'u' || value[1] == 'U');
}

} // namespace

TOemCodePage OemCodePageFromLocale() {
#ifdef _WIN32
    // Windows names its OEM code page itself.
    return ::GetOEMCP() == 866 ? TOemCodePage::Cp866 : TOemCodePage::Cp437;
#endif
    // The usual POSIX precedence: the first variable that is set decides.
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return StartsWithRu(value) ? TOemCodePage::Cp866 : TOemCodePage::Cp437;
        }
    }
    return TOemCodePage::Cp437;
}

std::string OemToUtf8(std::string_view oem, TOemCodePage page) {
    const auto& upper = page == TOemCodePage::Cp866 ? kCp866Upper : kCp437Upper;
    std::string out;
    out.reserve(oem.size() * 2);
    for (const char c : oem) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte < 0x80 ? char32_t{byte} : char32_t{upper[byte - 0x80]});
    }
    return out;
}

std::string DecodeEntryName(std::string_view stored, std::uint16_t flags, std::uint16_t versionMadeBy,
                            TOemCodePage page) {
    constexpr std::uint16_t kUtf8Flag = 1u << 11;
    const unsigned host = versionMadeBy >> 8;
    if ((flags & kUtf8Flag) == 0 && host == 0) {
        return OemToUtf8(stored, page);
    }
    return std::string(stored);
}

std::optional<TSafePath> MakeSafePath(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    if (isSeparator(name.front())) {
        return std::nullopt; // absolute, or a UNC path
    }
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        return std::nullopt; // "C:\..." and the drive-relative "C:name"
    }
    TSafePath path;
    path.isDirectory = isSeparator(name.back());
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            return std::nullopt;
        }
        if (!part.empty() && part != ".") {
            path.components.emplace_back(part);
        }
        start = end + 1;
    }
    if (path.components.empty()) {
        return std::nullopt;
    }
    return path;
}

} // namespace korvel::sfx
