// Peer tools judge our archives, and archives the peers wrote are read and
// updated by us without losing or changing any entry that was not replaced.

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::ExtractEntries;
using test::PeerVerdicts;
using test::Q;

// Files of every kind the matrix covers, below `root`.
std::map<std::string, std::string> Corpus() {
    return {
        {"text.txt", test::TextLike(150000, 7)},
        {"random.bin", test::RandomBytes(70000, 8)},
        {"empty.txt", ""},
        {"with space/name with spaces.txt", "spaces"},
        {"caf\xC3\xA9.txt", "latin"},
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", "cyrillic"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "cjk"},
        {"deep/a/b/c/d.txt", test::TextLike(5000, 9)},
    };
}

class PeersJudgeOurArchives : public ArchiveTest, public ::testing::WithParamInterface<int> {};

TEST_P(PeersJudgeOurArchives, EveryPeerAcceptsAndExtractsTheSameBytes) {
    const auto corpus = Corpus();
    TZipWriter w;
    w.SetZipName(P("ours.zip"));
    w.SetPackLevel(GetParam());
    w.SetStorePaths(true);
    w.SetRelativePaths(true);
    w.SetRootDir(P("root/"));
    std::vector<std::string> files;
    for (const auto& [name, bytes] : corpus)
        files.push_back(File("root/" + name, bytes));
    std::filesystem::create_directories(P("root/empty dir"));
    files.push_back(P("root/empty dir/"));
    w.FilesList() = files;
    ASSERT_EQ(w.Zip(), static_cast<int>(files.size()));
    EXPECT_EQ(PeerVerdicts(P("ours.zip")), "");
    std::map<std::string, std::string> extracted;
    for (auto& [name, bytes] : ExtractEntries(P("ours.zip")))
        extracted[name] = bytes;
    EXPECT_EQ(extracted, corpus);
#ifndef _WIN32
    // bsdtar and unzip see the same names, directory included.
    std::string out;
    ASSERT_EQ(test::Run("bsdtar -tf " + Q(P("ours.zip")) + " | sort", &out), 0);
    EXPECT_NE(out.find("empty dir/\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\xE6\x97\xA5\xE6\x9C\xAC.txt"), std::string::npos) << out;
#endif
}

INSTANTIATE_TEST_SUITE_P(Levels, PeersJudgeOurArchives, ::testing::Values(0, 1, 5, 9));

struct TForeign {
    std::string name;
    std::string tool;    // must be installed
    std::string command; // run in the scratch directory; makes foreign.zip from f/
};

class OurWriterUpdatesForeignArchives : public ArchiveTest, public ::testing::WithParamInterface<TForeign> {};

TEST_P(OurWriterUpdatesForeignArchives, UntouchedEntriesKeepTheirBytes) {
    const auto& c = GetParam();
    if (!test::HaveTool(c.tool))
        GTEST_SKIP() << c.tool << " missing";
    const std::string t1 = File("f/t1.txt", test::TextLike(40000, 1));
    File("f/r.bin", test::RandomBytes(30000, 2));
    File("f/sub/t2.txt", test::TextLike(10000, 3));
    File("f/sp ace.txt", "space");
    File("f/caf\xC3\xA9.txt", "latin");
    File("f/empty", "");
    for (const auto& e : std::filesystem::recursive_directory_iterator(P("f")))
        test::SetMTime(e.path().string(), 1600000000);
    std::string out;
    ASSERT_EQ(test::Run("cd " + Q(P("")) + " && " + c.command, &out), 0) << out;
    const std::string zip = P("foreign.zip");
    ASSERT_EQ(PeerVerdicts(zip), "") << "the peer's own archive";
    const auto before = ExtractEntries(zip);
    ASSERT_FALSE(before.empty());

    // Our reader sees every entry the peer wrote.
    {
        TZipReader r;
        r.SetZipName(zip);
        r.ReadDirectory();
        std::string names;
        ASSERT_EQ(
            test::Run(
                "python3 -c \"import zipfile,sys;print(len(zipfile.ZipFile(sys.argv[1]).infolist()))\" " +
                    Q(zip),
                &names),
            0);
        EXPECT_EQ(std::to_string(r.Count()) + "\n", names);
    }

    // Update: t1.txt is newer than its entry, new.txt is not in the archive yet.
    test::WriteAll(t1, "replaced content");
    test::SetMTime(t1, 1700000000);
    const std::string added = File("f/new.txt", "new file");
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    w.SetRelativePaths(true);
    w.SetRootDir(P("f/"));
    w.SetTempPath(P(""));
    w.FilesList() = {t1, added};
    const bool hadT1 =
        std::any_of(before.begin(), before.end(), [](const auto& e) { return e.first == "t1.txt"; });
    EXPECT_EQ(w.Zip(), 2);

    EXPECT_EQ(PeerVerdicts(zip), "") << "after our update";
    std::map<std::string, std::string> after;
    for (auto& [name, bytes] : ExtractEntries(zip))
        after[name] = bytes;
    for (const auto& [name, bytes] : before) {
        if (name == "t1.txt")
            continue;
        ASSERT_TRUE(after.count(name)) << name;
        EXPECT_EQ(after[name], bytes) << name;
    }
    EXPECT_EQ(after["new.txt"], "new file");
    if (hadT1) {
        EXPECT_EQ(after["t1.txt"], "replaced content");
    }
    EXPECT_EQ(after.size(), before.size() + (hadT1 ? 1 : 2));
}

