#pragma once
// Archive file names from a task's pattern, the sequence number, and the choice
// of old archives that rotation removes.
//
// Pattern variables (any letter case): %yyyy %yy %mm %dd for the date, and one of
// %nnnn %nnn %nn %n for the sequence number with at least that many digits.

#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {

class TTask;

// Raised for a pattern with an unknown variable or a second number variable.
class EArchiveNameError : public std::runtime_error {
public:
    EArchiveNameError() : std::runtime_error("Invalid variables in zip file name.") {}
};

struct TCalendarDate {
    int Year = 2000, Month = 1, Day = 1;
};

// The current local date.
TCalendarDate Today();

// A pattern worked out for one date, before the sequence number is known.
struct TArchiveNamePattern {
    std::string Expanded;  // the name without the number
    std::string MatchMask; // "?" for every date digit, "*" where the number goes
    int NumberPos = 0;     // 1-based position of the number in Expanded; 0 without one
    int NumberWidth = 0;   // least number of digits, 1 to 4

    // Expanded with "*" at the number position, or with "*" in front without a number.
    std::string StarName() const;
};

// Throws EArchiveNameError for an invalid pattern.
TArchiveNamePattern ParseArchiveName(const std::string& pattern, const TCalendarDate& date);

struct TArchiveFile {
    std::string Name;     // lower-cased, for comparing and sorting
    std::string FileName; // as the file system spells it, for deleting
};

struct TArchiveFiles {
    std::vector<TArchiveFile> Files; // the destination's files that fit the match mask
    long long LargestNumber = -1;    // -1 when no number was read
};

// Lists the files directly in `destDir` that fit `matchMask` and reads the largest
// sequence number among them. The characters of a name before its number must
// agree with `starName`, else its number counts as 0. A digit run that ends the
// name is read as a number too, so that patterns ending in a number variable keep
// counting up. A missing directory yields nothing.
TArchiveFiles FindArchiveFiles(const std::string& destDir, const std::string& matchMask,
                               const std::string& starName);

struct TExpandedArchiveName {
    std::string Path; // destination directory + expanded name
    // The archives that rotation chose for deletion, oldest (by name) first, as full
    // paths. Nothing is deleted here: the run removes them only after its own
    // archive was written (DeleteObsoleteArchives). The list may hold Path itself.
    std::vector<std::string> Obsolete;
};

// Expands the pattern for `date`, numbering on from the archives already in
// `destDir`. With `deleteOldFiles`, selects the archives beyond
// `deleteOldFilesCount` (a negative count is taken as 0: keep none), the new name
// counting as one of those kept. "Oldest" means first by name: the lower-cased
// names in byte order, which follows the calendar only when the pattern runs from
// year to day to number. A `destDir` without a trailing separator gets one.
// Throws EArchiveNameError.
TExpandedArchiveName ExpandArchiveName(const std::string& pattern, const std::string& destDir,
                                       bool deleteOldFiles, int deleteOldFilesCount,
                                       const TCalendarDate& date);
TExpandedArchiveName ExpandArchiveName(const std::string& pattern, const std::string& destDir,
                                       bool deleteOldFiles, int deleteOldFilesCount);

// Deletes the task's RunObsoleteArchives, except the archive of this run
// (RunZipFileName, also when spelt differently), and empties the list. Failed
// deletions are ignored. Call only after this run's archive was written.
void DeleteObsoleteArchives(TTask& task);

} // namespace korvel
