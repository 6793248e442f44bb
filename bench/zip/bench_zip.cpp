// Our archive writer against Info-ZIP's zip on one corpus: time and size at
// levels 1, 6 and 9, storing against zip -0, and an update with nothing
// changed against zip -u. Prints ratios ours / zip (lower is better).
//
//   bench_zip [--mb N] [--dir PATH] [--runs N]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "archive/zip_writer.h"

namespace fs = std::filesystem;
using korvel::TZipWriter;

namespace {

std::string TextLike(std::size_t size, std::mt19937& rng) {
    static const char* words[] = {
        "backup", "archive", "the",    "file", "korvel", "directory", "zip", "of", "and",  "to",    "data",
        "level",  "entry",   "return", "int",  "void",   "while",     "for", "if", "else", "const", "std",
        "size",   "\n",      "\t",     "{",    "}",      "(",         ")",   ";",  "=",    "0x1F"};
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += words[rng() % 32];
        out += (rng() % 7 == 0) ? "\n" : " ";
        if (rng() % 50 == 0)
            out += std::to_string(rng());
    }
    out.resize(size);
    return out;
}

std::string Random(std::size_t size, std::mt19937& rng) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const auto v = rng();
        std::memcpy(&out[i], &v, 4);
    }
    return out;
}

// About `mb` megabytes: 85% text-like files of 1 KB to 4 MB in nested
// directories, 15% random data in a few larger files.
void MakeCorpus(const fs::path& dir, std::size_t mb) {
    const std::uint64_t target = static_cast<std::uint64_t>(mb) << 20;
    std::mt19937 rng(42);
    std::uint64_t total = 0;
    int n = 0;
    while (total < target * 85 / 100) {
        const std::size_t size = (rng() % 10 == 0) ? 1000000 + rng() % 3000000 : 1000 + rng() % 120000;
        const fs::path p = dir / ("d" + std::to_string(n % 17)) / ("s" + std::to_string(n % 5)) /
                           ("file" + std::to_string(n) + ".txt");
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << TextLike(size, rng);
        total += size;
        ++n;
    }
    while (total < target) {
        const std::size_t size = 2000000 + rng() % 6000000;
        const fs::path p = dir / "bin" / ("blob" + std::to_string(n++) + ".bin");
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << Random(size, rng);
        total += size;
    }
}

double Seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::vector<std::string> ListFiles(const fs::path& dir) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files.push_back(e.path().string());
    return files;
}

void Shell(const std::string& cmd) {
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", cmd.c_str());
        std::exit(1);
    }
}

struct TResult {
    double seconds = 1e300;
    std::uintmax_t size = 0;
};

TResult Ours(const fs::path& corpus, const fs::path& zip, int level, bool update, int runs) {
    TResult r;
    for (int i = 0; i < runs; ++i) {
        if (!update)
            fs::remove(zip);
        TZipWriter w;
        w.SetZipName(zip.string());
        w.SetPackLevel(level);
        w.SetStorePaths(true);
        w.SetRelativePaths(true);
        w.SetRootDir(corpus.string() + "/");
        w.SetZipAction(korvel::zaUpdate);
        // The listing is part of the work, as zip -r lists the tree itself.
        r.seconds = std::min(r.seconds, Seconds([&] {
                                 w.FilesList() = ListFiles(corpus);
                                 w.Zip();
                             }));
    }
    r.size = fs::file_size(zip);
    return r;
}

TResult Peer(const fs::path& corpus, const fs::path& zip, const std::string& options, bool update, int runs) {
    TResult r;
    for (int i = 0; i < runs; ++i) {
        if (!update)
            fs::remove(zip);
        r.seconds = std::min(r.seconds, Seconds([&] {
                                 Shell("cd '" + corpus.string() + "' && zip -r -q " + options + " '" +
                                       zip.string() + "' . ; test $? -le 12");
                             }));
    }
    r.size = fs::file_size(zip);
    return r;
}

void Row(const char* label, const TResult& ours, const TResult& peer) {
    std::printf("%-22s ours %8.2f s %12ju B | zip %8.2f s %12ju B | time ratio %5.3f  size ratio %6.4f\n",
                label, ours.seconds, ours.size, peer.seconds, peer.size, ours.seconds / peer.seconds,
                static_cast<double>(ours.size) / static_cast<double>(peer.size));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = 300;
    int runs = 1;
    fs::path dir = fs::temp_directory_path() / "korvel-bench-zip";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--mb")
            mb = std::stoul(argv[i + 1]);
        else if (a == "--dir")
            dir = argv[i + 1];
        else if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    const fs::path corpus = dir / ("corpus-" + std::to_string(mb));
    if (!fs::exists(corpus / ".complete")) {
        fs::remove_all(corpus);
        fs::create_directories(corpus);
        std::printf("making a corpus of %zu MB in %s\n", mb, corpus.c_str());
        MakeCorpus(corpus, mb);
        std::ofstream(corpus / ".complete") << "";
    }
    fs::remove(corpus / ".complete");
    const auto files = ListFiles(corpus);
    std::uintmax_t bytes = 0;
    for (const auto& f : files)
        bytes += fs::file_size(f);
    std::ofstream(corpus / ".complete") << "";
    std::printf("corpus: %zu files, %ju bytes; best of %d run(s)\n", files.size(), bytes, runs);
    // Warm the page cache so that neither side pays for the first read.
    Shell("cat $(find '" + corpus.string() + "' -type f) > /dev/null");

    const fs::path oursZip = dir / "ours.zip";
    const fs::path peerZip = dir / "peer.zip";
    struct TLevel {
        int level;
        const char* option;
        const char* label;
    };
    for (const TLevel& l : {TLevel{0, "-0", "store (zip -0)"}, TLevel{1, "-1", "level 1"},
                            TLevel{6, "-6", "level 6"}, TLevel{9, "-9", "level 9"}}) {
        const TResult o = Ours(corpus, oursZip, l.level, false, runs);
        const TResult p = Peer(corpus, peerZip, l.option, false, runs);
        Row(l.label, o, p);
    }
    // Both archives are at level 9 now; update them with nothing changed.
    const TResult o = Ours(corpus, oursZip, 9, true, runs);
    const TResult p = Peer(corpus, peerZip, "-9 -u", true, runs);
    Row("update, no change", o, p);
    fs::remove(oursZip);
    fs::remove(peerZip);
    return 0;
}
