#include "archive_fixture.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <process.h>

#include "platform/file_system.h"
#include "sfx/archive_file.h"
#include "sfx/entry_data.h"
#include "sfx/entry_names.h"
#include "sfx/zip_directory.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace korvel::test {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

std::string GenericUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.generic_u8string();
    return std::string(s.begin(), s.end());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(FsPath(path).parent_path());
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

// Everything a command wrote, until it ends.
std::string ReadPipe(FILE* p) {
    std::string text;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        text.append(buf.data(), n);
    return text;
}

} // namespace

#ifdef _WIN32

void SetMTime(const std::string& path, std::int64_t seconds) {
    SetFileModTime(path, timespec{static_cast<time_t>(seconds), 0});
}

std::int64_t MTime(const std::string& path) {
    TFileInfo info;
    GetFileInfo(path, info);
    return info.ModTime.tv_sec;
}

// Through cmd, which strips the first and the last quote of a line that starts with one:
// the whole line is quoted once more for it.
int Run(const std::string& command, std::string* output) {
    const std::wstring line = FsPath("\"" + command + " 2>&1\"").wstring();
    FILE* p = ::_wpopen(line.c_str(), L"rb");
    if (!p)
        return -1;
    const std::string text = ReadPipe(p);
    const int status = ::_pclose(p);
    if (output)
        *output = text;
    return status;
}

// cmd's rules: a name in double quotes; a name cannot hold one.
std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

bool HaveTool(const std::string& /*name*/) {
    return false;
}

void SetEnv(const std::string& name, const std::string& value) {
    ::_wputenv_s(FsPath(name).wstring().c_str(), FsPath(value).wstring().c_str());
}

void UnsetEnv(const std::string& name) {
    ::_wputenv_s(FsPath(name).wstring().c_str(), L"");
}

#else

void SetMTime(const std::string& path, std::int64_t seconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::int64_t MTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtime;
}

int Run(const std::string& command, std::string* output) {
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    const std::string text = ReadPipe(p);
    const int status = ::pclose(p);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Q(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

bool HaveTool(const std::string& name) {
    return Run("command -v " + name + " >/dev/null") == 0;
}

void SetEnv(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
    ::unsetenv(name.c_str());
}

#endif

std::string TextLike(std::size_t size, unsigned seed) {
    static const char* words[] = {"backup", "archive", "the", "file", "korvel", "directory", "zip",
                                  "of",     "and",     "to",  "data", "level",  "entry",     "\n"};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) {
        out += words[rng() % 14];
        out += ' ';
    }
    out.resize(size);
    return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(rng() & 0xFF);
    return out;
}

std::uint16_t U16At(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b.at(at)) |
                                      (static_cast<std::uint8_t>(b.at(at + 1)) << 8));
}
std::uint32_t U32At(const std::string& b, std::size_t at) {
    return U16At(b, at) | (std::uint32_t(U16At(b, at + 2)) << 16);
}
std::uint64_t U64At(const std::string& b, std::size_t at) {
    return U32At(b, at) | (std::uint64_t(U32At(b, at + 4)) << 32);
}

#ifdef _WIN32

namespace {

std::optional<std::string> PasswordOf(const std::string& password) {
    return password.empty() ? std::nullopt : std::optional<std::string>(password);
}

// Python's zipfile takes a name without the UTF-8 flag as code page 437, whatever its host.
std::string EntryName(const sfx::TSfxEntry& entry) {
    return sfx::DecodeEntryName(entry.storedName, entry.flags, 0, sfx::TOemCodePage::Cp437);
}

} // namespace

std::string PeerVerdicts(const std::string& archive, const std::string& password) {
    try {
        const sfx::TArchiveFile file(archive);
        std::string failures;
        for (const sfx::TSfxEntry& entry : sfx::ReadDirectory(file).entries) {
            const auto result = sfx::ExtractEntryData(file, entry, PasswordOf(password),
                                                      [](const std::uint8_t*, std::size_t) { return true; });
            if (result.status != sfx::TDataStatus::Ok)
                failures += "stub reader: " + EntryName(entry) + ": " + result.message + "\n";
        }
        return failures;
    } catch (const sfx::TSfxError& e) {
        return std::string("stub reader: ") + e.what() + "\n";
    }
}

