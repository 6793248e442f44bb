#include "tasks/options.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"

namespace korvel {

TOptionsData LoadOptions(const std::string& storeDir) {
    TOptionsData options;
    std::string data, error;
    if (ReadWholeFile(storeDir + "options.bin", data, error) == ReadResult::Ok) {
        ByteReader in(data);
        options.Language = in.ReadBool();
    }
    return options;
}

bool SaveOptions(const TOptionsData& options, const std::string& storeDir, std::string& error,
                 const WriteFn& write) {
    if (!options.LanguageChosen)
        return true;
    std::string out;
    WriteBool(out, options.Language);
    try {
        SaveFileAtomically(storeDir + "options.bin", out, 0600, write);
    } catch (const std::system_error& e) {
        error = e.what();
        return false;
    }
    return true;
}

} // namespace korvel

namespace korvel {

TOptionsData& Options() {
    static TOptionsData options;
    return options;
}

} // namespace korvel
