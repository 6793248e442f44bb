#include "archive/zip_names.h"

#include <algorithm>

#include "platform/codepage.h"

namespace korvel {

std::string ToBackslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.size() >= prefix.size() &&
           LowerName(text.substr(0, prefix.size())) == LowerName(prefix);
}

bool IsDriveLetter(const std::string& s) {
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// Length of a leading drive: "C:" or "\\server\share".
std::size_t DriveLength(const std::string& dir) {
    if (IsDriveLetter(dir))
        return 2;
    if (dir.size() > 2 && dir[0] == '\\' && dir[1] == '\\') {
        const auto server = dir.find('\\', 2);
        if (server == std::string::npos)
            return dir.size();
        const auto share = dir.find('\\', server + 1);
        return share == std::string::npos ? dir.size() : share;
    }
    return 0;
}

} // namespace

TStoredName StoredNameOf(const std::string& path, const TStoredNameRules& rules) {
    const std::string p = ToBackslashes(path);
    TStoredName name;
    const auto slash = p.rfind('\\');
    name.FileName = slash == std::string::npos ? p : p.substr(slash + 1);
    if (!rules.StorePaths)
        return name;
    std::string dir = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    while (dir.size() >= 2 && dir[dir.size() - 1] == '\\' && dir[dir.size() - 2] == '\\')
        dir.pop_back();
    if (rules.RelativePaths) {
        for (const std::string& prefix : rules.RelativePathList) {
            const std::string pre = ToBackslashes(prefix);
            if (StartsWithNoCase(dir, pre)) {
                dir.erase(0, pre.size());
                break;
            }
        }
    }
    if (!rules.StoreVolumes) {
        dir.erase(0, DriveLength(dir));
        if (!dir.empty() && dir[0] == '\\')
            dir.erase(0, 1);
    } else if (!dir.empty() && dir[0] == '\\' && (dir.size() < 2 || dir[1] != '\\')) {
        // A POSIX absolute path has no volume to keep: a stored name never starts
        // with a separator, or extracting it would write outside the target directory.
        dir.erase(0, 1);
    }
    name.Directory = dir;
    return name;
}

bool StoredNameNeedsBackslash(const std::string& path, const TStoredNameRules& rules) {
    if (path.find('\\') == std::string::npos)
        return false;
    // Stand-in for the name character while the separators are worked out: NUL,
    // the one byte a POSIX path cannot hold.
    constexpr char kMark = '\0';
    const auto mark = [kMark](std::string text) {
        std::replace(text.begin(), text.end(), '\\', kMark);
        return text;
    };
    TStoredNameRules marked = rules;
    for (std::string& prefix : marked.RelativePathList)
        prefix = mark(prefix);
    return StoredNameOf(mark(path), marked).Full().find(kMark) != std::string::npos;
}

void EncodeEntryName(TZipHeaderInfo& rec) {
    std::string full = rec.FullName();
    std::replace(full.begin(), full.end(), '\\', '/');
    rec.Flags &= static_cast<std::uint16_t>(~kFlagUtf8);
    if (rec.NameConversion == oemNever) {
        rec.RawName = full;
        return;
    }
    const auto oem = Utf8ToOem(full);
    if (oem) {
        const auto back = OemToUtf8(*oem);
        if (back && *back == full) {
            rec.RawName = *oem;
            return;
        }
    }
    // The OEM code page cannot hold this name: keep it whole in UTF-8 and say so.
    rec.RawName = full;
    rec.Flags |= kFlagUtf8;
    if (rec.NameConversion == oemFlexible)
        rec.VersionMadeBy = static_cast<std::uint16_t>((rec.VersionMadeBy & 0xFF) | (11 << 8));
}

void DecodeEntryName(const std::string& raw, TZipHeaderInfo& rec) {
    rec.RawName = raw;
    std::string name = raw;
    if (!(rec.Flags & kFlagUtf8) && rec.HostByte() == 0 && rec.NameConversion != oemNever) {
        if (auto utf8 = OemToUtf8(raw))
            name = *utf8;
    }
    name = ToBackslashes(name);
    const auto slash = name.rfind('\\');
    if (slash == std::string::npos) {
        rec.SetDirectory("");
        rec.SetFileName(name);
    } else {
        rec.SetDirectory(name.substr(0, slash + 1));
        rec.SetFileName(name.substr(slash + 1));
    }
}

namespace {

// Decodes one UTF-8 sequence; invalid bytes come back as themselves.
char32_t NextCodePoint(const std::string& s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + extra >= s.size()) {
        ++i;
        return c;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Lower case of the Latin, Greek and Cyrillic letters without depending on the
// process locale, which a library must not set.
char32_t LowerCodePoint(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0x80)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2))
        return c + 32;
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x100 && c <= 0x17F && !(c >= 0x138 && c <= 0x148) && (c & 1) == 0)
        return c + 1;
    return c;
}

bool WildMatch(const std::u32string& pat, std::size_t pi, const std::u32string& txt, std::size_t ti) {
    // Iterative matcher with single backtrack point for "*".
    std::size_t starP = std::u32string::npos, starT = 0;
    while (ti < txt.size()) {
        if (pi < pat.size() && (pat[pi] == U'?' || pat[pi] == txt[ti])) {
            ++pi;
            ++ti;
        } else if (pi < pat.size() && pat[pi] == U'*') {
            starP = pi++;
            starT = ti;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < pat.size() && pat[pi] == U'*')
        ++pi;
    return pi == pat.size();
}

std::u32string LowerCodePoints(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();)
        out.push_back(LowerCodePoint(NextCodePoint(s, i)));
    return out;
}

} // namespace

std::string LowerName(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t cp = NextCodePoint(text, i);
        const char32_t lower = LowerCodePoint(cp);
        if (lower == cp)
            out.append(text, start, i - start);
        else
            AppendUtf8(out, lower);
    }
    return out;
}

bool MatchesNamePattern(const std::string& pattern, const std::string& path) {
    const std::string pat = ToBackslashes(pattern);
    const std::string p = ToBackslashes(path);
    const std::string candidate = pat.find('\\') != std::string::npos ? p : p.substr(p.rfind('\\') + 1);
    return WildMatch(LowerCodePoints(pat), 0, LowerCodePoints(candidate), 0);
}

bool MatchesAnyPattern(const std::vector<std::string>& patterns, const std::string& path) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pat) { return !pat.empty() && MatchesNamePattern(pat, path); });
}

} // namespace korvel
