#include "editor/archive_extension.h"

namespace korvel {

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
    const std::size_t from = name.size() > 4 ? name.size() - 4 : 0;
    const auto dot = name.find('.', from);
    return name.substr(0, dot) + "." + extension;
}

std::string ArchiveNameForType(const std::string& name, int type) {
    switch (type) {
    case 1:
        return ReplaceExtension(name, "zip");
    case 2:
        return ReplaceExtension(name, "exe");
    default:
        return name;
    }
}

} // namespace korvel