std::vector<std::pair<std::string, std::string>> ExtractEntries(const std::string& archive,
                                                                const std::string& password) {
    std::vector<std::pair<std::string, std::string>> result;
    try {
        const sfx::TArchiveFile file(archive);
        for (const sfx::TSfxEntry& entry : sfx::ReadDirectory(file).entries) {
            const std::string name = EntryName(entry);
            if (!name.empty() && name.back() == '/')
                continue;
            std::string bytes;
            const auto status =
                sfx::ExtractEntryData(file, entry, PasswordOf(password),
                                      [&](const std::uint8_t* data, std::size_t size) {
                                          bytes.append(reinterpret_cast<const char*>(data), size);
                                          return true;
                                      })
                    .status;
            if (status != sfx::TDataStatus::Ok)
                break;
            result.emplace_back(name, bytes);
        }
    } catch (const sfx::TSfxError&) {
    }
    return result;
}

#else

std::string PeerVerdicts(const std::string& archive, const std::string& password) {
    std::string failures;
    std::string out;
    const std::string pw = password.empty() ? "" : " -P " + Q(password);
    if (HaveTool("unzip") && Run("unzip -tqq" + pw + " " + Q(archive), &out) != 0)
        failures += "unzip -t: " + out + "\n";
    const std::string pw7 = password.empty() ? " -p-" : " -p" + Q(password);
    if (HaveTool("7z") && Run("7z t -bd" + pw7 + " " + Q(archive), &out) != 0)
        failures += "7z t: " + out + "\n";
    const std::string py = "import sys,zipfile\n"
                           "z=zipfile.ZipFile(sys.argv[1])\n"
                           "if len(sys.argv)>2: z.setpassword(sys.argv[2].encode())\n"
                           "bad=z.testzip()\n"
                           "sys.exit(1 if bad else 0)\n";
    if (Run("python3 -c " + Q(py) + " " + Q(archive) + (password.empty() ? "" : " " + Q(password)), &out) !=
        0)
        failures += "python zipfile: " + out + "\n";
    if (password.empty() && HaveTool("bsdtar") && Run("bsdtar -tf " + Q(archive) + " >/dev/null", &out) != 0)
        failures += "bsdtar -tf: " + out + "\n";
    return failures;
}

std::vector<std::pair<std::string, std::string>> ExtractEntries(const std::string& archive,
                                                                const std::string& password) {
    // name, size, hex bytes: one entry per line, robust against any byte in names.
    const std::string py = "import sys,zipfile\n"
                           "z=zipfile.ZipFile(sys.argv[1])\n"
                           "if len(sys.argv)>2: z.setpassword(sys.argv[2].encode())\n"
                           "for i in z.infolist():\n"
                           "  if i.is_dir(): continue\n"
                           "  print('E', i.filename.encode('utf-8').hex(), z.read(i).hex())\n";
    std::string out;
    Run("python3 -c " + Q(py) + " " + Q(archive) + (password.empty() ? "" : " " + Q(password)) +
            " 2>/dev/null",
        &out);
    auto unhex = [](const std::string& h) {
        std::string s;
        for (std::size_t i = 0; i + 1 < h.size(); i += 2)
            s.push_back(static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16)));
        return s;
    };
    std::vector<std::pair<std::string, std::string>> result;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        // Only the lines of the script itself; anything else is a complaint on stderr.
        if (line.rfind("E ", 0) != 0)
            continue;
        const auto space = line.find(' ', 2);
        if (space == std::string::npos)
            continue;
        result.emplace_back(unhex(line.substr(2, space - 2)), unhex(line.substr(space + 1)));
    }
    return result;
}

#endif

void ArchiveTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_'); // parameterised tests
#ifdef _WIN32
    // A Windows path, drive letter and all, as the engine meets them there.
    const std::string base = Utf8(std::filesystem::temp_directory_path() / "korvel-tests");
    const int pid = ::_getpid();
#else
    const std::string base = KORVEL_TEST_TMP;
    const int pid = ::getpid();
#endif
    dir_ = base + "/" + name + "." + std::to_string(pid) + "/";
    std::filesystem::remove_all(FsPath(dir_));
    std::filesystem::create_directories(FsPath(dir_));
}

ArchiveTest::~ArchiveTest() {
    std::error_code ignored;
    std::filesystem::remove_all(FsPath(dir_), ignored);
}

std::string ArchiveTest::P(const std::string& relative) const {
    const std::string path = dir_ + relative;
    std::filesystem::create_directories(FsPath(path).parent_path());
    return path;
}

std::string ArchiveTest::File(const std::string& relative, const std::string& content) {
    const std::string path = P(relative);
    WriteAll(path, content);
    return path;
}

} // namespace korvel::test
