// Deflating on several threads: the same archive bytes for any thread count,
// and a cancelled run that leaves nothing behind.

#include <filesystem>
#include <gtest/gtest.h>

#include "archive/zip_deflate_block.h"
#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::ExtractEntries;
using test::PeerVerdicts;
using test::ReadAll;

constexpr std::size_t kBlock = kDeflateBlockSize;

struct TInput {
    const char* name;
    std::vector<std::pair<std::string, std::size_t>> files; // name, size of text-like bytes
};

std::vector<std::pair<std::string, std::size_t>> ManySmall() {
    std::vector<std::pair<std::string, std::size_t>> files;
    for (int i = 0; i < 120; ++i)
        files.emplace_back("d" + std::to_string(i % 7) + "/f" + std::to_string(i),
                           static_cast<std::size_t>(i * 997 % 70000));
    return files;
}

const TInput kInputs[] = {
    {"Empty", {{"empty", 0}}},
    {"OneByte", {{"one", 1}}},
    {"ExactlyOneBlock", {{"block", kBlock}}},
    {"OneBlockPlusOneByte", {{"block1", kBlock + 1}}},
    {"ManySmallFiles", ManySmall()},
    {"MixWithALargeFile",
     {{"a", 5000}, {"large", 3 * kBlock + 12345}, {"b", 0}, {"c", 70000}, {"two", 2 * kBlock}, {"d", 1}}},
};

class ThreadCountTest : public ArchiveTest, public ::testing::WithParamInterface<TInput> {};

TEST_P(ThreadCountTest, ArchiveIsTheSameBytesForOneTwoAndEightThreads) {
    std::vector<std::string> paths;
    unsigned seed = 1;
    for (const auto& [name, size] : GetParam().files)
        paths.push_back(File("src/" + name, test::TextLike(size, seed++)));
    std::string first;
    for (const int threads : {1, 2, 8}) {
        SCOPED_TRACE(threads);
        const std::string zip = P("t" + std::to_string(threads) + ".zip");
        TZipWriter w;
        w.SetThreads(threads);
        w.SetStorePaths(true);
        w.SetRelativePaths(true);
        w.SetRootDir(P("src/"));
        w.SetZipName(zip);
        w.FilesList() = paths;
        ASSERT_EQ(w.Zip(), static_cast<int>(paths.size()));
        const std::string bytes = ReadAll(zip);
        if (first.empty()) {
            first = bytes;
            EXPECT_EQ(PeerVerdicts(zip), "");
            const auto extracted = ExtractEntries(zip);
            ASSERT_EQ(extracted.size(), paths.size());
            for (std::size_t i = 0; i < paths.size(); ++i)
                EXPECT_EQ(extracted[i].second, ReadAll(paths[i])) << extracted[i].first;
        } else {
            EXPECT_EQ(bytes, first);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, ThreadCountTest, ::testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

class ParallelTest : public ArchiveTest {};

TEST_F(ParallelTest, CancelInTheMiddleOfALargeFileLeavesTheOldArchiveAndNoTemporaryFile) {
    const std::string small = File("src/small.txt", "small");
    const std::string zip = P("old.zip");
    std::filesystem::create_directories(P("tmp/"));
    auto configure = [&](TZipWriter& w) {
        w.SetThreads(2);
        w.SetStorePaths(true);
        w.SetRelativePaths(true);
        w.SetRootDir(P("src/"));
        w.SetTempPath(P("tmp/"));
        w.SetZipName(zip);
    };
    {
        TZipWriter w;
        configure(w);
        w.FilesList() = {small};
        ASSERT_EQ(w.Zip(), 1);
    }
    const std::string before = ReadAll(zip);
    const std::string large = File("src/large.txt", test::TextLike(8 * kBlock, 3));
    TZipWriter w;
    configure(w);
    int last = 0;
    w.OnFilePercentDone = [&](TZipWriter& z, int percent) {
        last = percent;
        if (percent >= 30 && percent < 100)
            z.CancelOperation();
    };
    w.FilesList() = {small, large};
    EXPECT_THROW(w.Zip(), EUserCanceled);
    EXPECT_LT(last, 100);
    EXPECT_EQ(ReadAll(zip), before);
    EXPECT_TRUE(std::filesystem::is_empty(P("tmp/")));
    EXPECT_EQ(PeerVerdicts(zip), "");
}

// An encrypted entry of several blocks: its CRC comes from the deflating threads
// (for AES nothing reads the file ahead of them), and 7z checks data and CRC.
class EncryptedParallelTest : public ArchiveTest, public ::testing::WithParamInterface<TEncryptStrength> {};

TEST_P(EncryptedParallelTest, SeveralBlocksOnTwoThreadsAreReadBy7zWithThePassword) {
    if (!test::HaveTool("7z"))
        GTEST_SKIP();
    const std::string text = test::TextLike(3 * kBlock + 777, 5);
    TZipWriter w;
    w.SetThreads(2);
    w.SetPassword("pw");
    w.SetEncryptStrength(GetParam());
    w.SetZipName(P("enc.zip"));
    w.FilesList() = {File("big.txt", text), File("small.txt", "small")};
    ASSERT_EQ(w.Zip(), 2);
    std::string out;
    EXPECT_EQ(test::Run("7z t -ppw " + test::Q(P("enc.zip")), &out), 0) << out;
    EXPECT_EQ(test::Run("cd " + test::Q(P("")) + " && 7z x -y -ppw -oout enc.zip", &out), 0) << out;
    EXPECT_EQ(ReadAll(P("out/big.txt")), text);
}

INSTANTIATE_TEST_SUITE_P(Strengths, EncryptedParallelTest, ::testing::Values(esPKStandard, esAES256),
                         [](const auto& info) {
                             return info.param == esPKStandard ? "Traditional" : "Aes256";
                         });

} // namespace
} // namespace korvel
