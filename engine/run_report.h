#pragma once
// What a run could not back up. A backup that passes over files must say so.

#include <string>
#include <vector>

namespace korvel {

struct TRunReport {
    static constexpr std::size_t kMaxListedPaths = 5;

    int FailedCount = 0;                  // files that could not be read, copied, or given a directory
    std::vector<std::string> FailedPaths; // the first kMaxListedPaths of them

    void AddFailure(const std::string& path);
    bool Ok() const { return FailedCount == 0; }
    // "3 files could not be backed up:\n/a\n/b\n/c" ("1 file ...", a last line "..."
    // when more failed than are listed); empty when nothing failed.
    std::string Message() const;
};

} // namespace korvel
