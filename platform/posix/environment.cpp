#include "platform/environment.h"

#include <cstdlib>

namespace korvel {

std::string ExpandEnvironmentStrings(const std::string& text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        const auto close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open - pos);
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            out += value;
            pos = close + 1;
        } else {
            // The closing "%" may open the next reference.
            out += text.substr(open, close - open);
            pos = close;
        }
    }
    return out;
}

} // namespace korvel
