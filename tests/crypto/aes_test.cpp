#include "zip_fixture.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::Bytes;
using test::DecryptAll;
using test::EncryptAll;
using test::SampleData;

std::size_t SaltSize(int strength) {
    return 4 * static_cast<std::size_t>(strength) + 4;
}

// Entries made by 7-Zip (7z a -tzip -mx=0 -mem=AESn -psecret): salt, verifier,
// encrypted data and authentication code, as stored.
struct TPeerEntry {
    int strength;
    std::string plain;
    std::string stored;
};

const std::string kDigits = std::string("0123456789") + "0123456789" + "0123456789" + "0123456789" +
                            "0123456789" + "0123456789" + "0123456789";

const TPeerEntry kPeerEntries[] = {
    {1, "hello korvel\n", Bytes({0x8d, 0x9a, 0xe2, 0xc4, 0x69, 0x6c, 0xdf, 0xc5, 0x51, 0x90, 0xfa,
                                 0xd6, 0x81, 0x78, 0x63, 0x3f, 0x83, 0xe4, 0xb0, 0x78, 0xcb, 0x73,
                                 0x00, 0xbd, 0x8a, 0xf8, 0x76, 0x67, 0xd5, 0xe4, 0x2e, 0x48, 0x0e})},
    {3, "hello korvel\n",
     Bytes({0x1d, 0x4f, 0x47, 0xf4, 0x7a, 0xf7, 0x7f, 0x01, 0x33, 0x26, 0xfc, 0x97, 0x28, 0x74,
            0x2a, 0x40, 0xdf, 0xf7, 0x2c, 0xd5, 0xb8, 0x74, 0xfd, 0x47, 0x78, 0x94, 0xa3, 0x8c,
            0x75, 0x5c, 0x82, 0xee, 0xbe, 0x7e, 0x4b, 0xd6, 0x72, 0x7e, 0x42, 0x3a, 0x65})},
    {2, kDigits,
     Bytes({0xab, 0xed, 0xda, 0xf7, 0xcd, 0x71, 0x49, 0x65, 0x3e, 0x5c, 0x79, 0x86, 0x08, 0xa2, 0x1a, 0x58,
            0x27, 0x10, 0x62, 0x52, 0xf5, 0xf7, 0x04, 0x99, 0xd7, 0x72, 0x61, 0x01, 0xd7, 0x3d, 0xa9, 0x5b,
            0xac, 0x18, 0x09, 0xea, 0x21, 0xdb, 0x2d, 0x2e, 0xd6, 0x03, 0x4d, 0x14, 0xe4, 0xb7, 0xc9, 0x3d,
            0x09, 0x3c, 0x8e, 0x9d, 0xff, 0x2e, 0x88, 0x88, 0x72, 0xa2, 0x7e, 0x69, 0x5e, 0x2f, 0x23, 0x26,
            0x80, 0x71, 0x24, 0x77, 0xb7, 0x11, 0x4d, 0xdb, 0x6d, 0x12, 0xc4, 0x27, 0xa5, 0x31, 0x6d, 0x25,
            0x45, 0xd5, 0x1b, 0x86, 0x5d, 0xb9, 0x2b, 0x03, 0xa4, 0x76, 0xba, 0x5f, 0xfa, 0x54})},
    {3, kDigits, Bytes({0x63, 0xb1, 0x32, 0xec, 0xdc, 0xa5, 0xc8, 0x3f, 0xc9, 0x59, 0x08, 0x9f, 0x4c, 0x9c,
                        0xe5, 0x20, 0xde, 0x88, 0x9e, 0xc9, 0xe1, 0x31, 0x61, 0x13, 0x6f, 0x9e, 0xf2, 0x28,
                        0x27, 0x0c, 0xb3, 0xda, 0x00, 0x68, 0xda, 0xdd, 0x99, 0x8f, 0xca, 0xdb, 0x0b, 0x4e,
                        0x67, 0xab, 0xab, 0xd1, 0x6a, 0x90, 0x25, 0xdd, 0xc1, 0xfc, 0xe4, 0xbf, 0xa3, 0x14,
                        0xfc, 0x9a, 0xe8, 0xa5, 0xe6, 0x7a, 0x3b, 0x39, 0xcc, 0xb3, 0x28, 0x33, 0x2e, 0xb1,
                        0x64, 0xcb, 0x6a, 0xb0, 0x0b, 0x40, 0x00, 0xb0, 0x50, 0xf1, 0x1b, 0x9d, 0xe3, 0x98,
                        0x5f, 0x3a, 0xbb, 0x3b, 0x80, 0x2e, 0x79, 0x24, 0x45, 0xe5, 0x9d, 0xf2, 0x5c, 0xa6})},
};

