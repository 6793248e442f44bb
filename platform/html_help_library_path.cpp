#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/html_help_library.h"

namespace korvel {

namespace {

void DropTrailingBackslash(std::string& dir) {
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
}

bool StartsWithSystemRoot(const std::string& path) {
    static constexpr std::string_view kVariable = "%SYSTEMROOT%";
    return path.size() >= kVariable.size() &&
           std::equal(kVariable.begin(), kVariable.end(), path.begin(),
                      [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); });
}

} // namespace

std::string HtmlHelpFallbackPath(const std::string& registered, std::string windowsDir, std::string systemDir,
                                 const std::function<bool(const std::string&)>& exists) {
    DropTrailingBackslash(windowsDir);
    DropTrailingBackslash(systemDir);
    std::string path = registered;
    if (StartsWithSystemRoot(path))
        path = windowsDir + path.substr(12);
    if (!path.empty() && !exists(path))
        path.clear();
    return path.empty() ? systemDir + "\\" + kHtmlHelpLibraryName : path;
}

} // namespace korvel