const char* kPyComment = "python3 -c \"import zipfile,os\n"
                         "z=zipfile.ZipFile('foreign.zip','w',zipfile.ZIP_DEFLATED)\n"
                         "z.comment=b'made by python'\n"
                         "[z.write(os.path.join(r,n),os.path.relpath(os.path.join(r,n),'f')) for r,d,fs in "
                         "os.walk('f') for n in sorted(fs)]\n"
                         "z.close()\"";
const char* kPyStream = "python3 -c \"import zipfile,os,sys\n"
                        "z=zipfile.ZipFile(sys.stdout.buffer,'w',zipfile.ZIP_DEFLATED)\n"
                        "[z.write(os.path.join(r,n),os.path.relpath(os.path.join(r,n),'f')) for r,d,fs in "
                        "os.walk('f') for n in sorted(fs)]\n"
                        "z.close()\" | cat > foreign.zip";
const char* kPyZip64 =
    "python3 -c \"import zipfile,os\n"
    "z=zipfile.ZipFile('foreign.zip','w',zipfile.ZIP_DEFLATED)\n"
    "for r,d,fs in os.walk('f'):\n"
    "  for n in sorted(fs):\n"
    "    p=os.path.join(r,n)\n"
    "    with z.open(os.path.relpath(p,'f'),'w',force_zip64=True) as o: o.write(open(p,'rb').read())\n"
    "z.close()\"";

INSTANTIATE_TEST_SUITE_P(
    Peers, OurWriterUpdatesForeignArchives,
    ::testing::Values(
        TForeign{"InfoZipWithComment", "zip",
                 "cd f && zip -r -q ../foreign.zip . && echo 'a comment' | zip -q -z ../foreign.zip"},
        TForeign{"InfoZipStreamed", "zip", "cd f && zip -r -q - . | cat > ../foreign.zip"},
        TForeign{"InfoZipFromStdin", "zip",
                 "cd f && cat t1.txt | zip -q ../foreign.zip - && zip -q -r ../foreign.zip ."},
        TForeign{"SevenZip", "7z", "cd f && 7z a -tzip -bd ../foreign.zip . >/dev/null"},
        TForeign{"PythonComment", "python3", kPyComment}, TForeign{"PythonStream", "python3", kPyStream},
        TForeign{"PythonForcedZip64", "python3", kPyZip64},
        TForeign{
            "Bsdtar", "bsdtar",
            "bsdtar --format zip -C f -cf foreign.zip t1.txt r.bin sub 'sp ace.txt' caf\xC3\xA9.txt empty"}),
    [](const ::testing::TestParamInfo<TForeign>& info) { return info.param.name; });

using InteropTest = ArchiveTest;

TEST_F(InteropTest, AesEntriesOf7zKeepTheirVendorVersionThroughOurUpdate) {
    if (!test::HaveTool("7z"))
        GTEST_SKIP() << "7z, which writes the AES entries, is not installed";
    File("f/secret.txt", test::TextLike(20000, 4));
    File("f/tiny.txt", "tiny");
    std::string out;
    ASSERT_EQ(
        test::Run("cd " + Q(P("f")) + " && 7z a -tzip -bd -mem=AES256 -ppw ../aes.zip secret.txt tiny.txt",
                  &out),
        0)
        << out;
    TZipWriter w;
    w.SetZipName(P("aes.zip"));
    w.FilesList() = {File("f/plain.txt", "plain")};
    EXPECT_EQ(w.Zip(), 1);
    EXPECT_EQ(test::Run("7z t -bd -ppw " + Q(P("aes.zip")), &out), 0) << out;
    TZipReader r;
    r.SetZipName(P("aes.zip"));
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 3u);
    EXPECT_EQ(r.Entry(0).AesStrength, 3);
    EXPECT_EQ(r.Entry(2).AesStrength, 0);
}

TEST_F(InteropTest, PythonCommentIsKeptThroughOurUpdate) {
    SKIP_ON_WINDOWS("python's zipfile writes the archive, and no python runs on Windows");
    File("f/x.txt", "x");
    std::string out;
    ASSERT_EQ(test::Run("cd " + Q(P("")) + " && " + kPyComment, &out), 0) << out;
    TZipWriter w;
    w.SetZipName(P("foreign.zip"));
    w.FilesList() = {File("f/y.txt", "y")};
    EXPECT_EQ(w.Zip(), 1);
    ASSERT_EQ(
        test::Run("python3 -c \"import zipfile,sys;print(zipfile.ZipFile(sys.argv[1]).comment.decode())\" " +
                      Q(P("foreign.zip")),
                  &out),
        0);
    EXPECT_EQ(out, "made by python\n");
}

} // namespace
} // namespace korvel
