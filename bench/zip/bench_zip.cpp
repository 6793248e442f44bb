// Our archive writer against Info-ZIP's zip on two corpora, a tree of many files
// and one big file: time and size at levels 1, 6 and 9, storing against zip -0,
// and an update with nothing changed against zip -u. Prints ratios ours / zip
// (lower is better), ours / our own writer on one thread, and, on the big file,
// ours / pigz -6 when pigz is installed. Beside the one-thread ratio, CPU time over
// elapsed time of both runs: near the thread count when the cores were free for them.
//
//   bench_zip [--mb N] [--big-mb N] [--dir PATH] [--runs N]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "archive/zip_deflate_pool.h"
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

// One file of `mb` megabytes of text-like bytes, written a slice at a time.
void MakeBigFile(const fs::path& file, std::size_t mb) {
    std::mt19937 rng(7);
    std::ofstream out(file, std::ios::binary);
    constexpr std::size_t kSlice = std::size_t{64} << 20;
    for (std::size_t left = mb << 20; left > 0;) {
        const std::size_t n = std::min(left, kSlice);
        out << TextLike(n, rng);
        left -= n;
    }
}

double Seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// This process's CPU time, all threads together: on a shared machine the kernel
// gives the process a share of the cores however many threads it runs, so the
// threads show in CPU time against elapsed time rather than in elapsed time alone.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
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
    double cpu = 0; // of the fastest run; ours only
    std::uintmax_t size = 0;
};

TResult Ours(const fs::path& corpus, const fs::path& zip, int level, bool update, int runs, int threads = 0) {
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
        w.SetThreads(threads);
        // The listing is part of the work, as zip -r lists the tree itself.
        const double cpu0 = CpuSeconds();
        const double seconds = Seconds([&] {
            w.FilesList() = ListFiles(corpus);
            w.Zip();
        });
        if (seconds < r.seconds) {
            r.seconds = seconds;
            r.cpu = CpuSeconds() - cpu0;
        }
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

TResult Pigz(const fs::path& file, const fs::path& out, int runs) {
    TResult r;
    for (int i = 0; i < runs; ++i)
        r.seconds =
            std::min(r.seconds,
                     Seconds([&] { Shell("pigz -6 -c '" + file.string() + "' > '" + out.string() + "'"); }));
    r.size = fs::file_size(out);
    return r;
}

void Row(const char* label, const TResult& ours, const TResult& peer, const TResult* single = nullptr) {
    std::printf("%-22s ours %7.2f s %11ju B | zip %7.2f s %11ju B | time ratio %5.3f  size ratio %6.4f",
                label, ours.seconds, ours.size, peer.seconds, peer.size, ours.seconds / peer.seconds,
                static_cast<double>(ours.size) / static_cast<double>(peer.size));
    if (single)
        std::printf(" | 1 thread %7.2f s, ratio %5.3f | cpu/elapsed %4.2f, 1 thread %4.2f", single->seconds,
                    ours.seconds / single->seconds, ours.cpu / ours.seconds, single->cpu / single->seconds);
    std::printf("\n");
    std::fflush(stdout);
}

bool HavePigz() {
    return std::system("command -v pigz > /dev/null 2>&1") == 0;
}

// Makes the corpus once; later runs find it complete.
void Prepare(const fs::path& corpus, const std::function<void()>& make) {
    if (fs::exists(corpus / ".complete"))
        return;
    fs::remove_all(corpus);
    fs::create_directories(corpus);
    std::printf("making %s\n", corpus.c_str());
    std::fflush(stdout);
    make();
    std::ofstream(corpus / ".complete") << "";
}

std::uintmax_t Bytes(const fs::path& corpus, std::size_t& count) {
    std::uintmax_t bytes = 0;
    count = 0;
    for (const auto& f : ListFiles(corpus))
        if (fs::path(f).filename() != ".complete") {
            bytes += fs::file_size(f);
            ++count;
        }
    return bytes;
}

// Levels 1, 6 and 9 (and storing when asked) against zip and against one thread of ours.
void Levels(const fs::path& corpus, const fs::path& dir, bool store, int runs) {
    const fs::path oursZip = dir / "ours.zip";
    const fs::path peerZip = dir / "peer.zip";
    struct TLevel {
        int level;
        const char* option;
        const char* label;
    };
    // Warm the page cache so that neither side pays for the first read.
    Shell("find '" + corpus.string() + "' -type f -exec cat {} + > /dev/null");
    for (const TLevel& l : {TLevel{0, "-0", "store (zip -0)"}, TLevel{1, "-1", "level 1"},
                            TLevel{6, "-6", "level 6"}, TLevel{9, "-9", "level 9"}}) {
        if (l.level == 0 && !store)
            continue;
        const TResult o = Ours(corpus, oursZip, l.level, false, runs);
        const TResult p = Peer(corpus, peerZip, l.option, false, runs);
        if (l.level == 0) {
            Row(l.label, o, p);
            continue;
        }
        const TResult one = Ours(corpus, oursZip, l.level, false, runs, 1);
        Row(l.label, o, p, &one);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = 300;
    std::size_t bigMb = 1024;
    int runs = 1;
    fs::path dir = fs::temp_directory_path() / "korvel-bench-zip";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--mb")
            mb = std::stoul(argv[i + 1]);
        else if (a == "--big-mb")
            bigMb = std::stoul(argv[i + 1]);
        else if (a == "--dir")
            dir = argv[i + 1];
        else if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    const fs::path corpus = dir / ("corpus-" + std::to_string(mb));
    const fs::path big = dir / ("single-" + std::to_string(bigMb));
    Prepare(corpus, [&] { MakeCorpus(corpus, mb); });
    Prepare(big, [&] { MakeBigFile(big / "big.txt", bigMb); });
    std::size_t files = 0;
    const std::uintmax_t bytes = Bytes(corpus, files);
    std::printf("threads: %d; best of %d run(s)\n", korvel::ZipThreadCount(0), runs);
    std::printf("corpus: %zu files, %ju bytes\n", files, bytes);
    std::fflush(stdout);
    Levels(corpus, dir, true, runs);

    // Both archives are at level 9 now; update them with nothing changed.
    const fs::path oursZip = dir / "ours.zip";
    const fs::path peerZip = dir / "peer.zip";
    {
        const TResult o = Ours(corpus, oursZip, 9, true, runs);
        const TResult p = Peer(corpus, peerZip, "-9 -u", true, runs);
        Row("update, no change", o, p);
    }

    std::size_t one = 0;
    std::printf("one file: %ju bytes\n", Bytes(big, one));
    std::fflush(stdout);
    Levels(big, dir, false, runs);
    if (HavePigz()) {
        const TResult o = Ours(big, oursZip, 6, false, runs);
        const TResult p = Pigz(big / "big.txt", dir / "big.gz", runs);
        std::printf(
            "%-22s ours %7.2f s %11ju B | pigz -6 %7.2f s %11ju B | time ratio %5.3f  size ratio %6.4f\n",
            "one file vs pigz", o.seconds, o.size, p.seconds, p.size, o.seconds / p.seconds,
            static_cast<double>(o.size) / static_cast<double>(p.size));
        fs::remove(dir / "big.gz");
    } else {
        std::printf("pigz is not installed: no comparison with it\n");
    }
    fs::remove(oursZip);
    fs::remove(peerZip);
    return 0;
}