class CryptoAesPeerEntry : public ::testing::TestWithParam<TPeerEntry> {};

TEST_P(CryptoAesPeerEntry, DecryptsIt) {
    const auto& e = GetParam();
    for (const std::size_t chunk : {1u, 16u, 17u, 4096u}) {
        auto decryptor = MakeAesDecryptor("secret", e.strength);
        ASSERT_NE(decryptor, nullptr);
        EXPECT_EQ(decryptor->HeaderSize(), SaltSize(e.strength) + 2);
        EXPECT_EQ(decryptor->TrailerSize(), 10u);
        const auto plain = DecryptAll(*decryptor, e.stored, chunk);
        ASSERT_TRUE(plain.has_value()) << "chunk " << chunk;
        EXPECT_EQ(*plain, e.plain);
    }
}

// With the peer's salt our encryptor must produce the peer's bytes exactly: verifier,
// counter-mode keystream and authentication code.
TEST_P(CryptoAesPeerEntry, EncryptsToTheSameBytesWithTheSameSalt) {
    const auto& e = GetParam();
    auto encryptor = MakeAesEncryptor("secret", e.strength, e.stored.substr(0, SaltSize(e.strength)));
    ASSERT_NE(encryptor, nullptr);
    EXPECT_EQ(EncryptAll(*encryptor, e.plain, 5), e.stored);
}

TEST_P(CryptoAesPeerEntry, RejectsWrongPassword) {
    const auto& e = GetParam();
    auto decryptor = MakeAesDecryptor("Secret", e.strength);
    EXPECT_FALSE(DecryptAll(*decryptor, e.stored, 4096).has_value());
}

INSTANTIATE_TEST_SUITE_P(SevenZip, CryptoAesPeerEntry, ::testing::ValuesIn(kPeerEntries),
                         [](const ::testing::TestParamInfo<TPeerEntry>& info) {
                             return "Aes" + std::to_string(64 + 64 * info.param.strength) + "_" +
                                    std::to_string(info.param.plain.size()) + "B";
                         });

struct TRoundTrip {
    int strength;
    std::size_t size;
    std::size_t chunk;
};

class CryptoAesRoundTrip : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(CryptoAesRoundTrip, DecryptsWhatItEncrypted) {
    const auto& p = GetParam();
    const std::string data = SampleData(p.size, 3);
    auto encryptor = MakeAesEncryptor("pass word", p.strength);
    ASSERT_NE(encryptor, nullptr);
    const std::string stored = EncryptAll(*encryptor, data, p.chunk);
    ASSERT_EQ(stored.size(), SaltSize(p.strength) + 2 + data.size() + 10);
    if (data.size() >= 16) {
        EXPECT_NE(stored.substr(SaltSize(p.strength) + 2, data.size()), data);
    }
    // Decrypting in other pieces than were encrypted checks that the keystream
    // position carries over between blocks.
    auto decryptor = MakeAesDecryptor("pass word", p.strength);
    const auto plain = DecryptAll(*decryptor, stored, p.chunk == 1 ? 8192 : 3);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, data);
}

