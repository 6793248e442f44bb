#include "platform/memory_registry.h"

#include <algorithm>
#include <cctype>

namespace korvel {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

TMemoryRegistryKey::TMemoryRegistryKey() : node_(std::make_shared<Node>()) {}

std::shared_ptr<TMemoryRegistryKey::Node> TMemoryRegistryKey::Find(const std::string& name) const {
    for (const auto& [key, node] : node_->subkeys)
        if (SameName(key, name))
            return node;
    return nullptr;
}

TMemoryRegistryKey TMemoryRegistryKey::Add(const std::string& path) {
    const auto cut = path.find('\\');
    const std::string name = path.substr(0, cut);
    std::shared_ptr<Node> child = Find(name);
    if (!child) {
        child = std::make_shared<Node>();
        node_->subkeys.emplace_back(name, child);
    }
    TMemoryRegistryKey key(child);
    return cut == std::string::npos ? key : key.Add(path.substr(cut + 1));
}

void TMemoryRegistryKey::SetValue(const std::string& name, const std::string& value) {
    for (auto& [key, stored] : node_->values)
        if (SameName(key, name)) {
            stored = value;
            return;
        }
    node_->values.emplace_back(name, value);
}

std::unique_ptr<TRegistryKey> TMemoryRegistryKey::OpenSubkey(const std::string& name) const {
    auto child = Find(name);
    if (!child)
        return nullptr;
    return std::unique_ptr<TRegistryKey>(new TMemoryRegistryKey(std::move(child)));
}

std::optional<std::string> TMemoryRegistryKey::SubkeyName(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= node_->subkeys.size())
        return std::nullopt;
    return node_->subkeys[static_cast<std::size_t>(index)].first;
}

std::optional<std::string> TMemoryRegistryKey::StringValue(const std::string& name) const {
    for (const auto& [key, value] : node_->values)
        if (SameName(key, name))
            return value;
    return std::nullopt;
}

} // namespace korvel
