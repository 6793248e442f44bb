#pragma once
// HMAC-SHA1 and PBKDF2-HMAC-SHA1 (RFC 2104, RFC 8018) on the primitives of
// crypto_primitives.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvel {

constexpr std::size_t kSha1Size = 20;
using TSha1Digest = std::array<std::uint8_t, kSha1Size>;

// One message authenticated at a time; the keyed state is wiped on destruction.
// Copies start from the same key without hashing it again.
class THmacSha1 {
public:
    THmacSha1(const std::uint8_t* key, std::size_t keySize);
    THmacSha1(const THmacSha1& other);
    THmacSha1& operator=(const THmacSha1&) = delete;
    ~THmacSha1();

    void Update(const std::uint8_t* data, std::size_t size);
    // Ends the message; the object is spent afterwards.
    TSha1Digest Final();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

TSha1Digest HmacSha1(const std::uint8_t* key, std::size_t keySize, const std::uint8_t* data,
                     std::size_t size);

// Fills out[0, outSize) with key material; false when iterations is zero.
bool Pbkdf2HmacSha1(const std::uint8_t* password, std::size_t passwordSize, const std::uint8_t* salt,
                    std::size_t saltSize, unsigned iterations, std::uint8_t* out, std::size_t outSize);

} // namespace korvel
