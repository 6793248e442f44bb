#include "platform/find_files.h"

#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace korvel {

namespace {

// Length of the UTF-8 sequence at s[i]; 1 for a byte that starts no valid sequence.
std::size_t CharLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80                   ? 1
                      : (b >= 0xC2 && b <= 0xDF) ? 2
                      : (b >= 0xE0 && b <= 0xEF) ? 3
                      : (b >= 0xF0 && b <= 0xF4) ? 4
                                                 : 1;
    if (len == 1 || i + len > s.size())
        return 1;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return len;
}

char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares one character of the name with one literal character of the mask.
bool SameChar(std::string_view name, std::size_t ni, std::size_t nlen, std::string_view mask, std::size_t mi,
              std::size_t mlen) {
    if (nlen != mlen)
        return false;
    if (nlen == 1)
        return Fold(name[ni]) == Fold(mask[mi]);
    return name.substr(ni, nlen) == mask.substr(mi, mlen);
}

} // namespace

bool FileSystemMaskMatches(std::string_view name, std::string_view mask) {
    if (mask == "*" || mask == "*.*")
        return true;
    std::size_t ni = 0, mi = 0;
    std::size_t starMi = std::string_view::npos, starNi = 0;
    while (true) {
        if (mi < mask.size() && mask[mi] == '*') {
            while (mi < mask.size() && mask[mi] == '*')
                ++mi;
            if (mi == mask.size())
                return true;
            starMi = mi;
            starNi = ni;
            continue;
        }
        if (mi < mask.size() && ni < name.size()) {
            const std::size_t nlen = CharLength(name, ni);
            const std::size_t mlen = CharLength(mask, mi);
            if (mask[mi] == '?' || SameChar(name, ni, nlen, mask, mi, mlen)) {
                ni += nlen;
                mi += mlen;
                continue;
            }
        } else if (mi == mask.size() && ni == name.size()) {
            return true;
        }
        // Mismatch: let the most recent "*" take one more character.
        if (starMi == std::string_view::npos || starNi >= name.size())
            return false;
        starNi += CharLength(name, starNi);
        ni = starNi;
        mi = starMi;
    }
}

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
