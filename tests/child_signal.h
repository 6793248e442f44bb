#pragma once
// A forked child tells its parent where it is by writing one byte to a pipe.

#include <cerrno>
#include <unistd.h>

// Waits for the child's byte; false when the pipe closed first.
inline bool ReadByte(int fd) {
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        return n == 1;
    }
}
