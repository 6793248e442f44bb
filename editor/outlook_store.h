#pragma once
// Where Outlook Express keeps the current user's messages, read from the registry.

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace korvel {

// A key name that reads as a number ("5.0"): not empty, at least one digit, and
// only digits, "d", "e" (either case), blanks and control characters, ".", ",",
// "-" and "+".
bool LooksLikeNumber(std::string_view name);

// The expanded "Store Root" of the first identity below `currentUser`; empty when
// any step of the way is missing (and always without a registry).
std::string OutlookExpressStoreRoot(const TRegistryKey* currentUser);

} // namespace korvel
