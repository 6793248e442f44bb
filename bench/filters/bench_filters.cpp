// Times what the filter browser does before its window appears, on one tree in one run:
//   scan      ListFiles (recursive, "*")           vs  find DIR -type f
//   grouping  the extension view's lines            vs  the scan itself
// Each measure runs --runs times and the medians are compared. The grouping should
// cost a fraction of the scan, so that opening the window adds no noticeable wait.
//
// Usage: bench_filters [--files N] [--dir PATH] [--runs R]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "editor/file_filters.h"
#include "bench/bench_tools.h"
#include "engine/file_selection.h"

namespace {

namespace fs = std::filesystem;
using bench::Median;
using bench::Run;
using bench::Seconds;

// Empty files, 100 to a directory in two levels, with a spread of extensions such as
// a home directory has (some in upper case, some names without any).
void BuildTree(const std::string& root, int files) {
    static const char* const kExtensions[] = {".txt", ".doc", ".JPG", ".jpg",    ".pdf", ".cpp", ".h",
                                              ".odt", ".png", "",     ".tar.gz", ".mp3", ".XLS"};
    constexpr int kPerDir = 100;
    std::string dir;
    for (int i = 0; i < files; ++i) {
        if (i % kPerDir == 0) {
            const int d = i / kPerDir;
            dir = root + "/top" + std::to_string(d / 32) + "/sub" + std::to_string(d % 32);
            fs::create_directories(dir);
        }
        const std::string path = dir + "/file" + std::to_string(i) +
                                 kExtensions[static_cast<std::size_t>(i) * 7 % std::size(kExtensions)];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "cannot create %s\n", path.c_str());
            std::exit(2);
        }
        ::close(fd);
    }
}

} // namespace

int main(int argc, char** argv) {
    int files = 100000;
    int runs = 5;
    std::string base;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--files")
            files = std::atoi(value);
        else if (key == "--runs")
            runs = std::max(1, std::atoi(value));
        else if (key == "--dir")
            base = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    const std::string root = (base.empty() ? fs::temp_directory_path() : fs::path(base)) /
                             ("korvel_bench_filters_" + std::to_string(getpid()));
    std::printf("tree: %d files in %s\n", files, root.c_str());
    BuildTree(root, files);

    // One scan and one find first, so that every timed run meets a warm cache.
    std::vector<std::string> listed = korvel::ListFiles(root, "*", true);
    Run({"find", root, "-type", "f"});

    const std::vector<std::string> masks = korvel::FilterMasks("*.txt; *.doc");
    std::vector<double> scan, find, pumpedScan, grouping;
    std::size_t lines = 0;
    long pumps = 0;
    const std::function<void()> pump = [&pumps] { ++pumps; };
    for (int r = 0; r < runs; ++r) {
        scan.push_back(Seconds([&] { listed = korvel::ListFiles(root, "*", true); }));
        find.push_back(Seconds([&] { Run({"find", root, "-type", "f"}); }));
        pumps = 0;
        pumpedScan.push_back(Seconds([&] { korvel::ListFiles(root, "*", true, pump); }));
        grouping.push_back(Seconds([&] {
            lines = korvel::BuildFilterLines(korvel::EFilterView::Extensions, listed, masks).Groups.size();
        }));
    }
    fs::remove_all(root);

    std::printf("listed %zu files into %zu extension lines; %ld pump calls per scan; medians of %d runs\n",
                listed.size(), lines, pumps, runs);
    std::printf("%-28s %10s %10s %7s\n", "measure", "ours [s]", "base [s]", "ratio");
    std::printf("%-28s %10.3f %10.3f %7.2f\n", "scan vs find -type f", Median(scan), Median(find),
                Median(scan) / Median(find));
    std::printf("%-28s %10.3f %10.3f %7.2f\n", "scan with pump vs scan", Median(pumpedScan), Median(scan),
                Median(pumpedScan) / Median(scan));
    std::printf("%-28s %10.3f %10.3f %7.2f\n", "grouping vs scan", Median(grouping), Median(scan),
                Median(grouping) / Median(scan));
    return 0;
}
