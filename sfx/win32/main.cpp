// The Windows self-extractor stub: a console program to which a ZIP archive is
// appended. Run, it reads the archive from its own file and extracts it.

#include "sfx/password_prompt.h"
#include "sfx/sfx_run.h"
#include "sfx/win32/wide.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUsage(std::FILE* to, const std::string& program) {
    std::fprintf(
        to,
        "Usage: %s [-l] [-d DIR] [-p PASSWORD] [-q] [-h]\n"
        "Extracts the archive stored in this program.\n"
        "  -d DIR       extract into DIR (default: a directory named after this file, beside it)\n"
        "  -p PASSWORD  password of encrypted entries (otherwise asked on the console)\n"
        "  -l           list the entries and exit\n"
        "  -q           do not list the names while extracting\n"
        "  -h           show this help\n"
        "Exit status: 0 all entries extracted and verified, 1 some entries failed, 2 nothing done.\n",
        program.c_str());
}

// The file this program runs from.
std::string OwnPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return korvel::sfx::Narrow(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The arguments as UTF-8, from the wide command line: the ANSI one loses every
// character outside the ANSI code page.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 0; wide && i < count; ++i)
        out.push_back(korvel::sfx::Narrow(wide[i]));
    if (wide)
        ::LocalFree(wide);
    return out;
}

} // namespace

int main() {
    using namespace korvel::sfx;
    // Names are printed as UTF-8; the console shows them as such.
    ::SetConsoleOutputCP(CP_UTF8);
    const std::vector<std::string> args = Arguments();
    const std::string program = args.empty() ? std::string("sfx") : args[0];
    TSfxOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "-dDIR" and "-d DIR" alike, as getopt takes them.
        const auto value = [&](std::string& into) {
            if (arg.size() > 2) {
                into = arg.substr(2);
                return true;
            }
            if (i + 1 < args.size()) {
                into = args[++i];
                return true;
            }
            return false;
        };
        if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) {
            std::fprintf(stderr, "sfx: unexpected argument \"%s\"\n", arg.c_str());
            PrintUsage(stderr, program);
            return kExitFatal;
        }
        std::string text;
        switch (arg[1]) {
        case 'd':
            if (!value(options.targetDir)) {
                PrintUsage(stderr, program);
                return kExitFatal;
            }
            break;
        case 'p':
            if (!value(text)) {
                PrintUsage(stderr, program);
                return kExitFatal;
            }
            options.password = text;
            break;
        case 'l':
            options.listOnly = true;
            break;
        case 'q':
            options.quiet = true;
            break;
        case 'h':
        case '?':
            PrintUsage(stdout, program);
            return kExitOk;
        default:
            PrintUsage(stderr, program);
            return kExitFatal;
        }
    }
    options.archivePath = OwnPath();
    options.archiveName = options.archivePath;
    return RunSfx(
        options, [] { return AskPasswordOnTerminal("Password: "); }, stdout, stderr);
}