INSTANTIATE_TEST_SUITE_P(Table, CryptoAesRoundTrip,
                         ::testing::Values(TRoundTrip{1, 0, 8192}, TRoundTrip{2, 0, 8192},
                                           TRoundTrip{3, 0, 8192}, TRoundTrip{1, 1, 1}, TRoundTrip{2, 15, 1},
                                           TRoundTrip{3, 16, 16}, TRoundTrip{1, 17, 5},
                                           TRoundTrip{3, 1025, 1000}, TRoundTrip{2, 5000, 8192},
                                           TRoundTrip{3, 200003, 8192}));

TEST(CryptoAes, TamperedDataOrCodeFailsFinish) {
    const std::string data = SampleData(1000, 5);
    const std::string salt(16, 's');
    const std::string stored = EncryptAll(*MakeAesEncryptor("pw", 3, salt), data, 8192);
    const std::size_t dataAt = 18;
    for (const std::size_t at : {dataAt, dataAt + 500, stored.size() - 11, stored.size() - 1}) {
        std::string bad = stored;
        bad[at] = static_cast<char>(bad[at] ^ 0x01);
        auto decryptor = MakeAesDecryptor("pw", 3);
        EXPECT_FALSE(DecryptAll(*decryptor, bad, 8192).has_value()) << "flipped byte " << at;
    }
    EXPECT_TRUE(DecryptAll(*MakeAesDecryptor("pw", 3), stored, 8192).has_value());
}

TEST(CryptoAes, WrongPasswordFailsVerifier) {
    const std::string header = MakeAesEncryptor("pw", 1, std::string(8, 'a'))->Header();
    ASSERT_EQ(header.size(), 10u);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header.data());
    EXPECT_TRUE(MakeAesDecryptor("pw", 1)->Start(bytes));
    EXPECT_FALSE(MakeAesDecryptor("pW", 1)->Start(bytes));
    EXPECT_FALSE(MakeAesDecryptor("", 1)->Start(bytes));
}

TEST(CryptoAes, HeaderIsRandomSaltAndVerifier) {
    for (int strength = 1; strength <= 3; ++strength) {
        const std::string a = MakeAesEncryptor("pw", strength)->Header();
        const std::string b = MakeAesEncryptor("pw", strength)->Header();
        ASSERT_EQ(a.size(), SaltSize(strength) + 2);
        ASSERT_EQ(b.size(), a.size());
        EXPECT_NE(a.substr(0, SaltSize(strength)), b.substr(0, SaltSize(strength)));
    }
}

TEST(CryptoAes, RefusesLongPasswordAndBadArguments) {
    const std::string longest(128, 'p');
    const std::string tooLong(129, 'p');
    EXPECT_NE(MakeAesEncryptor(longest, 3), nullptr);
    EXPECT_NE(MakeAesDecryptor(longest, 3), nullptr);
    EXPECT_EQ(MakeAesEncryptor(tooLong, 3), nullptr);
    EXPECT_EQ(MakeAesDecryptor(tooLong, 3), nullptr);
    EXPECT_EQ(MakeAesEncryptor(tooLong, 1, std::string(8, 's')), nullptr);
    for (const int strength : {0, 4, -1}) {
        EXPECT_EQ(MakeAesEncryptor("pw", strength), nullptr);
        EXPECT_EQ(MakeAesDecryptor("pw", strength), nullptr);
    }
    EXPECT_EQ(MakeAesEncryptor("pw", 1, std::string(16, 's')), nullptr);
    EXPECT_EQ(MakeAesEncryptor("pw", 3, ""), nullptr);
}

TEST(CryptoAes, LongestPasswordRoundTrips) {
    const std::string longest(128, '\xE9');
    const std::string stored = EncryptAll(*MakeAesEncryptor(longest, 2), "data", 4);
    const auto plain = DecryptAll(*MakeAesDecryptor(longest, 2), stored, 4);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, "data");
}

} // namespace
} // namespace korvel
