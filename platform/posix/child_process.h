#pragma once
// Runs a program found on PATH, without a shell, feeding it standard input and
// collecting its output.

#include <string>
#include <vector>

namespace korvel {

struct TChildResult {
    bool Started = false; // false: the program could not be started (for example, not installed)
    int ExitStatus = -1;  // the exit code, or -1 when it ended by a signal
    std::string Out;
    std::string Err;
};

TChildResult RunChild(const std::vector<std::string>& argv, const std::string& input = {});

} // namespace korvel
