#include "engine/run_report.h"

namespace korvel {

void TRunReport::AddFailure(const std::string& path) {
    ++FailedCount;
    if (FailedPaths.size() < kMaxListedPaths)
        FailedPaths.push_back(path);
}

std::string TRunReport::Message() const {
    if (FailedCount == 0)
        return {};
    std::string text =
        std::to_string(FailedCount) + (FailedCount == 1 ? " file" : " files") + " could not be backed up:";
    for (const std::string& path : FailedPaths)
        text += "\n" + path;
    if (static_cast<std::size_t>(FailedCount) > FailedPaths.size())
        text += "\n...";
    return text;
}

} // namespace korvel
