#include "engine/common_root.h"

namespace korvel {

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

int CommonRootLength(const std::vector<std::string>& paths, std::string_view separators) {
    if (paths.empty())
        return 0;
    std::string_view prefix = paths.front();
    for (std::size_t k = 1; k < paths.size() && !prefix.empty(); ++k) {
        const std::string& path = paths[k];
        if (path.size() < prefix.size())
            prefix = prefix.substr(0, path.size());
        for (std::size_t p = 0; p < prefix.size(); ++p)
            if (LowerAscii(prefix[p]) != LowerAscii(path[p])) {
                prefix = prefix.substr(0, p);
                break;
            }
    }
    const auto pos = prefix.find_last_of(separators);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

} // namespace korvel
