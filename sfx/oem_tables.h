#pragma once
// The DOS code pages in which archivers on DOS and Windows store entry names.
// The stub is linked statically, where iconv has no conversion modules, so the
// upper halves of the two code pages it meets are carried here.

#include <array>
#include <cstdint>

namespace korvel::sfx {

// Unicode code points of the bytes 0x80 to 0xFF; the lower half is ASCII in both.
extern const std::array<char16_t, 128> kCp437Upper;
extern const std::array<char16_t, 128> kCp866Upper;

} // namespace korvel::sfx
