#pragma once
// Running peer programs from the tests through the shell.

#include <cstdlib>
#include <string>
#include <sys/wait.h>

// The exit status of a shell command line, or -1 when it did not exit normally.
inline int Shell(const std::string& command) {
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// True when `tool` is on the PATH.
inline bool Have(const std::string& tool) {
    return Shell("command -v " + tool + " >/dev/null 2>&1") == 0;
}
