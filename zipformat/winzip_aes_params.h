#pragma once
// Sizes and counts of the WinZip AES entry format, shared by the archive writer's
// encryptor and the self-extractor's decryptor (both in this library).

#include <cstddef>

namespace korvel::winzip_aes {

constexpr std::size_t kMaxPasswordLength = 128; // the key derivation refuses longer passwords
constexpr int kIterations = 1000;               // PBKDF2-HMAC-SHA1 rounds
constexpr std::size_t kVerifierSize = 2;
constexpr std::size_t kMacSize = 10; // the truncated HMAC-SHA1 after the data
constexpr std::size_t kBlockSize = 16;

// Strength 1, 2, 3 = AES-128, 192, 256.
constexpr bool ValidStrength(int strength) {
    return strength >= 1 && strength <= 3;
}
constexpr std::size_t KeySize(int strength) {
    return 8 * static_cast<std::size_t>(strength) + 8;
}
constexpr std::size_t SaltSize(int strength) {
    return 4 * static_cast<std::size_t>(strength) + 4;
}

} // namespace korvel::winzip_aes
