#include "app/command_line.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace korvel {

namespace {

std::optional<std::int32_t> ParseDecimal(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

} // namespace

bool IsTaskRunStart(const std::vector<std::string>& args) {
    return !args.empty() && args[0].size() == 2 && args[0][0] == '/' &&
           (args[0][1] == 't' || args[0][1] == 'T');
}

bool IsCatchUpStart(const std::vector<std::string>& args) {
    if (args.empty() || args[0].size() != 8 || args[0][0] != '/')
        return false;
    std::string word = args[0].substr(1);
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "catchup";
}

TIntArray CollectTaskIndices(const std::vector<std::string>& args, const TTasksList& tasks) {
    TIntArray indices;
    for (std::size_t a = 1; a < args.size(); ++a) {
        const auto id = ParseDecimal(args[a]);
        if (!id)
            continue;
        for (int i = 0; i < tasks.Count(); ++i) {
            if (tasks.Item(i).TaskId == *id) {
                indices.Add(i);
                break;
            }
        }
    }
    return indices;
}

} // namespace korvel
