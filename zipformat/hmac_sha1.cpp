#include "zipformat/hmac_sha1.h"

#include <algorithm>

#include "zipformat/crypto_primitives.h"

namespace korvel {

namespace {

// Wipes a buffer holding key-derived bytes when it goes out of scope.
template <std::size_t N> struct TWipedBytes {
    std::array<std::uint8_t, N> bytes{};
    TWipedBytes() = default;
    TWipedBytes(const TWipedBytes&) = delete;
    TWipedBytes& operator=(const TWipedBytes&) = delete;
    ~TWipedBytes() { WipeSecret(bytes.data(), bytes.size()); }
};

} // namespace

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
