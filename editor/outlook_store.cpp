#include "editor/outlook_store.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "platform/environment.h"

namespace korvel {

bool LooksLikeNumber(std::string_view name) {
    const auto allowed = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::isdigit(u) || u <= 32 || std::string_view("dDeE.,-+").find(c) != std::string_view::npos;
    };
    return std::ranges::any_of(name, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
           std::ranges::all_of(name, allowed);
}

std::string OutlookExpressStoreRoot(const TRegistryKey* currentUser) {
    if (!currentUser)
        return {};
    // The first identity in the registry's order, which need not be the default one.
    const auto identities = currentUser->OpenSubkey("Identities");
    const auto identityName = identities ? identities->SubkeyName(0) : std::nullopt;
    std::unique_ptr<TRegistryKey> key = identityName ? identities->OpenSubkey(*identityName) : nullptr;
    for (const char* name : {"Software", "Microsoft", "Outlook Express"})
        key = key ? key->OpenSubkey(name) : nullptr;
    if (!key)
        return {};
    const auto version = key->SubkeyName(0);
    key = key->OpenSubkey(version && LooksLikeNumber(*version) ? *version : std::string("5.0"));
    if (!key)
        return {};
    const std::string root = key->StringValue("Store Root").value_or(std::string());
    return root.empty() ? root : ExpandEnvironmentStrings(root);
}

} // namespace korvel
