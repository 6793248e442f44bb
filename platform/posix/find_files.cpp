#include "platform/find_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace korvel {

struct TFindFiles::TState {
    DIR* Dir = nullptr;
    std::string Mask;
    ~TState() {
        if (Dir)
            ::closedir(Dir);
    }
};

TFindFiles::TFindFiles() = default;
TFindFiles::~TFindFiles() = default;

void TFindFiles::Close() {
    state_.reset();
}

bool TFindFiles::FindFirst(const std::string& directory, const std::string& mask, TSearchRec& rec) {
    Close();
    auto state = std::make_unique<TState>();
    const std::string open = directory.empty() ? std::string("/") : directory;
    state->Dir = ::opendir(open.c_str());
    if (!state->Dir)
        return false;
    state->Mask = mask;
    state_ = std::move(state);
    return FindNext(rec);
}

bool TFindFiles::FindNext(TSearchRec& rec) {
    if (!state_)
        return false;
    const int dirFd = ::dirfd(state_->Dir);
    while (const dirent* entry = ::readdir(state_->Dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!FileSystemMaskMatches(name, state_->Mask))
            continue;
        bool isDir = false, isLink = false;
        unsigned char type = DT_UNKNOWN;
#ifdef _DIRENT_HAVE_D_TYPE
        type = entry->d_type;
#endif
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR) {
            isDir = true;
        } else if (type == DT_LNK) {
            // A link counts as what it leads to; a dangling link counts as a file.
            isLink = true;
            struct stat st;
            isDir = ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        rec.Name = name;
        rec.IsDirectory = isDir;
        rec.IsSymlink = isLink;
        return true;
    }
    Close();
    return false;
}

} // namespace korvel
