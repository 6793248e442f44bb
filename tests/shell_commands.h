#pragma once
// Running peer programs from the tests through the shell.

#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32

inline int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// The peers (unzip, 7z, bsdtar, python3) are driven by POSIX shell lines, and Windows has
// no POSIX shell: on Windows no peer is there, and the tests that need one skip.
inline bool Have(const std::string& /*tool*/) {
    return false;
}

#else

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

// What a shell command line writes to its standard output.
inline std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        ::pclose(p);
    }
    return out;
}

// Ends the process whose id a shell line wrote to `pidFile` and waits until it is gone
// (a zombie counts as gone).
inline void EndProcess(const std::string& pidFile) {
    Shell("p=$(cat '" + pidFile +
          "' 2>/dev/null) && kill $p 2>/dev/null; "
          "for i in $(seq 1 50); do case \"$(ps -o stat= -p $p 2>/dev/null)\" in ''|Z*) break;; esac; "
          "sleep 0.1; done");
}

#endif
