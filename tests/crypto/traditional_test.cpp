#include "zip_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace korvel {
namespace {

using test::Bytes;
using test::DecryptAll;
using test::EncryptAll;
using test::SampleData;

// Made by Info-ZIP's zip 3.0 (zip -0 -P secret) over "hello korvel\n". It wrote a data
// descriptor, so its check byte is the high byte of the DOS time 0x1A92.
const std::string kInfoZipEntry =
    Bytes({0x04, 0xb6, 0x74, 0xfc, 0xe7, 0x83, 0x2d, 0x9f, 0xfb, 0xbd, 0xb8, 0x5e, 0xf1,
           0x15, 0x36, 0xe2, 0x3d, 0x62, 0x4a, 0xf4, 0xb8, 0x0b, 0xe7, 0x41, 0x5f});

TEST(CryptoTraditional, DecryptsEntryMadeByInfoZip) {
    for (const std::size_t chunk : {1u, 5u, 100u}) {
        auto decryptor = MakeTraditionalDecryptor("secret", 0x1A);
        ASSERT_EQ(decryptor->HeaderSize(), 12u);
        ASSERT_EQ(decryptor->TrailerSize(), 0u);
        const auto plain = DecryptAll(*decryptor, kInfoZipEntry, chunk);
        ASSERT_TRUE(plain.has_value()) << "chunk " << chunk;
        EXPECT_EQ(*plain, "hello korvel\n");
    }
}

TEST(CryptoTraditional, InfoZipEntryRejectsWrongPassword) {
    auto decryptor = MakeTraditionalDecryptor("Secret", 0x1A);
    EXPECT_FALSE(decryptor->Start(reinterpret_cast<const std::uint8_t*>(kInfoZipEntry.data())));
}

struct TRoundTrip {
    std::string password;
    std::size_t size;
    std::size_t chunk;
};

class CryptoTraditionalRoundTrip : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(CryptoTraditionalRoundTrip, DecryptsWhatItEncrypted) {
    const auto& p = GetParam();
    const std::string data = SampleData(p.size, 7);
    const std::uint32_t crc = test::Crc32(data);
    auto encryptor = MakeTraditionalEncryptor(p.password, crc);
    const std::string stored = EncryptAll(*encryptor, data, p.chunk);
    ASSERT_EQ(stored.size(), data.size() + 12);
    if (!data.empty()) {
        EXPECT_NE(stored.substr(12), data);
    }
    auto decryptor = MakeTraditionalDecryptor(p.password, static_cast<std::uint8_t>(crc >> 24));
    const auto plain = DecryptAll(*decryptor, stored, p.chunk == 1 ? 4096 : 1);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, data);
}

INSTANTIATE_TEST_SUITE_P(Table, CryptoTraditionalRoundTrip,
                         ::testing::Values(TRoundTrip{"pw", 0, 1}, TRoundTrip{"pw", 1, 1},
                                           TRoundTrip{"", 100, 7}, // key set-up with no password bytes
                                           TRoundTrip{"p\xE4ssw\xF6rd", 5000, 8192},
                                           TRoundTrip{std::string(300, 'x'), 70000, 8192},
                                           TRoundTrip{std::string("a\0b", 3), 1000, 3}),
                         [](const ::testing::TestParamInfo<TRoundTrip>& info) {
                             return "Password" + std::to_string(info.param.password.size()) + "_" +
                                    std::to_string(info.param.size) + "B_Chunk" +
                                    std::to_string(info.param.chunk);
                         });

