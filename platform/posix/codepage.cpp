#include "platform/codepage.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

namespace korvel {

namespace {

// The converters are opened once per direction and code page: opening one costs
// far more than converting a name, and every entry name goes through here.
class TConverter {
public:
    TConverter(const std::string& to, const std::string& from)
        : cd_(::iconv_open(to.c_str(), from.c_str())) {}
    ~TConverter() {
        if (Valid())
            ::iconv_close(cd_);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;
    // iconv_open reports failure as the handle (iconv_t)-1.
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); } // NOLINT(performance-no-int-to-ptr)

    std::optional<std::string> Convert(const std::string& text) {
        if (!Valid())
            return std::nullopt;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        std::string out(text.size() * 4 + 16, '\0');
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const std::size_t rc = ::iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
        // A character mapped to a substitute counts as irreversible; such a name
        // would come back changed, so it is refused like one that failed.
        if (rc != 0 || inLeft != 0)
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

std::optional<std::string> Convert(bool toOem, const std::string& text) {
    // One thread does everything; thread_local keeps this correct should that change.
    thread_local std::map<std::pair<int, bool>, std::unique_ptr<TConverter>> converters;
    const int page = OemCodePage();
    auto& slot = converters[{page, toOem}];
    if (!slot) {
        const std::string oem = "CP" + std::to_string(page);
        slot =
            toOem ? std::make_unique<TConverter>(oem, "UTF-8") : std::make_unique<TConverter>("UTF-8", oem);
    }
    return slot->Convert(text);
}

} // namespace

int OemCodePage() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) {
            const std::string_view v(value);
            return (v.size() >= 2 && (v[0] == 'r' || v[0] == 'R') && (v[1] == 'u' || v[1] == 'U')) ? 866
                                                                                                   : 437;
        }
    }
    return 437;
}

std::optional<std::string> Utf8ToOem(const std::string& text) {
    return Convert(true, text);
}

std::optional<std::string> OemToUtf8(const std::string& text) {
    return Convert(false, text);
}

// File names on POSIX are bytes: a name that is not valid UTF-8 is still a name that
// must come back from the store unchanged, so the stores keep every byte.
int AnsiCodePage() {
    return 65001;
}

std::optional<std::string> Utf8ToAnsi(const std::string& text) {
    return text;
}

std::string AnsiToUtf8(const std::string& text) {
    return text;
}

} // namespace korvel
