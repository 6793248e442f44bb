// The ZIP format library's HMAC-SHA1 and PBKDF2-HMAC-SHA1 against the published test vectors
// (RFC 2202, RFC 6070) and against OpenSSL's PBKDF2 for the shapes WinZip AES uses.

#include "zipformat/hmac_sha1.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <openssl/evp.h>
#endif

#include <string>
#include <vector>

namespace korvel::test {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

const std::uint8_t* Data(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::string Counting(std::size_t n) {
    std::string s;
    for (std::size_t i = 1; i <= n; ++i) {
        s += static_cast<char>(i);
    }
    return s;
}

struct THmacCase {
    const char* label;
    std::string key;
    std::string data;
    const char* digest;
};

const THmacCase kHmacCases[] = {
    {"case1", std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
    {"case2", "Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
    {"case3", std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
    {"case4", Counting(25), std::string(50, '\xcd'), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
    {"case5", std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
    {"case6", std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
     "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
    {"case7", std::string(80, '\xaa'),
     "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
     "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
};

void PrintTo(const THmacCase& c, std::ostream* os) {
    *os << c.label;
}

class HmacSha1Test : public ::testing::TestWithParam<THmacCase> {};

TEST_P(HmacSha1Test, MatchesPublishedDigest) {
    const THmacCase& c = GetParam();
    const auto digest = HmacSha1(Data(c.key), c.key.size(), Data(c.data), c.data.size());
    EXPECT_EQ(Hex(digest.data(), digest.size()), c.digest);
}

// The decryptor feeds the code block by block, from a copy of the keyed state.
TEST_P(HmacSha1Test, PiecewiseFromACopyMatchesPublishedDigest) {
    const THmacCase& c = GetParam();
    const THmacSha1 keyed(Data(c.key), c.key.size());
    for (std::size_t piece : {1u, 3u, 7u, 64u}) {
        THmacSha1 mac = keyed;
        for (std::size_t at = 0; at < c.data.size(); at += piece) {
            mac.Update(Data(c.data) + at, std::min(piece, c.data.size() - at));
        }
        const auto digest = mac.Final();
        EXPECT_EQ(Hex(digest.data(), digest.size()), c.digest) << "pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Rfc2202, HmacSha1Test, ::testing::ValuesIn(kHmacCases),
                         [](const auto& info) { return std::string(info.param.label); });

struct TPbkdf2Case {
    const char* label;
    std::string password;
    std::string salt;
    unsigned iterations;
    std::size_t size;
    const char* key;
};

const TPbkdf2Case kPbkdf2Cases[] = {
    {"once", "password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
    {"twice", "password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
    {"many", "password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
    {"twoBlocks", "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
     "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
    {"embeddedZeros", std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16,
     "56fa6aa75548099dcc37d7f03425e0c3"},
};

void PrintTo(const TPbkdf2Case& c, std::ostream* os) {
    *os << c.label;
}

class Pbkdf2Test : public ::testing::TestWithParam<TPbkdf2Case> {};

TEST_P(Pbkdf2Test, MatchesPublishedKey) {
    const TPbkdf2Case& c = GetParam();
    std::vector<std::uint8_t> key(c.size);
    ASSERT_TRUE(Pbkdf2HmacSha1(Data(c.password), c.password.size(), Data(c.salt), c.salt.size(), c.iterations,
                               key.data(), key.size()));
    EXPECT_EQ(Hex(key.data(), key.size()), c.key);
}

INSTANTIATE_TEST_SUITE_P(Rfc6070, Pbkdf2Test, ::testing::ValuesIn(kPbkdf2Cases),
                         [](const auto& info) { return std::string(info.param.label); });

// WinZip AES derives 2 * key size + 2 bytes from a salt of 8, 12 or 16 bytes in 1000
// rounds; the archive engine's writer derives them through OpenSSL, so both must agree.
TEST(Pbkdf2WinZipShapes, AgreeWithOpenSsl) {
#ifdef _WIN32
    GTEST_SKIP() << "OpenSSL is not part of the Windows build; the published keys above judge CNG's HMAC";
#else
    const std::string passwords[] = {
        "", "pw", "pa ss", std::string(64, 'k'), std::string(65, 'k'), std::string(128, '\xe9')};
    for (int strength = 1; strength <= 3; ++strength) {
        const std::string salt(4 * strength + 4, static_cast<char>(0x5a + strength));
        const std::size_t size = 2 * (8 * strength + 8) + 2;
        for (const auto& password : passwords) {
            std::vector<std::uint8_t> ours(size);
            std::vector<std::uint8_t> theirs(size);
            ASSERT_TRUE(Pbkdf2HmacSha1(Data(password), password.size(), Data(salt), salt.size(), 1000,
                                       ours.data(), ours.size()));
            ASSERT_EQ(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), Data(salt),
                                        static_cast<int>(salt.size()), 1000, EVP_sha1(),
                                        static_cast<int>(theirs.size()), theirs.data()),
                      1);
            EXPECT_EQ(Hex(ours.data(), ours.size()), Hex(theirs.data(), theirs.size()))
                << "strength " << strength << ", password of " << password.size() << " bytes";
        }
    }
#endif
}

TEST(Pbkdf2WinZipShapes, ZeroIterationsAreRefused) {
    std::uint8_t key[20] = {};
    EXPECT_FALSE(Pbkdf2HmacSha1(Data("pw"), 2, Data("salt"), 4, 0, key, sizeof key));
}

} // namespace
} // namespace korvel::test
