#include "platform/find_files.h"

#include "platform/path.h"
#include "platform/win32/wide.h"

namespace korvel {

struct TFindFiles::TState {
    HANDLE Find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW Data{};
    bool HavePending = false; // Data holds an entry not yet returned
    std::string Mask;
    ~TState() {
        if (Find != INVALID_HANDLE_VALUE)
            ::FindClose(Find);
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
    // Every entry is listed and the mask applied here, so that the system's own matching
    // (which also matches the short 8.3 names) cannot let in a name the mask does not fit.
    const std::string pattern =
        WithTrailingSeparator(directory.empty() ? std::string("\\") : directory) + "*";
    state->Find = ::FindFirstFileExW(win32::Widen(pattern).c_str(), FindExInfoBasic, &state->Data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (state->Find == INVALID_HANDLE_VALUE)
        return false;
    state->HavePending = true;
    state->Mask = mask;
    state_ = std::move(state);
    return FindNext(rec);
}

bool TFindFiles::FindNext(TSearchRec& rec) {
    if (!state_)
        return false;
    for (;;) {
        if (!state_->HavePending && !::FindNextFileW(state_->Find, &state_->Data))
            break;
        state_->HavePending = false;
        const WIN32_FIND_DATAW& d = state_->Data;
        const wchar_t* name = d.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        const std::string utf8 = win32::Narrow(std::wstring(name));
        if (!FileSystemMaskMatches(utf8, state_->Mask))
            continue;
        rec.Name = utf8;
        rec.IsDirectory = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        rec.IsSymlink = (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                        d.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
        return true;
    }
    Close();
    return false;
}

} // namespace korvel
