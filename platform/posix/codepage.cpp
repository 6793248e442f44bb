#include "platform/codepage.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <string_view>

namespace korvel {

namespace {

// One conversion through iconv; a descriptor per call keeps this free of
// shared state (names are short, the open is cheap next to compression).
std::optional<std::string> Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    // iconv may map a character it lacks to a substitute and count it as
    // irreversible; such a name would come back changed, so refuse it.
    if (rc != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string CodePageName() {
    return "CP" + std::to_string(OemCodePage());
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
    return Convert(CodePageName().c_str(), "UTF-8", text);
}

std::optional<std::string> OemToUtf8(const std::string& text) {
    return Convert("UTF-8", CodePageName().c_str(), text);
}

} // namespace korvel
