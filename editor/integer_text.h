#pragma once
// Whole numbers typed by the user.

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel {

// A decimal int32 with an optional sign and nothing else around it; nothing otherwise.
std::optional<std::int32_t> ParseDecimalInt(std::string_view text);

} // namespace korvel
