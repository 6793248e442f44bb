// The random salt of a WinZip AES entry, from OpenSSL's generator.

#include "archive/zip_encryption.h"

#include <openssl/rand.h>

#include <stdexcept>

#include "zipformat/winzip_aes_params.h"

namespace korvel {

std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength) {
    if (!winzip_aes::ValidStrength(strength)) {
        return nullptr;
    }
    std::string salt(winzip_aes::SaltSize(strength), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1) {
        throw std::runtime_error("AES encryption failed: no random salt");
    }
    return MakeAesEncryptor(password, strength, salt);
}

} // namespace korvel
