// Encrypted entries judged by other ZIP tools: unzip, 7z and python's zipfile must open
// what we write, and we must open what they write.

#include "zip_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvel {
namespace {

using test::Capture;
using test::EncryptAll;
using test::HaveProgram;
using test::Quote;
using test::RunQuiet;

enum class TScheme { Traditional, Ae1, Ae2 };

struct TCase {
    TScheme scheme;
    int strength; // AES only
    std::uint16_t method;
    std::size_t size;
    std::string password;
};

std::string Describe(const TCase& c) {
    std::string s = c.scheme == TScheme::Traditional ? "traditional"
                    : c.scheme == TScheme::Ae1       ? "AE-1 strength " + std::to_string(c.strength)
                                                     : "AE-2 strength " + std::to_string(c.strength);
    return s + ", method " + std::to_string(c.method) + ", " + std::to_string(c.size) + " bytes";
}

// The archive the way the writer lays out an encrypted entry: CRC known before the
// data, encryption header first, compressed size counting header and trailer.
std::string MakeArchive(const TCase& c, const std::string& data) {
    const std::string payload = c.method == 8 ? test::RawDeflate(data) : data;
    const std::uint32_t crc = test::Crc32(data);
    test::TEntryBytes entry;
    entry.uncompressedSize = static_cast<std::uint32_t>(data.size());
    entry.flags = 1;
    if (c.scheme == TScheme::Traditional) {
        entry.method = c.method;
        entry.crc = crc;
        entry.stored = EncryptAll(*MakeTraditionalEncryptor(c.password, crc), payload, 8192);
    } else {
        auto encryptor = MakeAesEncryptor(c.password, c.strength);
        entry.method = 99;
        // AE-1 records the CRC and readers check it; AE-2 records 0 and relies on the
        // authentication code alone.
        entry.crc = c.scheme == TScheme::Ae1 ? crc : 0;
        entry.extra = test::AesExtraBlock(c.scheme == TScheme::Ae1 ? 1 : 2, c.strength, c.method);
        entry.stored = EncryptAll(*encryptor, payload, 8192);
    }
    return test::SingleEntryZip(entry);
}

const char* const kPythonRead = "import os, sys, zipfile\n"
                                "z = zipfile.ZipFile(sys.argv[1])\n"
                                "try:\n"
                                "    d = z.read(z.namelist()[0], pwd=os.fsencode(sys.argv[2]))\n"
                                "except Exception:\n"
                                "    sys.exit(3)\n"
                                "sys.stdout.buffer.write(d)\n";

class CryptoPeerJudge : public ::testing::TestWithParam<TCase> {
protected:
    void SetUp() override {
        const auto& c = GetParam();
        data_ = test::SampleData(c.size, 11);
        zip_ = dir_.File("judged.zip");
        const std::string zip = MakeArchive(c, data_);
        test::WriteBytes(zip_, zip);
        wrong_ = c.password + "x";
        if (c.scheme == TScheme::Traditional) {
            // One wrong password in 256 passes the check byte, and an empty entry has no
            // data whose CRC could then fail; take one the check byte refuses.
            const auto* header =
                reinterpret_cast<const std::uint8_t*>(zip.data()) + 30 + std::strlen("data.bin");
            const auto check = static_cast<std::uint8_t>(test::Crc32(data_) >> 24);
            while (MakeTraditionalDecryptor(wrong_, check)->Start(header)) {
                wrong_ += "x";
            }
        }
    }

    void SevenZipJudges() {
        if (!HaveProgram("7z")) {
            GTEST_SKIP() << "7z not installed";
        }
        const auto& c = GetParam();
        EXPECT_EQ(RunQuiet("7z t -p" + Quote(c.password) + " " + Quote(zip_)), 0) << Describe(c);
        int status = -1;
        const std::string out = Capture("7z x -so -p" + Quote(c.password) + " " + Quote(zip_), status);
        EXPECT_EQ(status, 0) << Describe(c);
        EXPECT_TRUE(out == data_) << Describe(c);
        EXPECT_NE(RunQuiet("7z t -p" + Quote(wrong_) + " " + Quote(zip_)), 0) << Describe(c);
    }

