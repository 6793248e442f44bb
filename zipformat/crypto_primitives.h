#pragma once
// The two primitives WinZip AES is built from, an AES block encryption and SHA-1 (as
// HMAC-SHA1), plus wiping and comparing key material. They come from the system's own
// cryptography where it has one (CNG on Windows) and from OpenSSL's plain block and hash
// functions elsewhere; OpenSSL's EVP layer stays out, for it would bring its provider
// machinery (megabytes) into every self-extracting archive.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvel {

// Overwrites key material in a way the compiler does not remove.
void WipeSecret(void* data, std::size_t size);

// Compares in a time that does not depend on where the bytes differ.
bool EqualInConstantTime(const std::uint8_t* a, const std::uint8_t* b, std::size_t size);

// Fills the buffer from the cryptographic random generator; false when it fails.
bool RandomBytes(void* data, std::size_t size);

constexpr std::size_t kAesBlockSize = 16;

// One AES key (16, 24 or 32 bytes), encrypting single blocks; the key schedule is wiped
// on destruction.
class TAesBlockCipher {
public:
    TAesBlockCipher(const std::uint8_t* key, std::size_t keySize); // throws std::runtime_error
    ~TAesBlockCipher();
    TAesBlockCipher(const TAesBlockCipher&) = delete;
    TAesBlockCipher& operator=(const TAesBlockCipher&) = delete;

    void Encrypt(const std::uint8_t* in, std::uint8_t* out);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace korvel
