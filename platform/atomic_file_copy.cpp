#include <system_error>

#include "platform/atomic_file.h"

namespace korvel {

// Built on the two system-specific halves, so the copy is as crash-safe as any store save.
bool CopyFileContents(const std::string& from, const std::string& to) {
    std::string contents, error;
    if (ReadWholeFile(from, contents, error) != ReadResult::Ok)
        return false;
    try {
        SaveFileAtomically(to, contents);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace korvel
