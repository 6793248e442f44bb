// The filter masks and the archive-name patterns, both typed by the user.

#include <string>
#include <string_view>

#include "engine/archive_name.h"
#include "engine/mask.h"
#include "fuzz_entries.h"
#include "scratch_dir.h"

namespace korvel::fuzz {

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

const TScratchDir& ArchiveNameScratch() {
    static const TScratchDir dir("names");
    // Earlier archives of a few likely patterns, so that numbering and rotation have work.
    static const bool filled = [] {
        for (const char* name : {"backup_2024_03_05_1.zip", "backup_2024_03_05_7.zip",
                                 "backup_2024_03_04_3.zip", "mybackup_2024_03_05.zip", "a001.zip", "a002.zip",
                                 "a010.zip", "x.zip", "12", "B2024.ZIP", "notes.txt"})
            dir.Write(name, "", 0);
        return true;
    }();
    (void)filled;
    return dir;
}

} // namespace

// The input is the mask, a zero byte, and the name.
std::string MaskEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view mask = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    try {
        bool compiled = false;
        bool matches = false;
        try {
            const TMask m(mask);
            compiled = true;
            matches = m.Matches(name);
        } catch (const EMaskException&) {
        }
        bool once = false;
        bool thrown = false;
        try {
            once = MatchesMask(name, mask);
        } catch (const EMaskException&) {
            thrown = true;
        }
        if (thrown == compiled)
            return "TMask and MatchesMask disagree about whether the mask is valid";
        if (compiled && once != matches)
            return "TMask and MatchesMask disagree about the match";
        if (compiled && mask.find_first_of("*?[") == std::string_view::npos &&
            matches != SameIgnoringAsciiCase(mask, name))
            return "a mask without wildcards must match just its own text";
        if (!TMask("*").Matches(name))
            return "\"*\" must match every name";
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    return {};
}

// The input is the pattern; the date and the destination's files are fixed.
std::string ArchiveNameEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    if (size > 4096)
        return {}; // names are short; long inputs only slow the search down
    const std::string pattern(reinterpret_cast<const char*>(data), size);
    const TScratchDir& dir = ArchiveNameScratch();
    const std::string before = dir.Listing();
    try {
        const TCalendarDate date{2024, 3, 5};
        const TArchiveNamePattern parsed = ParseArchiveName(pattern, date);
        if (parsed.NumberPos < 0 || static_cast<std::size_t>(parsed.NumberPos) > parsed.Expanded.size() + 1)
            return "the number position lies outside the expanded name";
        const TExpandedArchiveName name =
            ExpandArchiveName(pattern, dir.Path(), size % 2 == 1, static_cast<int>(size % 4) - 1, date);
        if (name.Path.rfind(dir.Path(), 0) != 0)
            return "the archive path does not start with the destination";
        for (const std::string& old : name.Obsolete)
            if (old.rfind(dir.Path(), 0) != 0)
                return "an archive chosen for deletion lies outside the destination: " + old;
    } catch (const EArchiveNameError&) {
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    if (dir.Listing() != before)
        return "working out a name changed the destination";
    return {};
}

} // namespace korvel::fuzz
