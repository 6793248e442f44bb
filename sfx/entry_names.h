#pragma once
// Entry names as the stub turns them into paths: the stored bytes decoded to
// UTF-8, then split into components that cannot leave the target directory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::sfx {

enum class TOemCodePage { Cp437, Cp866 };

// 866 for a Russian locale (the first set of LC_ALL, LC_CTYPE, LANG starts
// with "ru"), 437 otherwise: the OEM code pages of those Windows installations.
TOemCodePage OemCodePageFromLocale();

std::string OemToUtf8(std::string_view oem, TOemCodePage page);

// Flag bit 11 marks UTF-8; host 0 (DOS) means the OEM code page; every other
// host, 11 (ANSI code page, UTF-8 on our writer) included, is taken as it stands.
std::string DecodeEntryName(std::string_view stored, std::uint16_t flags, std::uint16_t versionMadeBy,
                            TOemCodePage page);

struct TSafePath {
    std::vector<std::string> components; // never empty, no "." or ".."
    bool isDirectory = false;            // the name ended in a separator
};

// Splits at "/" and "\". Refuses (nullopt) names that are empty, absolute,
// start with a drive letter, hold a ".." component or a NUL byte. "." and
// empty components are dropped.
std::optional<TSafePath> MakeSafePath(std::string_view name);

} // namespace korvel::sfx