TEST(CryptoTraditional, HeaderEndsWithCrcHighBytes) {
    const std::uint32_t crc = 0xA1B2C3D4;
    auto encryptor = MakeTraditionalEncryptor("pw", crc);
    const std::string header = encryptor->Header();
    ASSERT_EQ(header.size(), 12u);
    EXPECT_TRUE(encryptor->Trailer().empty());

    auto decryptor = MakeTraditionalDecryptor("pw", 0xA1);
    std::string plain = header;
    // Start() consumes the header, so decrypt a copy by hand to see every byte.
    auto byHand = MakeTraditionalDecryptor("pw", 0xA1);
    byHand->DecryptBlock(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size());
    EXPECT_EQ(static_cast<std::uint8_t>(plain[10]), 0xB2);
    EXPECT_EQ(static_cast<std::uint8_t>(plain[11]), 0xA1);
    EXPECT_TRUE(decryptor->Start(reinterpret_cast<const std::uint8_t*>(header.data())));
}

TEST(CryptoTraditional, WrongPasswordOrCheckByteFailsStart) {
    const std::uint32_t crc = 0x5E000000;
    auto encryptor = MakeTraditionalEncryptor("right", crc, 42);
    const std::string header = encryptor->Header();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header.data());
    EXPECT_TRUE(MakeTraditionalDecryptor("right", 0x5E)->Start(bytes));
    EXPECT_FALSE(MakeTraditionalDecryptor("wrong", 0x5E)->Start(bytes));
    EXPECT_FALSE(MakeTraditionalDecryptor("right", 0x5F)->Start(bytes));
}

TEST(CryptoTraditional, SeedReproducesHeader) {
    const std::string a = MakeTraditionalEncryptor("pw", 1, 99)->Header();
    const std::string b = MakeTraditionalEncryptor("pw", 1, 99)->Header();
    const std::string c = MakeTraditionalEncryptor("pw", 1, 100)->Header();
    EXPECT_EQ(a, b);
    EXPECT_NE(a.substr(0, 10), c.substr(0, 10));
}

std::string PlainHeader(const std::string& password, const std::string& header) {
    std::string plain = header;
    MakeTraditionalDecryptor(password, 0)
        ->DecryptBlock(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size());
    return plain;
}

// Entries written one after another within the same clock tick must not share
// their random bytes, or the keystream repeats across entries.
TEST(CryptoTraditional, ClockSeededHeadersDifferBetweenEntries) {
    const std::uint32_t crc = 0x12345678;
    std::set<std::string> randomParts;
    constexpr int kEntries = 200;
    for (int i = 0; i < kEntries; ++i) {
        const std::string plain = PlainHeader("pw", MakeTraditionalEncryptor("pw", crc)->Header());
        EXPECT_EQ(plain.substr(10), Bytes({0x34, 0x12}));
        randomParts.insert(plain.substr(0, 10));
    }
    EXPECT_EQ(randomParts.size(), static_cast<std::size_t>(kEntries));
}

TEST(CryptoTraditional, RandomBytesCoverTheByteRange) {
    std::vector<int> seen(256, 0);
    for (int i = 0; i < 400; ++i) {
        const std::string plain = PlainHeader("pw", MakeTraditionalEncryptor("pw", 0)->Header());
        for (int j = 0; j < 10; ++j) {
            ++seen[static_cast<std::uint8_t>(plain[j])];
        }
    }
    // 4000 draws over 256 values: a generator stuck in part of the range shows up
    // as empty halves.
    int low = 0;
    int high = 0;
    for (int v = 0; v < 256; ++v) {
        (v < 128 ? low : high) += seen[v];
    }
    EXPECT_GT(low, 1500);
    EXPECT_GT(high, 1500);
    EXPECT_GT(seen[255] + seen[254] + seen[253] + seen[252], 0);
}

TEST(CryptoTraditional, ZeroLengthEntryIsJustTheHeader) {
    auto encryptor = MakeTraditionalEncryptor("pw", 0);
    const std::string stored = EncryptAll(*encryptor, "", 8192);
    EXPECT_EQ(stored.size(), 12u);
    auto decryptor = MakeTraditionalDecryptor("pw", 0);
    const auto plain = DecryptAll(*decryptor, stored, 8192);
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->empty());
}

} // namespace
} // namespace korvel
