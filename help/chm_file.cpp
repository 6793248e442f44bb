#include "help/chm_file.h"

#include <chm_lib.h>

namespace korvel {

void TChmFile::Closer::operator()(chmFile* f) const {
    chm_close(f);
}

TChmFile::TChmFile(const std::string& path) : file_(chm_open(path.c_str())) {}

std::optional<std::string> TChmFile::Read(const std::string& name) const {
    if (!file_)
        return std::nullopt;
    chmUnitInfo ui{};
    if (chm_resolve_object(file_.get(), name.c_str(), &ui) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    std::string data(static_cast<std::size_t>(ui.length), '\0');
    if (ui.length > 0 &&
        chm_retrieve_object(file_.get(), &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                            static_cast<LONGINT64>(ui.length)) != static_cast<LONGINT64>(ui.length))
        return std::nullopt;
    return data;
}

std::vector<std::string> TChmFile::Names() const {
    std::vector<std::string> names;
    if (!file_)
        return names;
    chm_enumerate(
        file_.get(), CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES,
        [](chmFile*, chmUnitInfo* ui, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(ui->path);
            return CHM_ENUMERATOR_CONTINUE;
        },
        &names);
    return names;
}

THelpLocation SplitHelpLocation(const std::string& request) {
    const auto sep = request.find("::");
    if (sep == std::string::npos)
        return {request, {}};
    return {request.substr(0, sep), request.substr(sep + 2)};
}

} // namespace korvel
