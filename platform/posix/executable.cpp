#include "platform/executable.h"

#include <climits>
#include <unistd.h>

namespace korvel {

std::string ExecutablePath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string ExecutableDir() {
    return DirectoryPart(ExecutablePath());
}

} // namespace korvel
