// The self-extractor stub on arbitrary bytes: the stub runs on the machines of the
// people who receive an archive, so whatever is appended to it must neither crash
// it nor carry a write outside the directory it extracts into.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <typeinfo>
#include <unistd.h>

#include "fuzz_entries.h"
#include "scratch_dir.h"
#include "sfx/archive_file.h"
#include "sfx/entry_names.h"
#include "sfx/sfx_run.h"
#include "sfx/zip_directory.h"
#include "zipformat/zip_format.h"

namespace fs = std::filesystem;

namespace korvel::fuzz {

namespace {

const TScratchDir& DirectoryScratch() {
    static const TScratchDir dir("sfx-directory");
    return dir;
}

const TScratchDir& ExtractScratch() {
    static const TScratchDir dir("sfx-extract");
    return dir;
}

// What the directory reader promises about every entry it returns.
std::string CheckEntry(const sfx::TSfxEntry& entry, std::uint64_t fileSize) {
    if (entry.localHeaderOffset > fileSize)
        return "an entry's local header lies past the end of the file";
    if (entry.storedName.size() > kMaxCommentLength)
        return "an entry name longer than a header can hold";
    const std::string name =
        sfx::DecodeEntryName(entry.storedName, entry.flags, entry.versionMadeBy, sfx::TOemCodePage::Cp437);
    const auto path = sfx::MakeSafePath(name);
    if (!path)
        return {};
    if (path->components.empty())
        return "a safe path without components";
    for (const std::string& c : path->components) {
        if (c.empty() || c == "." || c == ".." || c.find('/') != std::string::npos ||
            c.find('\0') != std::string::npos)
            return "a safe path with the component \"" + c + "\"";
    }
    return {};
}

// Every path below `root` that is a link, other than `allowed`.
std::string LinksBelow(const fs::path& root, const fs::path& allowed) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink() && it->path() != allowed)
            return it->path().string();
    }
    return {};
}

// The stub's temporary files are ".sfx-" and ten random letters or digits. A file of that
// shape whose name the archive itself holds may be an entry extracted as asked.
bool IsStubTemporary(const std::string& name, const std::string& archive) {
    static const std::regex shape(R"(\.sfx-[0-9a-z]{10})");
    return std::regex_match(name, shape) && archive.find(name) == std::string::npos;
}

std::string LeftTemporaries(const fs::path& root, const std::string& archive) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (IsStubTemporary(it->path().filename().string(), archive))
            return it->path().string();
    }
    return {};
}

} // namespace

std::string SfxDirectoryEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    const TScratchDir& dir = DirectoryScratch();
    dir.Write("input.exe", data, size);
    try {
        const sfx::TArchiveFile file(dir.Path() + "input.exe");
        const sfx::TSfxDirectory directory = sfx::ReadDirectory(file);
        if (directory.entries.size() > size / kCentralHeaderSize)
            return "more entries than the file can hold headers for";
        for (const sfx::TSfxEntry& entry : directory.entries) {
            std::string problem = CheckEntry(entry, file.Size());
            if (!problem.empty())
                return problem;
        }
    } catch (const sfx::TSfxError&) {
        // A broken archive is refused with the stub's own error: the sound answer.
    } catch (const std::exception& e) {
        return std::string("unexpected exception ") + typeid(e).name() + ": " + e.what();
    }
    return {};
}

std::string SfxExtractEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    const TScratchDir& dir = ExtractScratch();
    dir.Clear();
    const std::string original(reinterpret_cast<const char*>(data), size);
    dir.Write("archive.exe", data, size);
    dir.Write("outside/.keep", "", 0);
    dir.Write("target/.keep", "", 0);
    fs::remove(dir.Path() + "outside/.keep");
    fs::remove(dir.Path() + "target/.keep");
    // A link planted in the target beforehand, as an attacker with write access to
    // it could: an entry named "planted/x" must not be written through it. (An entry
    // named "planted" may replace the link itself: that writes nothing outside.)
    const fs::path planted = fs::path(dir.Path()) / "target" / "planted";
    fs::create_directory_symlink("../outside", planted);

    sfx::TSfxOptions options;
    options.archivePath = dir.Path() + "archive.exe";
    options.archiveName = options.archivePath;
    options.targetDir = dir.Path() + "target";
    options.password = std::string("secret");
    options.quiet = true;
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (!sink)
        return "cannot open /dev/null";
    int status = 0;
    try {
        status = sfx::RunSfx(
            options, [] { return std::optional<std::string>(); }, sink, sink);
    } catch (const std::exception& e) {
        std::fclose(sink);
        return std::string("RunSfx let an exception out: ") + typeid(e).name() + ": " + e.what();
    }
    std::fclose(sink);

    if (status != sfx::kExitOk && status != sfx::kExitEntriesFailed && status != sfx::kExitFatal)
        return "unexpected exit status " + std::to_string(status);
    if (!dir.Listing("outside").empty())
        return "a write escaped through the planted link: " + dir.Listing("outside");
    if (dir.Listing() != "archive.exe outside target")
        return "a write escaped the target directory: " + dir.Listing();
    if (dir.Read("archive.exe") != original)
        return "extracting changed the archive";
    const std::string link = LinksBelow(fs::path(dir.Path()) / "target", planted);
    if (!link.empty())
        return "extraction made a link: " + link;
    const std::string temporary = LeftTemporaries(fs::path(dir.Path()) / "target", original);
    if (!temporary.empty())
        return "extraction left a temporary file: " + temporary;
    return {};
}

} // namespace korvel::fuzz
