// The self-extractor stub: a program to which a ZIP archive is appended. Run,
// it reads the archive from its own file and extracts it.

#include "sfx/password_prompt.h"
#include "sfx/sfx_run.h"

#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void PrintUsage(std::FILE* to, const char* program) {
    std::fprintf(
        to,
        "Usage: %s [-l] [-d DIR] [-p PASSWORD] [-q] [-h]\n"
        "Extracts the archive stored in this program.\n"
        "  -d DIR       extract into DIR (default: a directory named after this file, beside it)\n"
        "  -p PASSWORD  password of encrypted entries (otherwise asked on the terminal)\n"
        "  -l           list the entries and exit\n"
        "  -q           do not list the names while extracting\n"
        "  -h           show this help\n"
        "Exit status: 0 all entries extracted and verified, 1 some entries failed, 2 nothing done.\n",
        program);
}

// The file this program runs from, through the link the kernel keeps current.
std::string OwnPath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("/proc/self/exe");
}

} // namespace

int main(int argc, char** argv) {
    using namespace korvel::sfx;
    TSfxOptions options;
    int opt = 0;
    while ((opt = ::getopt(argc, argv, "d:p:lqh")) != -1) {
        switch (opt) {
        case 'd':
            options.targetDir = optarg;
            break;
        case 'p':
            options.password = std::string(optarg);
            break;
        case 'l':
            options.listOnly = true;
            break;
        case 'q':
            options.quiet = true;
            break;
        case 'h':
            PrintUsage(stdout, argv[0]);
            return kExitOk;
        default:
            PrintUsage(stderr, argv[0]);
            return kExitFatal;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "sfx: unexpected argument \"%s\"\n", argv[optind]);
        PrintUsage(stderr, argv[0]);
        return kExitFatal;
    }
    // Reading through /proc/self/exe finds the very file that runs, even when
    // it was renamed or reached through a link.
    options.archivePath = "/proc/self/exe";
    options.archiveName = OwnPath();
    return RunSfx(
        options, [] { return AskPasswordOnTerminal("Password: "); }, stdout, stderr);
}
