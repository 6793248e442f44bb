// WinZip AES entries made byte by byte: AE-2 records no CRC, so its
// authentication code is the only proof of the data; AE-1 records both.

#include "../crypto/zip_fixture.h"
#include "archive/zip_encryption.h"
#include "sfx_fixture.h"

#include <gtest/gtest.h>

namespace korvel::sfx::test {
namespace {

struct TAesCase {
    const char* label;
    std::uint16_t vendorVersion;
    int strength;
    std::uint16_t method;
};

void PrintTo(const TAesCase& c, std::ostream* os) {
    *os << c.label;
}

class AesEntryTest : public ::testing::TestWithParam<TAesCase> {
protected:
    void SetUp() override {
        if (!HaveProgram("zip")) {
            GTEST_SKIP() << "zip not installed";
        }
    }

    // One AES entry "data.bin" holding `plain`; `tamper` flips a byte of the encrypted data;
    // `crcDelta` is added to the CRC recorded (AE-1 only records one).
    fs::path Build(const std::string& plain, bool tamper, std::uint32_t crcDelta = 0) {
        const TAesCase& c = GetParam();
        const auto encryptor = MakeAesEncryptor("pw", c.strength);
        korvel::test::TEntryBytes entry;
        entry.method = 99;
        entry.flags = 1;
        entry.uncompressedSize = static_cast<std::uint32_t>(plain.size());
        entry.crc = c.vendorVersion == 2 ? 0 : korvel::test::Crc32(plain) + crcDelta;
        entry.extra = korvel::test::AesExtraBlock(c.vendorVersion, c.strength, c.method);
        const std::string payload = c.method == 8 ? korvel::test::RawDeflate(plain) : plain;
        entry.stored = korvel::test::EncryptAll(*encryptor, payload, 4096);
        if (tamper) {
            entry.stored[entry.stored.size() / 2] ^= 0x01;
        }
        WriteFile(scratch_ / "a.zip", korvel::test::SingleEntryZip(entry));
        return MakeSfx(scratch_ / "a.zip", scratch_ / "a.exe");
    }

    TRunResult Extract(const fs::path& exe) {
        return RunShell(Quote(exe) + " -p pw -d " + Quote(scratch_ / "out"), scratch_.Path());
    }

    TScratch scratch_;
};

TEST_P(AesEntryTest, IntactEntryExtracts) {
    const std::string plain = korvel::test::SampleData(70000);
    const TRunResult r = Extract(Build(plain, false));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(scratch_ / "out/data.bin") == plain);
}

TEST_P(AesEntryTest, TamperedDataFailsAuthentication) {
    const TRunResult r = Extract(Build(korvel::test::SampleData(70000), true));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(scratch_ / "out/data.bin"));
}

// AE-1 only: AE-2 records no CRC.
class Ae1EntryTest : public AesEntryTest {};

TEST_P(Ae1EntryTest, RecordedCrcIsChecked) {
    const TRunResult r = Extract(Build(korvel::test::SampleData(5000), false, 1));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("CRC"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Aes, AesEntryTest,
                         ::testing::Values(TAesCase{"ae2_256_deflated", 2, 3, 8},
                                           TAesCase{"ae2_128_stored", 2, 1, 0},
                                           TAesCase{"ae1_192_deflated", 1, 2, 8}),
                         [](const auto& info) { return std::string(info.param.label); });
INSTANTIATE_TEST_SUITE_P(Aes, Ae1EntryTest,
                         ::testing::Values(TAesCase{"ae1_256_deflated", 1, 3, 8},
                                           TAesCase{"ae1_128_stored", 1, 1, 0}),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace korvel::sfx::test
