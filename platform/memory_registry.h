#pragma once
// A registry tree held in memory: keys keep the order in which they were added,
// names compare without regard to ASCII letter case, as the system registry's do.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace korvel {

class TMemoryRegistryKey final : public TRegistryKey {
public:
    TMemoryRegistryKey();

    // The subkey at `path` ("a\b\c"), created with every key on the way when missing.
    TMemoryRegistryKey Add(const std::string& path);
    void SetValue(const std::string& name, const std::string& value);

    std::unique_ptr<TRegistryKey> OpenSubkey(const std::string& name) const override;
    std::optional<std::string> SubkeyName(int index) const override;
    std::optional<std::string> StringValue(const std::string& name) const override;

private:
    struct Node {
        std::vector<std::pair<std::string, std::shared_ptr<Node>>> subkeys;
        std::vector<std::pair<std::string, std::string>> values;
    };
    explicit TMemoryRegistryKey(std::shared_ptr<Node> node) : node_(std::move(node)) {}
    std::shared_ptr<Node> Find(const std::string& name) const;

    std::shared_ptr<Node> node_;
};

} // namespace korvel
