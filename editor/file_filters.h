#pragma once
// What the file filter browser shows and returns, without its window: the lines of
// the extension and name views, their initial ticks under the current filter, and
// the filter text built from the ticked lines.

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

enum class EFilterView { Extensions, Names };

// The name view makes one line per distinct name, so it is offered only below this
// many files.
constexpr std::size_t kMaxNameViewFiles = 1000;

// The lines of one view, sorted without regard to ASCII letter case; names that
// differ only in case share the line of the first one met.
struct TFilterLines {
    EFilterView View = EFilterView::Extensions;
    std::vector<std::string> Groups; // extensions (".txt", "." for none) or file names
    std::vector<std::size_t> Counts; // files per group; extension view only
    std::vector<bool> Ticks;         // every file of the group is selected by the filter
    // Extension view: the names without any dot. The mask "*." takes only names that
    // end in a dot, so these are named one by one when the "." line is ticked.
    std::vector<std::string> Dotless;
};

// The masks of a filter text: "," acts as ";", and masks are also separated by any
// character of code 32 or less.
std::vector<std::string> FilterMasks(std::string_view filter);

// The name of a path: what follows its last separator ("/"; on Windows "\" too).
std::string_view FileNameOf(std::string_view path);
// The last "." of the name to its end; "." when the name has no dot or ends in one.
std::string_view ExtensionOf(std::string_view name);

// The lines of `view` over the files, ticked under `masks` with the matching rules of
// a backup. Throws EMaskException when a mask that has to be tried is malformed.
TFilterLines BuildFilterLines(EFilterView view, const std::vector<std::string>& files,
                              const std::vector<std::string>& masks);

// The text of one line: the name itself, or the extension padded to 15 characters
// followed by its count ("[1 file]", "[3 files]"; English in every language).
std::string LineText(const TFilterLines& lines, std::size_t index);

// The filter text for the ticked lines: "*" when every line is ticked (or there are
// none), "*.doc; *.txt" for ticked extensions, the names joined by "; ", or empty.
// A ticked "." line gives "*." followed by the names without a dot.
std::string FilterText(const TFilterLines& lines, const std::vector<bool>& ticks);

// A file name or extension as a mask that matches it: the characters the mask
// language or the filter splitting would read otherwise stand for themselves ("[*]")
// or, where nothing else fits (blanks, ";" and ","), for any one character ("?").
std::string LiteralMask(std::string_view text);

} // namespace korvel
