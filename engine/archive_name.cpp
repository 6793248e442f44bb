#include "engine/archive_name.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/file_selection.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "tasks/task.h"

namespace korvel {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string FormatNumber(long long value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*lld", width, value);
    return buffer;
}

// Reads a digit run; a run too long for a 32-bit integer counts as 0.
long long DigitRunValue(const std::string& digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 2147483647LL)
            return 0;
    }
    return value;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

} // namespace

TCalendarDate Today() {
    const TDateParts parts = DecodeDateTime(Now());
    return {parts.Year, parts.Month, parts.Day};
}

std::string TArchiveNamePattern::StarName() const {
    if (NumberPos == 0)
        return "*" + Expanded;
    std::string star = Expanded;
    star.insert(static_cast<std::size_t>(NumberPos - 1), "*");
    return star;
}

TArchiveNamePattern ParseArchiveName(const std::string& pattern, const TCalendarDate& date) {
    struct TVariable {
        const char* Letters;
        int Width; // date digits, or the number width
        bool Number;
    };
    static const TVariable variables[] = {
        {"yyyy", 4, false}, {"yy", 2, false}, {"mm", 2, false}, {"dd", 2, false},
        {"nnnn", 4, true},  {"nnn", 3, true}, {"nn", 2, true},  {"n", 1, true},
    };
    TArchiveNamePattern result;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c != '%') {
            result.Expanded += c;
            result.MatchMask += c;
            ++i;
            continue;
        }
        const TVariable* found = nullptr;
        for (const TVariable& v : variables) {
            const std::string letters = v.Letters;
            if (pattern.size() - (i + 1) >= letters.size() &&
                LowerAscii(pattern.substr(i + 1, letters.size())) == letters) {
                found = &v;
                break;
            }
        }
        if (!found)
            throw EArchiveNameError();
        const std::string letters = found->Letters;
        if (found->Number) {
            if (result.NumberPos != 0)
                throw EArchiveNameError();
            result.NumberPos = static_cast<int>(result.Expanded.size()) + 1;
            result.NumberWidth = found->Width;
            result.MatchMask += '*';
        } else {
            int value = letters == "yyyy" ? date.Year
                        : letters == "yy" ? date.Year % 100
                        : letters == "mm" ? date.Month
                                          : date.Day;
            const std::string digits = FormatNumber(value, found->Width);
            result.Expanded += digits;
            result.MatchMask += std::string(digits.size(), '?');
        }
        i += 1 + letters.size();
    }
    return result;
}

TArchiveFiles FindArchiveFiles(const std::string& destDir, const std::string& matchMask,
                               const std::string& starName) {
    TArchiveFiles result;
    const std::string mask = LowerAscii(matchMask);
    for (const std::string& path : ListFiles(destDir, "*", false)) {
        const std::string fileName = FileNamePart(path);
        const std::string name = LowerAscii(fileName);
        bool fits = true;
        bool agrees = true;
        std::size_t i = 0;
        for (std::size_t j = 0; j < mask.size(); ++i, ++j) {
            if (i >= name.size()) {
                fits = false;
                break;
            }
            const char m = mask[j];
            if (m != '*' && i < starName.size() && starName[i] != '*' && LowerAscii(starName[i]) != name[i])
                agrees = false;
            if (m == '?') {
                if (!IsDigit(name[i])) {
                    fits = false;
                    break;
                }
            } else if (m == '*') {
                std::size_t end = i;
                while (end < name.size() && IsDigit(name[end]))
                    ++end;
                if (end == i) {
                    fits = false;
                    break;
                }
                const long long number = agrees ? DigitRunValue(name.substr(i, end - i)) : 0;
                result.LargestNumber = std::max(result.LargestNumber, number);
                i = end - 1;
            } else if (m != name[i]) {
                fits = false;
                break;
            }
        }
        if (fits)
            result.Files.push_back({name, fileName});
    }
    return result;
}

TExpandedArchiveName ExpandArchiveName(const std::string& pattern, const std::string& destDirText,
                                       bool deleteOldFiles, int deleteOldFilesCount,
                                       const TCalendarDate& date) {
    const std::string destDir = WithTrailingSeparator(destDirText);
    TArchiveNamePattern parsed = ParseArchiveName(pattern, date);
    TExpandedArchiveName result;
    if (parsed.NumberPos == 0 && !deleteOldFiles) {
        result.Path = destDir + parsed.Expanded;
        return result;
    }
    TArchiveFiles found = FindArchiveFiles(destDir, parsed.MatchMask, parsed.StarName());
    std::string name = parsed.Expanded;
    if (parsed.NumberPos != 0) {
        const long long number = std::max(found.LargestNumber, 0LL) + 1;
        name.insert(static_cast<std::size_t>(parsed.NumberPos - 1), FormatNumber(number, parsed.NumberWidth));
    }
    const std::string lowerName = LowerAscii(name);
    const bool listed = std::any_of(found.Files.begin(), found.Files.end(),
                                    [&](const TArchiveFile& f) { return f.Name == lowerName; });
    if (!listed)
        found.Files.push_back({lowerName, name}); // the new archive counts as a kept one
    const std::size_t keep = static_cast<std::size_t>(std::max(deleteOldFilesCount, 0));
    if (deleteOldFiles && found.Files.size() > keep) {
        std::stable_sort(found.Files.begin(), found.Files.end(),
                         [](const TArchiveFile& a, const TArchiveFile& b) { return a.Name < b.Name; });
        const std::size_t surplus = found.Files.size() - keep;
        for (std::size_t k = 0; k < surplus; ++k)
            result.Obsolete.push_back(destDir + found.Files[k].FileName);
    }
    result.Path = destDir + name;
    return result;
}

TExpandedArchiveName ExpandArchiveName(const std::string& pattern, const std::string& destDir,
                                       bool deleteOldFiles, int deleteOldFilesCount) {
    return ExpandArchiveName(pattern, destDir, deleteOldFiles, deleteOldFilesCount, Today());
}

void DeleteObsoleteArchives(TTask& task) {
    std::vector<std::string> obsolete;
    obsolete.swap(task.RunObsoleteArchives);
    for (const std::string& path : obsolete) {
        if (!task.RunZipFileName.empty() && SameFile(path, task.RunZipFileName))
            continue;
        DeleteFileAt(path);
    }
}

} // namespace korvel
