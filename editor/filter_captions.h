#pragma once
// The filter labels name the directory whose own filters they show, shortened so
// that the label stays about as wide as the edit below it.

#include <QString>
#include <functional>

namespace korvel {

// `text` unchanged when `width(text)` is at most `available`; otherwise cut to the
// whole number of characters nearest to length x available / width, and "..." added.
QString ShortenToWidth(const QString& text, int available, const std::function<int(const QString&)>& width);

} // namespace korvel
