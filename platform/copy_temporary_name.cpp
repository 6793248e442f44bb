// The names of the mirror copy's temporaries, alike on every platform.
#include "platform/copy_file.h"

namespace korvel {

bool IsCopyTemporaryName(std::string_view name) {
    if (name.size() != kCopyTemporaryPrefix.size() + 6 ||
        name.substr(0, kCopyTemporaryPrefix.size()) != kCopyTemporaryPrefix)
        return false;
    for (const char c : name.substr(kCopyTemporaryPrefix.size()))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

} // namespace korvel
