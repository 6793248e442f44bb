// The archive reader on arbitrary bytes, and the update of an arbitrary existing
// archive. Any of the engine's own exceptions is an acceptable answer to a broken
// archive; a crash, a leak, another exception, a changed original or an update
// result that our own reader cannot read back is not.

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <typeinfo>

#include "archive/zip_names.h"
#include "archive/zip_reader.h"
#include "archive/zip_records.h"
#include "archive/zip_writer.h"
#include "fuzz_entries.h"
#include "scratch_dir.h"

namespace korvel::fuzz {

namespace {

const TScratchDir& ReaderScratch() {
    static const TScratchDir dir("reader");
    return dir;
}

const TScratchDir& UpdateScratch() {
    static const TScratchDir dir("update");
    return dir;
}

// Runs `body`; returns "" when it finished or raised one of the engine's exceptions,
// else a description. `engineError` tells the caller which of the two happened.
template <class F> std::string RunEngine(F&& body, bool& engineError) {
    engineError = false;
    try {
        body();
    } catch (const EZipException&) {
        engineError = true;
    } catch (const EZLibError&) {
        engineError = true;
    } catch (const EFCreateError&) {
        engineError = true;
    } catch (const EFOpenError&) {
        engineError = true;
    } catch (const EStreamError&) {
        engineError = true;
    } catch (const std::exception& e) {
        return std::string("unexpected exception ") + typeid(e).name() + ": " + e.what();
    }
    return {};
}

// Reads the whole directory and everything it points at that the reader offers.
void ReadEverything(TZipReader& reader) {
    reader.ReadDirectory();
    reader.LoadArchiveComment();
    for (std::size_t i = 0; i < reader.Count(); ++i) {
        TZipHeaderInfo& rec = reader.Entry(i);
        reader.LoadEntryComment(rec);
        (void)rec.FullName();
    }
}

bool PeerSaysSound(const std::string& path) {
    const std::string command = "unzip -tqq '" + path + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Every entry of a finished archive must start with a local header of its own name:
// an update may carry old entries over, but never garbage.
std::string CheckLocalHeaders(const TZipReader& reader, const std::string& bytes) {
    for (const TZipHeaderInfo& rec : reader.Entries()) {
        const std::uint64_t at = rec.RelativeOffset();
        if (at > bytes.size() || bytes.size() - at < kLocalHeaderSize)
            return "entry \"" + rec.FullName() + "\" points past the end of the archive";
        const auto* head = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
        if (GetU32(head) != kLocalSignature)
            return "entry \"" + rec.FullName() + "\" does not start with a local header";
        const std::size_t nameLen = GetU16(head + 26);
        if (bytes.size() - at - kLocalHeaderSize < nameLen ||
            bytes.compare(at + kLocalHeaderSize, nameLen, rec.RawName) != 0)
            return "entry \"" + rec.FullName() + "\" has a local header of another name";
    }
    return {};
}

} // namespace

std::string ZipReaderEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    const TScratchDir& dir = ReaderScratch();
    const std::string path = dir.Path() + "input.zip";
    dir.Write("input.zip", data, size);
    std::string problem;
    for (TIncompleteZipMode mode : {izAssumeBad, izAssumeMulti}) {
        TZipReader reader;
        reader.SetZipName(path);
        reader.SetDoProcessMessages(false);
        reader.SetIncompleteZipMode(mode);
        bool engineError = false;
        problem = RunEngine([&] { ReadEverything(reader); }, engineError);
        if (!problem.empty())
            break;
        if (engineError && reader.Count() != 0) {
            problem = "a failed read left " + std::to_string(reader.Count()) + " entries behind";
            break;
        }
    }
    if (problem.empty() && dir.Read("input.zip") != std::string(reinterpret_cast<const char*>(data), size))
        problem = "reading the archive changed it";
    return problem;
}

std::string ZipUpdateEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions& options) {
    const TScratchDir& dir = UpdateScratch();
    dir.Clear();
    const std::string original(reinterpret_cast<const char*>(data), size);
    dir.Write("target.zip", data, size);
    dir.Write("files/alpha.txt", "alpha alpha alpha alpha\n", 24);
    dir.Write("files/beta.txt", "beta\n", 5);
    dir.Write("tmp/.keep", "", 0);
    std::filesystem::remove(dir.Path() + "tmp/.keep");
    const std::string target = dir.Path() + "target.zip";
    const bool inputSound = options.PeerJudge && size > 0 && PeerSaysSound(target);

    bool engineError = false;
    int written = 0;
    std::string problem = RunEngine(
        [&] {
            TZipWriter writer;
            writer.SetZipName(target);
            writer.SetFilesList({dir.Path() + "files/alpha.txt", dir.Path() + "files/beta.txt"});
            writer.SetZipAction(zaUpdate);
            writer.SetPackLevel(size % 2 ? 6 : 0);
            writer.SetTempPath(dir.Path() + "tmp/");
            writer.SetDoProcessMessages(false);
            writer.SetIncompleteZipMode(izAssumeBad);
            writer.OnHandleMessage = [](TZipWriter&, int, const std::string&, const std::string&, unsigned,
                                        int&) {};
            writer.MessageBox = [](const std::string&, const std::string&, MsgButtons) {
                return MsgResult::Ok;
            };
            written = writer.Zip();
        },
        engineError);
    if (!problem.empty())
        return problem;
    if (!dir.Listing("tmp").empty())
        return "the update left temporary files: " + dir.Listing("tmp");
    const std::string after = dir.Read("target.zip");
    if (engineError) {
        if (after != original)
            return "a failed update changed the archive";
        return {};
    }

    TZipReader check;
    check.SetZipName(target);
    check.SetDoProcessMessages(false);
    check.SetIncompleteZipMode(izAssumeNotAZip);
    problem = RunEngine([&] { ReadEverything(check); }, engineError);
    if (problem.empty() && engineError)
        problem = "the updated archive cannot be read back";
    if (problem.empty()) {
        bool alpha = false, beta = false;
        std::string names;
        for (const TZipHeaderInfo& rec : check.Entries()) {
            // Names compare without regard to case, as on the system the archives come from:
            // an old "ALPHA.TXT" that is newer than the file is kept under its old spelling.
            alpha = alpha || LowerName(rec.FullName()) == "alpha.txt";
            beta = beta || LowerName(rec.FullName()) == "beta.txt";
            names += " \"" + rec.FullName() + "\"";
        }
        if (!alpha || !beta)
            problem = "the updated archive lacks the listed files (" + std::to_string(written) +
                      " written); it holds" + names;
    }
    if (problem.empty())
        problem = CheckLocalHeaders(check, after);
    if (problem.empty() && inputSound && !PeerSaysSound(target))
        problem = "unzip -t accepted the archive before the update and rejects it after";
    return problem;
}

} // namespace korvel::fuzz
