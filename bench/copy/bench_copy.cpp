// Times the copy step and the file selection against the tools people would use
// instead, on one corpus in one run:
//   first mirror           RunTask (copy task)        vs  cp -a
//   many directories       RunTask on a tree of 2000 directories of small files vs cp -a
//   incremental, no change RunTask (UpdateOnly)       vs  rsync -a
//   selection              SelectFiles                vs  find -type f
// Each pair runs alternately three times; the medians are compared.
//
// Usage: bench_copy [--files N] [--big-files K] [--big-mb M] [--dir PATH] [--runs R]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_tools.h"
#include "engine/file_selection.h"
#include "engine/run_task.h"
#include "tasks/task.h"

namespace {

namespace fs = std::filesystem;
using bench::Median;
using bench::Run;
using bench::Seconds;

struct TOptions {
    int Files = 20000;
    int BigFiles = 3;
    int BigMb = 100;
    int Runs = 3;
    std::string Dir;
};

void WriteFile(const std::string& path, std::size_t size, std::uint64_t& seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        std::memcpy(&data[i], &seed, std::min<std::size_t>(8, size - i));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
    std::fclose(f);
}

// Small files spread over two levels of directories, 100 files to a directory,
// plus a few big files at the top.
void BuildCorpus(const std::string& src, const TOptions& o) {
    std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
    const int perDir = 100;
    for (int i = 0; i < o.Files; ++i) {
        const int dir = i / perDir;
        const std::string d = src + "/top" + std::to_string(dir / 10) + "/sub" + std::to_string(dir % 10);
        if (i % perDir == 0)
            fs::create_directories(d);
        WriteFile(d + "/file" + std::to_string(i) + ".dat", 512 + (seed % 8192), seed);
    }
    for (int k = 0; k < o.BigFiles; ++k)
        WriteFile(src + "/big" + std::to_string(k) + ".bin", static_cast<std::size_t>(o.BigMb) << 20, seed);
}

// Three levels of directories, 2000 at the bottom, each with a few small files:
// where the work is making directories and opening files, not moving bytes.
void BuildTree(const std::string& src) {
    std::uint64_t seed = 0x2545F4914F6CDD1DULL;
    for (int a = 0; a < 20; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c) {
                const std::string d =
                    src + "/a" + std::to_string(a) + "/b" + std::to_string(b) + "/c" + std::to_string(c);
                fs::create_directories(d);
                for (int f = 0; f < 5; ++f)
                    WriteFile(d + "/f" + std::to_string(f) + ".txt", 100 + (seed % 2000), seed);
            }
}

korvel::TTask CopyTask(const std::string& src, const std::string& dest, bool updateOnly) {
    korvel::TTask task;
    task.SourceDirs = {src};
    task.DestDir = dest + "/";
    task.Compress = false;
    task.IncludeSubDirs = true;
    task.UpdateOnly = updateOnly;
    return task;
}

void RunOurs(const std::string& src, const std::string& dest, bool updateOnly) {
    korvel::TTask task = CopyTask(src, dest, updateOnly);
    bool abort = false;
    const korvel::TRunReport report = korvel::RunTask(task, abort, [](double) { return false; }, {});
    if (!report.Ok()) {
        std::fprintf(stderr, "%s\n", report.Message().c_str());
        std::exit(2);
    }
}

void Sync() {
    ::sync();
}

struct TResult {
    const char* Name;
    const char* Peer;
    double Ours, Theirs;
};

} // namespace

int main(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--files")
            o.Files = std::atoi(value);
        else if (key == "--big-files")
            o.BigFiles = std::atoi(value);
        else if (key == "--big-mb")
            o.BigMb = std::atoi(value);
        else if (key == "--runs")
            o.Runs = std::max(1, std::atoi(value));
        else if (key == "--dir")
            o.Dir = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    const std::string root = (o.Dir.empty() ? fs::temp_directory_path() : fs::path(o.Dir)) /
                             ("korvel_bench_copy_" + std::to_string(getpid()));
    const std::string src = root + "/src";
    fs::create_directories(src);
    std::printf("corpus: %d small files, %d files of %d MB in %s\n", o.Files, o.BigFiles, o.BigMb,
                root.c_str());
    BuildCorpus(src, o);
    const std::string tree = root + "/tree";
    BuildTree(tree);
    Sync();

    const std::string oursDst = root + "/ours", cpDst = root + "/cp", rsyncDst = root + "/rsync";
    std::vector<double> oursMirror, cpMirror, oursIncr, rsyncIncr, oursSelect, findSelect;
    for (int r = 0; r < o.Runs; ++r) {
        // First mirror into an empty destination.
        fs::remove_all(oursDst);
        fs::remove_all(cpDst);
        Sync();
        // Alternate who goes first, so that neither always meets the other's writeback.
        auto ours = [&] { oursMirror.push_back(Seconds([&] { RunOurs(src, oursDst, false); })); };
        auto cp = [&] { cpMirror.push_back(Seconds([&] { Run({"cp", "-a", src, cpDst}); })); };
        if (r % 2 == 0)
            ours(), Sync(), cp();
        else
            cp(), Sync(), ours();
        Sync();
    }
    std::vector<double> oursTree, cpTree;
    const std::string oursTreeDst = root + "/ours-tree", cpTreeDst = root + "/cp-tree";
    for (int r = 0; r < o.Runs; ++r) {
        fs::remove_all(oursTreeDst);
        fs::remove_all(cpTreeDst);
        Sync();
        auto ours = [&] { oursTree.push_back(Seconds([&] { RunOurs(tree, oursTreeDst, false); })); };
        auto cp = [&] { cpTree.push_back(Seconds([&] { Run({"cp", "-a", tree, cpTreeDst}); })); };
        if (r % 2 == 0)
            ours(), Sync(), cp();
        else
            cp(), Sync(), ours();
        Sync();
    }
    Run({"rsync", "-a", src + "/", rsyncDst + "/"});
    Sync();
    for (int r = 0; r < o.Runs; ++r) {
        // Second run with nothing changed.
        oursIncr.push_back(Seconds([&] { RunOurs(src, oursDst, true); }));
        rsyncIncr.push_back(Seconds([&] { Run({"rsync", "-a", src + "/", rsyncDst + "/"}); }));
    }
    std::size_t selected = 0;
    for (int r = 0; r < o.Runs; ++r) {
        oursSelect.push_back(Seconds([&] { selected = korvel::SelectFiles(src, "*", "", true).size(); }));
        findSelect.push_back(Seconds([&] { Run({"find", src, "-type", "f"}); }));
    }

    const TResult results[] = {
        {"first mirror", "cp -a", Median(oursMirror), Median(cpMirror)},
        {"many directories", "cp -a", Median(oursTree), Median(cpTree)},
        {"incremental, unchanged", "rsync -a", Median(oursIncr), Median(rsyncIncr)},
        {"selection", "find -type f", Median(oursSelect), Median(findSelect)},
    };
    std::printf("selected %zu files; medians of %d runs\n", selected, o.Runs);
    std::printf("%-24s %-14s %10s %10s %7s\n", "measure", "peer", "ours [s]", "peer [s]", "ratio");
    bool ok = true;
    for (const TResult& r : results) {
        const double ratio = r.Ours / r.Theirs;
        ok = ok && ratio <= 1.1;
        std::printf("%-24s %-14s %10.3f %10.3f %7.2f\n", r.Name, r.Peer, r.Ours, r.Theirs, ratio);
    }
    fs::remove_all(root);
    std::printf("%s\n", ok ? "every ratio within 1.1" : "some ratio above 1.1");
    return 0;
}
