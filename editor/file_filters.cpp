#include "editor/file_filters.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "engine/mask.h"
#include "engine/text_tokens.h"
#include "platform/path.h"

namespace korvel {

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Groups compare without regard to ASCII letter case, as the masks do.
struct TLessNoCase {
    bool operator()(std::string_view a, std::string_view b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(UpperAscii(x)) < static_cast<unsigned char>(UpperAscii(y));
        });
    }
};

} // namespace

std::vector<std::string> FilterMasks(std::string_view filter) {
    return SplitTokens(ReplaceChar(filter, ',', ';'), ';');
}

std::string_view FileNameOf(std::string_view path) {
    const auto separator = std::find_if(path.rbegin(), path.rend(), IsPathSeparator);
    return path.substr(static_cast<std::size_t>(path.rend() - separator));
}

std::string_view ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return ".";
    return name.substr(dot);
}

TFilterLines BuildFilterLines(EFilterView view, const std::vector<std::string>& files,
                              const std::vector<std::string>& masks) {
    // Every file finds its group in a map of the few groups met so far, which keeps
    // the first spelling of names equal but for case and yields them in sorted order.
    struct TGroup {
        std::size_t Count = 0;
        bool Tick = true;
    };
    std::map<std::string_view, TGroup, TLessNoCase> groups;
    std::set<std::string_view, TLessNoCase> dotless;
    TMaskList matcher(masks); // tried as in a backup
    for (const std::string& path : files) {
        const std::string_view name = FileNameOf(path);
        TGroup& group = groups[view == EFilterView::Extensions ? ExtensionOf(name) : name];
        if (view == EFilterView::Names)
            continue;
        ++group.Count;
        if (name.find('.') == std::string_view::npos)
            dotless.insert(name);
        // Once a file has failed every mask, each mask has been compiled and found
        // sound, so the group's other files cannot raise a mask error either.
        if (group.Tick && !matcher.AnyMatches(name))
            group.Tick = false;
    }
    TFilterLines lines;
    lines.View = view;
    for (auto& [text, group] : groups) {
        lines.Groups.emplace_back(text);
        if (view == EFilterView::Names) {
            lines.Ticks.push_back(matcher.AnyMatches(text));
        } else {
            lines.Counts.push_back(group.Count);
            lines.Ticks.push_back(group.Tick);
        }
    }
    lines.Dotless.assign(dotless.begin(), dotless.end());
    return lines;
}

std::string LineText(const TFilterLines& lines, std::size_t index) {
    std::string text = lines.Groups[index];
    if (lines.View == EFilterView::Names)
        return text;
    constexpr std::size_t kWidth = 15;
    if (text.size() < kWidth)
        text.append(kWidth - text.size(), ' ');
    const std::size_t count = lines.Counts[index];
    return text + "[" + std::to_string(count) + (count < 2 ? " file]" : " files]");
}

std::string FilterText(const TFilterLines& lines, const std::vector<bool>& ticks) {
    if (std::all_of(ticks.begin(), ticks.end(), [](bool t) { return t; }))
        return "*";
    std::string text;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (!ticks[i])
            continue;
        if (!text.empty())
            text += "; ";
        if (lines.View == EFilterView::Names) {
            text += LiteralMask(lines.Groups[i]);
            continue;
        }
        text += "*" + LiteralMask(lines.Groups[i]);
        if (lines.Groups[i] == ".")
            for (const std::string& name : lines.Dotless)
                text += "; " + LiteralMask(name);
    }
    return text;
}

std::string LiteralMask(std::string_view text) {
    std::string mask;
    mask.reserve(text.size());
    for (const char c : text) {
        if (c == '*' || c == '?' || c == '[')
            mask += std::string("[") + c + "]";
        else if (static_cast<unsigned char>(c) <= 32 || c == ';' || c == ',')
            mask += '?';
        else
            mask += c;
    }
    return mask;
}

} // namespace korvel
