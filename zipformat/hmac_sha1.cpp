#include "zipformat/hmac_sha1.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace korvel {

namespace {

constexpr std::size_t kSha1BlockSize = 64;

// Wipes a buffer holding key-derived bytes when it goes out of scope.
template <std::size_t N> struct TWipedBytes {
    std::array<std::uint8_t, N> bytes{};
    TWipedBytes() = default;
    TWipedBytes(const TWipedBytes&) = delete;
    TWipedBytes& operator=(const TWipedBytes&) = delete;
    ~TWipedBytes() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

} // namespace

THmacSha1::THmacSha1(const std::uint8_t* key, std::size_t keySize) {
    // A key longer than a block is replaced by its hash; a shorter one is padded with zeros.
    TWipedBytes<kSha1BlockSize> block;
    if (keySize > kSha1BlockSize) {
        SHA_CTX ctx;
        SHA1_Init(&ctx);
        SHA1_Update(&ctx, key, keySize);
        SHA1_Final(block.bytes.data(), &ctx);
        OPENSSL_cleanse(&ctx, sizeof ctx);
    } else if (keySize > 0) {
        std::copy_n(key, keySize, block.bytes.begin());
    }
    TWipedBytes<kSha1BlockSize> pad;
    for (std::size_t i = 0; i < kSha1BlockSize; ++i) {
        pad.bytes[i] = block.bytes[i] ^ 0x36;
    }
    SHA1_Init(&inner_);
    SHA1_Update(&inner_, pad.bytes.data(), pad.bytes.size());
    for (std::size_t i = 0; i < kSha1BlockSize; ++i) {
        pad.bytes[i] = block.bytes[i] ^ 0x5c;
    }
    SHA1_Init(&outer_);
    SHA1_Update(&outer_, pad.bytes.data(), pad.bytes.size());
}

THmacSha1::~THmacSha1() {
    OPENSSL_cleanse(&inner_, sizeof inner_);
    OPENSSL_cleanse(&outer_, sizeof outer_);
}

void THmacSha1::Update(const std::uint8_t* data, std::size_t size) {
    if (size > 0) {
        SHA1_Update(&inner_, data, size);
    }
}

TSha1Digest THmacSha1::Final() {
    TSha1Digest innerHash{};
    SHA1_Final(innerHash.data(), &inner_);
    SHA1_Update(&outer_, innerHash.data(), innerHash.size());
    TSha1Digest code{};
    SHA1_Final(code.data(), &outer_);
    OPENSSL_cleanse(innerHash.data(), innerHash.size());
    return code;
}

TSha1Digest HmacSha1(const std::uint8_t* key, std::size_t keySize, const std::uint8_t* data,
                     std::size_t size) {
    THmacSha1 mac(key, keySize);
    mac.Update(data, size);
    return mac.Final();
}

bool Pbkdf2HmacSha1(const std::uint8_t* password, std::size_t passwordSize, const std::uint8_t* salt,
                    std::size_t saltSize, unsigned iterations, std::uint8_t* out, std::size_t outSize) {
    if (iterations == 0) {
        return false;
    }
    const THmacSha1 keyed(password, passwordSize);
    TWipedBytes<kSha1Size> u;
    TWipedBytes<kSha1Size> t;
    for (std::uint32_t blockIndex = 1; outSize > 0; ++blockIndex) {
        // U1 = PRF(P, S || INT(i)), the block index big-endian.
        const std::uint8_t index[4] = {
            static_cast<std::uint8_t>(blockIndex >> 24), static_cast<std::uint8_t>(blockIndex >> 16),
            static_cast<std::uint8_t>(blockIndex >> 8), static_cast<std::uint8_t>(blockIndex)};
        THmacSha1 first = keyed;
        first.Update(salt, saltSize);
        first.Update(index, sizeof index);
        u.bytes = first.Final();
        t.bytes = u.bytes;
        for (unsigned round = 1; round < iterations; ++round) {
            THmacSha1 next = keyed;
            next.Update(u.bytes.data(), u.bytes.size());
            u.bytes = next.Final();
            for (std::size_t i = 0; i < kSha1Size; ++i) {
                t.bytes[i] ^= u.bytes[i];
            }
        }
        const std::size_t n = std::min(outSize, kSha1Size);
        std::copy_n(t.bytes.begin(), n, out);
        out += n;
        outSize -= n;
    }
    return true;
}

} // namespace korvel