    test::TTempDir dir_;
    std::string data_;
    std::string zip_;
    std::string wrong_;
};

std::string CaseName(const ::testing::TestParamInfo<TCase>& info) {
    const auto& c = info.param;
    const char* scheme = c.scheme == TScheme::Traditional ? "Zip" : c.scheme == TScheme::Ae1 ? "Ae1" : "Ae2";
    std::string name = std::string(scheme) +
                       (c.strength ? "_Aes" + std::to_string(64 + 64 * c.strength) : "") +
                       (c.method == 8 ? "_Deflate_" : "_Stored_") + std::to_string(c.size) + "B";
    return name + "_" + std::to_string(info.index);
}

class CryptoPeerTraditional : public CryptoPeerJudge {};
class CryptoPeerAes : public CryptoPeerJudge {};

TEST_P(CryptoPeerTraditional, SevenZipAcceptsAndRejectsWrongPassword) {
    SevenZipJudges();
}

TEST_P(CryptoPeerTraditional, UnzipAcceptsAndRejectsWrongPassword) {
    if (!HaveProgram("unzip")) {
        GTEST_SKIP() << "unzip not installed";
    }
    const auto& c = GetParam();
    EXPECT_EQ(RunQuiet("unzip -P " + Quote(c.password) + " -t " + Quote(zip_)), 0) << Describe(c);
    int status = -1;
    const std::string out = Capture("unzip -P " + Quote(c.password) + " -p " + Quote(zip_), status);
    EXPECT_EQ(status, 0) << Describe(c);
    EXPECT_TRUE(out == data_) << Describe(c);
    EXPECT_NE(RunQuiet("unzip -P " + Quote(wrong_) + " -t " + Quote(zip_)), 0) << Describe(c);
}

TEST_P(CryptoPeerTraditional, PythonZipfileAcceptsAndRejectsWrongPassword) {
    if (!HaveProgram("python3")) {
        GTEST_SKIP() << "python3 not installed";
    }
    const auto& c = GetParam();
    const std::string script = dir_.File("read.py");
    test::WriteBytes(script, kPythonRead);
    int status = -1;
    const std::string out =
        Capture("python3 " + Quote(script) + " " + Quote(zip_) + " " + Quote(c.password), status);
    EXPECT_EQ(status, 0) << Describe(c);
    EXPECT_TRUE(out == data_) << Describe(c);
    Capture("python3 " + Quote(script) + " " + Quote(zip_) + " " + Quote(wrong_), status);
    EXPECT_NE(status, 0) << Describe(c);
}

// unzip 6 and python's zipfile know no AES, so 7-Zip alone judges these.
TEST_P(CryptoPeerAes, SevenZipAcceptsAndRejectsWrongPassword) {
    SevenZipJudges();
}

INSTANTIATE_TEST_SUITE_P(Table, CryptoPeerTraditional,
                         ::testing::Values(TCase{TScheme::Traditional, 0, 0, 0, "pw"},
                                           TCase{TScheme::Traditional, 0, 8, 0, "pw"},
                                           TCase{TScheme::Traditional, 0, 0, 13, "pw"},
                                           TCase{TScheme::Traditional, 0, 8, 13, "pw"},
                                           TCase{TScheme::Traditional, 0, 0, 150000, "long pass phrase"},
                                           TCase{TScheme::Traditional, 0, 8, 150000, "pw"}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(
    Table, CryptoPeerAes,
    ::testing::Values(TCase{TScheme::Ae1, 1, 0, 0, "pw"}, TCase{TScheme::Ae1, 1, 8, 13, "pw"},
                      TCase{TScheme::Ae1, 2, 0, 150000, "pw"}, TCase{TScheme::Ae1, 3, 8, 150000, "pw"},
                      // 7-Zip takes AES passwords of up to 99 bytes only.
                      TCase{TScheme::Ae1, 3, 0, 1, std::string(99, 'k')},
                      TCase{TScheme::Ae2, 1, 8, 150000, "pw"}, TCase{TScheme::Ae2, 2, 0, 13, "pw"},
                      TCase{TScheme::Ae2, 3, 0, 0, "pw"}, TCase{TScheme::Ae2, 3, 8, 150000, "pw"}),
    CaseName);

// Password bytes above 127 (ANSI text) go into the keys as they are; tools that take
// the password as raw bytes must agree.
TEST(CryptoPeer, RawBytePasswordOpensInUnzipAndPython) {
    const std::string password = "p\xE4ssw\xF6rd";
    const TCase c{TScheme::Traditional, 0, 8, 5000, password};
    const std::string data = test::SampleData(c.size, 4);
    test::TTempDir dir;
    const std::string zip = dir.File("raw.zip");
    test::WriteBytes(zip, MakeArchive(c, data));
    int status = -1;
    if (HaveProgram("unzip")) {
        EXPECT_EQ(Capture("unzip -P " + Quote(password) + " -p " + Quote(zip), status), data);
        EXPECT_EQ(status, 0);
    }
    if (HaveProgram("python3")) {
        const std::string script = dir.File("read.py");
        test::WriteBytes(script, kPythonRead);
        EXPECT_EQ(Capture("python3 " + Quote(script) + " " + Quote(zip) + " " + Quote(password), status),
                  data);
        EXPECT_EQ(status, 0);
    }
}

// AE-1 promises a CRC; a reader that checks it must refuse a wrong one, which shows the
// CRC we record is the one readers compare.
TEST(CryptoPeer, SevenZipChecksTheCrcOfAe1Entries) {
    if (!HaveProgram("7z")) {
        GTEST_SKIP() << "7z not installed";
    }
    const std::string data = test::SampleData(3000, 9);
    test::TEntryBytes entry;
    entry.method = 99;
    entry.uncompressedSize = static_cast<std::uint32_t>(data.size());
    entry.extra = test::AesExtraBlock(1, 3, 0);
    entry.stored = EncryptAll(*MakeAesEncryptor("pw", 3), data, 8192);
    test::TTempDir dir;
    const std::string good = dir.File("good.zip");
    const std::string bad = dir.File("bad.zip");
    entry.crc = test::Crc32(data);
    test::WriteBytes(good, test::SingleEntryZip(entry));
    entry.crc ^= 1;
    test::WriteBytes(bad, test::SingleEntryZip(entry));
    EXPECT_EQ(RunQuiet("7z t -ppw " + Quote(good)), 0);
    EXPECT_NE(RunQuiet("7z t -ppw " + Quote(bad)), 0);
}

struct TLocalEntry {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t time = 0;
    std::uint32_t crc = 0;
    std::string stored;
    std::string extra;
};

std::uint32_t Get(const std::string& s, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
    }
    return v;
}

// The first entry of a peer's archive, sizes taken from its central header because a
// peer may leave the local ones to a data descriptor.
TLocalEntry FirstEntry(const std::string& zip) {
    TLocalEntry e;
    const std::size_t end = zip.size() - 22;
    const std::size_t central = Get(zip, end + 16, 4);
    const std::uint32_t compressedSize = Get(zip, central + 20, 4);
    e.flags = static_cast<std::uint16_t>(Get(zip, 6, 2));
    e.method = static_cast<std::uint16_t>(Get(zip, 8, 2));
    e.time = static_cast<std::uint16_t>(Get(zip, 10, 2));
    e.crc = Get(zip, central + 16, 4);
    const std::size_t nameLength = Get(zip, 26, 2);
    const std::size_t extraLength = Get(zip, 28, 2);
    e.extra = zip.substr(30 + nameLength, extraLength);
    e.stored = zip.substr(30 + nameLength + extraLength, compressedSize);
    return e;
}

std::string Unpack(std::uint16_t method, std::string plain, std::size_t size) {
    return method == 8 ? test::RawInflate(plain, size) : plain;
}

TEST(CryptoPeer, DecryptsTraditionalEntriesOfZipAndSevenZip) {
    const std::string data = test::SampleData(100000, 21);
    test::TTempDir dir;
    const std::string source = dir.File("source.bin");
    test::WriteBytes(source, data);
    struct TMaker {
        std::string program;
        std::string command;
    };
    const TMaker makers[] = {
        {"zip", "cd " + Quote(dir.Path().string()) + " && zip -q -P secret out0.zip source.bin"},
        {"zip", "cd " + Quote(dir.Path().string()) + " && zip -q -0 -P secret out1.zip source.bin"},
        {"7z",
         "cd " + Quote(dir.Path().string()) + " && 7z a -tzip -mem=ZipCrypto -psecret out2.zip source.bin"},
    };
    int index = 0;
    for (const auto& maker : makers) {
        const std::string zipName = dir.File("out" + std::to_string(index++) + ".zip");
        if (!HaveProgram(maker.program)) {
            continue;
        }
        ASSERT_EQ(RunQuiet(maker.command), 0) << maker.command;
        const TLocalEntry e = FirstEntry(test::ReadBytes(zipName));
        ASSERT_TRUE(e.flags & 1) << maker.command;
        // With a data descriptor the check byte comes from the time, else from the CRC.
        const auto check = static_cast<std::uint8_t>((e.flags & 8) ? e.time >> 8 : e.crc >> 24);
        auto decryptor = MakeTraditionalDecryptor("secret", check);
        const auto plain = test::DecryptAll(*decryptor, e.stored, 8192);
        ASSERT_TRUE(plain.has_value()) << maker.command;
        EXPECT_TRUE(Unpack(e.method, *plain, data.size()) == data) << maker.command;
        // One wrong password in 256 passes the check byte; the data then comes out wrong.
        const auto wrong = test::DecryptAll(*MakeTraditionalDecryptor("secreT", check), e.stored, 8192);
        EXPECT_TRUE(!wrong || *wrong != *plain) << maker.command;
    }
}

TEST(CryptoPeer, DecryptsAesEntriesOfSevenZip) {
    if (!HaveProgram("7z")) {
        GTEST_SKIP() << "7z not installed";
    }
    const std::string data = test::SampleData(100000, 22);
    test::TTempDir dir;
    test::WriteBytes(dir.File("source.bin"), data);
    for (const int strength : {1, 2, 3}) {
        for (const int level : {0, 5}) {
            const std::string name = "aes" + std::to_string(strength) + std::to_string(level) + ".zip";
            ASSERT_EQ(RunQuiet("cd " + Quote(dir.Path().string()) +
                               " && 7z a -tzip -mx=" + std::to_string(level) + " -mem=AES" +
                               std::to_string(64 + 64 * strength) + " -psecret " + name + " source.bin"),
                      0);
            const TLocalEntry e = FirstEntry(test::ReadBytes(dir.File(name)));
            ASSERT_EQ(e.method, 99);
            ASSERT_EQ(e.extra.size(), 11u);
            ASSERT_EQ(static_cast<int>(e.extra[8]), strength);
            const auto method = static_cast<std::uint16_t>(Get(e.extra, 9, 2));
            auto decryptor = MakeAesDecryptor("secret", strength);
            const auto plain = test::DecryptAll(*decryptor, e.stored, 8192);
            ASSERT_TRUE(plain.has_value()) << name;
            EXPECT_TRUE(Unpack(method, *plain, data.size()) == data) << name;
            EXPECT_FALSE(test::DecryptAll(*MakeAesDecryptor("Secret", strength), e.stored, 8192).has_value());
        }
    }
}

} // namespace
} // namespace korvel
