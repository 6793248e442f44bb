#include "editor/filter_captions.h"

#include <algorithm>
#include <cmath>

namespace korvel {

QString ShortenToWidth(const QString& text, int available, const std::function<int(const QString&)>& width) {
    const int full = width(text);
    if (full <= available || full <= 0)
        return text;
    const auto keep = std::lround(static_cast<double>(text.size()) * std::max(available, 0) / full);
    return text.left(static_cast<qsizetype>(keep)) + QStringLiteral("...");
}

} // namespace korvel
