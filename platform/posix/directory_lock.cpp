#include "platform/directory_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace korvel {

TDirectoryLock::TDirectoryLock(const std::string& directory) {
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int rc;
    while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        ::close(fd);
        return;
    }
    lock_ = fd;
}

TDirectoryLock::~TDirectoryLock() {
    if (Held())
        ::close(static_cast<int>(lock_)); // releases the lock
}

} // namespace korvel
